#!/usr/bin/env bash
# Cross-builds the Windows module and the stand-in host (the "windows" preset,
# into build-windows/) and runs their tests under Wine, among them the frame
# of known stars held to the one the Linux module renders in build/ (or the
# folder given as $1).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native=${1:-$root/build}
cd "$root"

if [ ! -f "$native/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$native" -DORRELUX_WERROR=ON >/dev/null
fi
cmake --build "$native" -j"$(nproc)" --target orrelux known_star_frame

cmake --preset windows -DORRELUX_NATIVE_BUILD="$native" >/dev/null
cmake --build --preset windows -j"$(nproc)"

# Debian 12 installs Wine's 64-bit loader outside the PATH. The prefix is the
# build tree's own (the toolchain file gives CTest the same one), made once
# before the tests start side by side.
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
export WINEDEBUG=-all WINEPREFIX="$root/build-windows/wineprefix"
trap '"$wineserver" -k || true' EXIT
"$wine" wineboot --init >/dev/null 2>&1
ctest --preset windows -j"$(nproc)"
