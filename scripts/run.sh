#!/usr/bin/env bash
# Installs what is needed, builds, and renders the first example scene into
# out/: a camera panning across Orion, with motion blur.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "$root"
build/bin/orrelux-render examples/orion_pan.lws -o out/orion_####.png --opaque
echo "run: the frames are in $root/out (orion_0001.png to orion_0024.png); open them in any image viewer"
