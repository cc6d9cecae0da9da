#!/usr/bin/env bash
# Installs what is needed, builds, and runs the main job on the default data.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
# The build made the default star database beside the plug-in; show what it holds.
"$root/build/tools/orrelux-stars" info "$root/build/plugins/hipparcos3D.stars"
