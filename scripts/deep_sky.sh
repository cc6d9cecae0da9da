#!/usr/bin/env bash
# Fetches Tycho-2 as Debian packages it for KStars (kstars-data-extra-tycho2,
# in the non-free section), checks the package and the star file against
# their SHA-256, and builds the deep star database tycho2-deep.stars beside
# the default one in the build folder ($1, default build/). Run by
# `scripts/setup.sh --deep-sky`; safe to run again.
#
# The machine's own apt configuration is left alone: a private one (its own
# sources list, package lists and cache, in a temporary folder) adds the
# non-free section of the Debian archive that the machine already uses.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
package=kstars-data-extra-tycho2
# The star file of version 1.1r1-9.1. Another file is refused, not merged
# unseen: a new version has to be looked at before the database changes.
file_sha256=136301c017094044d24b74711eeb3d693e908ec6d31c0f217a05565fb4704a00
catalogue="$root/third_party/kstars/deepstars.dat"

fail() {
    echo "deep-sky: $*" >&2
    exit 1
}

sha256_of() {
    sha256sum "$1" | cut -d' ' -f1
}

# "URI SIGNED-BY" of the machine's Debian archive for its own release: the
# first deb source, one-line or deb822, that serves the release's suite with
# the main section. SIGNED-BY is "-" when the source names no key.
machine_archive() {
    local codename
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    [ -n "$codename" ] || fail "cannot tell the Debian release from /etc/os-release"
    shopt -s nullglob
    local deb822=(/etc/apt/sources.list.d/*.sources) lines=(/etc/apt/sources.list /etc/apt/sources.list.d/*.list)
    if [ "${#deb822[@]}" -gt 0 ]; then
        awk -v suite="$codename" 'BEGIN { RS = ""; FS = "\n" }
            {
                types = uris = suites = comps = key = ""
                for (i = 1; i <= NF; i++) {
                    if ($i ~ /^Types:/) types = " " substr($i, 7) " "
                    if ($i ~ /^URIs:/) uris = substr($i, 6)
                    if ($i ~ /^Suites:/) suites = " " substr($i, 8) " "
                    if ($i ~ /^Components:/) comps = " " substr($i, 12) " "
                    if ($i ~ /^Signed-By:/) key = substr($i, 11)
                }
                gsub(/[ \t]+/, " ", suites); gsub(/[ \t]+/, " ", comps); gsub(/[ \t]+/, " ", types)
                split(uris, u, " ")
                if (types ~ / deb / && suites ~ (" " suite " ") && comps ~ / main / && u[1] != "") {
                    gsub(/^[ \t]+|[ \t]+$/, "", key)
                    print u[1], (key == "" ? "-" : key)
                    exit
                }
            }' "${deb822[@]}"
    fi
    local existing=()
    for f in "${lines[@]}"; do [ -f "$f" ] && existing+=("$f"); done
    if [ "${#existing[@]}" -gt 0 ]; then
        awk -v suite="$codename" '$1 == "deb" {
                key = "-"; i = 2
                if ($2 ~ /^\[/) {
                    for (; i <= NF; i++) {
                        if ($i ~ /^\[?signed-by=/) { key = $i; sub(/^\[?signed-by=/, "", key); sub(/\]$/, "", key) }
                        if ($i ~ /\]$/) { i++; break }
                    }
                }
                if ($(i + 1) != suite) next
                for (j = i + 2; j <= NF; j++) if ($j == "main") { print $i, key; exit }
            }' "${existing[@]}"
    fi
}

fetch_catalogue() {
    local archive uri key
    archive=$(machine_archive | head -n 1)
    [ -n "$archive" ] || fail "found no Debian archive serving the main section in /etc/apt"
    read -r uri key <<<"$archive"
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/sources" "$work/state/lists/partial" "$work/cache/archives/partial" "$work/deb"
    {
        echo "Types: deb"
        echo "URIs: $uri"
        echo "Suites: $(. /etc/os-release && echo "$VERSION_CODENAME")"
        echo "Components: non-free"
        [ "$key" = "-" ] || echo "Signed-By: $key"
    } >"$work/sources/non-free.sources"
    local apt=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$work/sources"
        -o Dir::State="$work/state" -o Dir::Cache="$work/cache"
        -o APT::Sandbox::User="$(id -un)")
    echo "deep-sky: reading the non-free package list of $uri"
    apt-get "${apt[@]}" update -qq || fail "cannot read the non-free package list of $uri"
    local expected
    expected=$(apt-cache "${apt[@]}" show --no-all-versions "$package" 2>/dev/null |
        sed -n 's/^SHA256: //p' | head -n 1)
    [ -n "$expected" ] || fail "$uri lists no package $package in non-free"
    (cd "$work/deb" && apt-get "${apt[@]}" download -qq "$package") ||
        fail "cannot download $package"
    local deb
    deb=$(ls "$work/deb"/"${package}"_*.deb)
    [ "$(sha256_of "$deb")" = "$expected" ] ||
        fail "$(basename "$deb") does not have the SHA-256 that the signed package list gives"
    dpkg-deb -x "$deb" "$work/x"
    local file="$work/x/usr/share/kstars/deepstars.dat"
    [ -s "$file" ] || fail "$(basename "$deb") holds no usr/share/kstars/deepstars.dat"
    [ "$(sha256_of "$file")" = "$file_sha256" ] ||
        fail "deepstars.dat of $(basename "$deb") is not the file this project was checked with (SHA-256 $(sha256_of "$file"), expected $file_sha256)"
    mkdir -p "$(dirname "$catalogue")"
    cp "$file" "$catalogue.tmp"
    mv "$catalogue.tmp" "$catalogue"
    echo "deep-sky: $(basename "$deb") checked; Tycho-2 at $catalogue"
}

if [ ! -s "$catalogue" ] || [ "$(sha256_of "$catalogue")" != "$file_sha256" ]; then
    fetch_catalogue
fi
cmake -S "$root" -B "$build" -DORRELUX_WERROR=ON >/dev/null
cmake --build "$build" --target deep_star_database -j"$(nproc)"
echo "deep-sky: deep star database at $build/plugins/tycho2-deep.stars"
