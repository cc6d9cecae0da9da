#!/usr/bin/env bash
# Installs everything the build, the tests (the render farm tests start their
# own Slurm and GNU parallel) and the default star database need
# on a Debian 12 machine. Safe to run again: installed packages are skipped and
# the catalogue is fetched only once.
#
# With --deep-sky it also fetches Tycho-2 (2.4 million stars to about V 12,
# from Debian's non-free section) and builds the deep star database
# build/plugins/tycho2-deep.stars beside the default one (scripts/deep_sky.sh;
# data/README.md says where the data comes from and under which terms).
set -euo pipefail

deep_sky=false
for argument in "$@"; do
    case "$argument" in
    --deep-sky) deep_sky=true ;;
    *)
        echo "setup: unknown option \"$argument\" (the only option is --deep-sky)" >&2
        exit 2
        ;;
    esac
done

packages=(
    build-essential cmake pkg-config clang-format
    libgtest-dev libgmock-dev libbenchmark-dev
    libcli11-dev nlohmann-json3-dev
    libopenexr-dev libpng-dev libtiff-dev
    g++-mingw-w64-x86-64 wine64 googletest
    clang libclang-rt-14-dev
    slurm-wlm munge parallel jq
    libcpp-httplib-dev chromium nodejs
)
# Debian's nodejs comes without npm; other builds of nodejs carry their own.
if ! command -v npm >/dev/null; then
    packages+=(npm)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ "${#missing[@]}" -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "setup: these Debian packages are missing: ${missing[*]}" >&2
        echo "setup: run this script as root (for example: sudo $0) to install them" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The star catalogue for the default database comes from Debian's kstars-data,
# unpacked (not installed) into a cache folder of the project.
root=$(cd "$(dirname "$0")/.." && pwd)
catalogue="$root/third_party/kstars/stars.dat"
if [ ! -s "$catalogue" ]; then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    if ! (cd "$work" && apt-get download -qq kstars-data 2>/dev/null); then
        # The package lists may not be there yet on a fresh machine.
        if [ "$(id -u)" -ne 0 ]; then
            echo "setup: cannot download kstars-data; run this script as root" >&2
            exit 1
        fi
        apt-get update -qq
        (cd "$work" && apt-get download -qq kstars-data)
    fi
    dpkg-deb -x "$work"/kstars-data_*.deb "$work/x"
    mkdir -p "$(dirname "$catalogue")"
    cp "$work/x/usr/share/kstars/stars.dat" "$catalogue.tmp"
    mv "$catalogue.tmp" "$catalogue"
fi

# The browser test's npm package, at the version the lock file pins, into a
# folder of its own that git ignores.
browser_tests="$root/tests/browser"
pinned=$(cd "$browser_tests" && node -p "require('./package.json').devDependencies['playwright-core']")
installed=$(cd "$browser_tests" && node -p "require('./node_modules/playwright-core/package.json').version" 2>/dev/null || true)
if [ "$pinned" != "$installed" ]; then
    (cd "$browser_tests" && npm ci --no-audit --no-fund --loglevel=error)
fi
echo "setup: all build dependencies present; catalogue at $catalogue"
if [ "$deep_sky" = true ]; then
    "$root/scripts/deep_sky.sh"
fi
