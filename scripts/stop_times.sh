#!/usr/bin/env bash
# How fast a frame that would take many minutes stops: a 3840x2160 frame of
# the Orion example with spots at the panel's largest size and 100 blur
# segments, stopped a second into it by Ctrl-C (SIGINT) to orrelux-render
# and by Cancel in the settings panel, three times each. Prints each time,
# from the asking to the end, and the median. The stop through the monitor
# inside one process is bench_render's BM_StopHugeSpots4K.
#
#   scripts/stop_times.sh [build]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
render=$build/bin/orrelux-render
database=$(ls "$build"/plugins/hipparcos3D.stars 2>/dev/null || true)
if [ ! -x "$render" ] || [ -z "$database" ]; then
    echo "stop_times: build first (no $render or default database)" >&2
    exit 1
fi
work=$(mktemp -d)
server=
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"' EXIT

sed 's/^FrameSize .*/FrameSize 3840 2160/' "$root/examples/orion_pan.lws" >"$work/big.lws"
cat >"$work/huge.cfg" <<SETTINGS
OrreluxVersion 2
StarFile "$database"
StarSize 99999999
StarAspect 1
LumThreshold 0.001
LumMax 0.5
Brightness 5
Saturation 0.4
BrightnessBias 1
TintStrength 0
TintRed 1
TintGreen 1
TintBlue 1
BlurSegs 100
sRGBFrameBuffer 1
AnamorphicDOF 0
ThreeD 0
Projection "Perspective"
Parallax 0
END
SETTINGS

now() { date +%s.%N; }
median() { sort -g | sed -n 2p; }

echo "Ctrl-C to orrelux-render:"
for run in 1 2 3; do
    "$render" "$work/big.lws" --settings "$work/huge.cfg" -o "$work/frame_####.exr" \
        --frames 12 -q &
    pid=$!
    sleep 1
    asked=$(now)
    kill -INT "$pid"
    status=0
    wait "$pid" || status=$?
    stopped=$(now)
    left=$(ls "$work" | grep -c '^frame_' || true)
    echo "  run $run: $(echo "$stopped - $asked" | bc) s, exit status $status, $left frame files"
    echo "$stopped - $asked" | bc >>"$work/interrupt.times"
done
echo "  median $(median <"$work/interrupt.times") s"

echo "Cancel in the settings panel:"
"$render" panel "$work/huge.cfg" --scene "$work/big.lws" >"$work/panel.out" &
server=$!
for _ in $(seq 100); do
    grep -q token= "$work/panel.out" 2>/dev/null && break
    sleep 0.1
done
address=$(grep -o 'http://[^ ]*' "$work/panel.out")
base=${address%%/\?*}
token=${address##*token=}
api() {
    curl -s -H "X-Orrelux-Token: $token" -H "Content-Type: application/json" "$@"
}
for run in 1 2 3; do
    api -X POST -d '{"frame": 12}' "$base/api/render" >/dev/null
    sleep 1
    asked=$(now)
    api -X POST -d '{}' "$base/api/render/cancel" >/dev/null
    until api "$base/api/render" | grep -q '"state":"cancelled"'; do
        sleep 0.02
    done
    stopped=$(now)
    echo "  run $run: $(echo "$stopped - $asked" | bc) s"
    echo "$stopped - $asked" | bc >>"$work/cancel.times"
done
echo "  median $(median <"$work/cancel.times") s"
