#!/bin/bash
# GNU parallel renders the example scene in 4 shares, two at a time on this
# machine; the frames must be the bytes a local render makes. A second run
# has one share's renderer stopped mid-frame: it must leave no partial
# frame, and running again with --resume-failed must render exactly the
# frames that are missing.
#
#   parallel_farm_test.sh ORRELUX_RENDER SOURCE_DIR
set -uo pipefail

SKIPPED=77
render=$(realpath "$1")
source_dir=$(realpath "$2")
scene=$source_dir/examples/orion_pan.lws
# shellcheck source=farm_checks.sh
. "$source_dir/tests/farm/farm_checks.sh"

for tool in parallel jq; do
    command -v "$tool" >/dev/null || {
        echo "SKIPPED: $tool is not installed (scripts/setup.sh installs parallel and jq)" >&2
        exit "$SKIPPED"
    }
done

work=$(mktemp -d /tmp/orrelux-parallel-XXXXXX)
mark="ORRELUX_PARALLEL_TEST=$work"
marked_pids() {
    grep -lzxF "$mark" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3
}
renderers() {
    ps -C orrelux-render,parallel -o pid=,pgid=,etime=,args= | grep -F "$work"
}
echo "processes before the test:"
renderers || echo "  (none)"
cleanup() {
    local status=$? pids
    trap - EXIT INT TERM
    pids=$(marked_pids)
    # shellcheck disable=SC2086
    [ -z "$pids" ] || kill -KILL $pids 2>/dev/null
    echo "processes after the test:"
    renderers || echo "  (none)"
    if [ -n "$pids" ]; then
        echo "FAIL: processes of the test were left: $pids" >&2
        status=1
    fi
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

echo : >"$work/hosts"
export PARALLEL="--jobs 2"
farm() {
    env "$mark" ORRELUX_RENDER="$render" "$source_dir/farm/orrelux-parallel" "$work/hosts" 4 \
        "$scene" "$@"
}

render_reference small --size 160x90
farm "$work/whole/o_####.exr" --size 160x90 --quiet || fail "the parallel run failed"
same_frames "$work/whole" "$work/small"
[ "$(farm_failed "$work/whole/reports" 4)" = "" ] || fail "a share of the whole run is not complete"

# Share 1's renderer is stopped once it has written a frame: it is then in
# the middle of its next one.
render_reference big --size 960x540 --depth half --jobs 2
farm "$work/cut/o_####.exr" --size 960x540 --depth half --quiet &
run=$!
deadline=$((SECONDS + 60))
until [ -f "$work/cut/o_0007.exr" ]; do
    [ "$SECONDS" -lt "$deadline" ] || { fail "share 1 wrote no frame within 60 s"; exit 1; }
    sleep 0.05
done
for pid in $(marked_pids); do
    if [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = orrelux-render ] &&
        tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qF -- "--chunk 1/4 "; then
        kill -TERM "$pid"
    fi
done
wait "$run"
[ $? = 1 ] || fail "parallel did not count one failed share"
share1=$work/cut/reports/chunk-1-of-4.json
[ "$(report_value "$share1" '[.interrupted, .exit_status, .complete]')" = "[true,143,false]" ] ||
    fail "the stopped share's report: $(report_value "$share1" .)"
missing=$(whole_frames_and_missing "$work/cut" "$work/big")
[ -n "$missing" ] || fail "the stop came too late: share 1 had finished"
[ "$(farm_failed "$work/cut/reports" 4)" = 1 ] ||
    fail "failed-chunks names $(farm_failed "$work/cut/reports" 4), not share 1"

PARALLEL="--jobs 2 --resume-failed" farm "$work/cut/o_####.exr" --size 960x540 --depth half \
    --quiet || fail "the resumed run failed"
written=$(report_value "$share1" '[.written[].frame] | .[]')
[ "$(echo $written)" = "$(echo $missing)" ] ||
    fail "the resumed share wrote frames $(echo $written), not the missing $(echo $missing)"
same_frames "$work/cut" "$work/big"
[ "$(farm_failed "$work/cut/reports" 4)" = "" ] || fail "shares are still incomplete"
finish_checks
