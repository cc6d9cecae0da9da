#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang into build-fuzz/ (or
# $FUZZ_BUILD_DIR) and runs each for a bounded time, $FUZZ_JOBS at a time.
#
#   scripts/fuzz.sh [seconds per target] [target...]
#
# Each target starts from its seed corpus and regression inputs and keeps what
# it finds in build-fuzz/fuzz-runs/corpus/<target>, so a later run continues
# from there. A failing input is left as build-fuzz/fuzz-runs/<target>-crash-*;
# the script then fails and names it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-15}
shift || true
jobs=${FUZZ_JOBS:-$(nproc)}

cmake -S "$root" -B "$dir" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DORRELUX_FUZZ=ON -DORRELUX_TESTS=OFF -DORRELUX_BENCHMARKS=OFF >/dev/null
cmake --build "$dir" -j"$(nproc)" --target fuzzers

if [ "$#" -gt 0 ]; then
    targets=("$@")
else
    targets=()
    for seeds in "$root"/fuzz/corpus/*/; do
        targets+=("$(basename "$seeds")")
    done
fi

runs="$dir/fuzz-runs"
mkdir -p "$runs"

# One target: its log ends with libFuzzer's final statistics. The memory
# limit holds the largest frame a reader may allocate (2 GiB of float RGBA)
# with its AddressSanitizer shadow and the fuzzer's own corpus.
run_one() {
    local target=$1
    local inputs=("$runs/corpus/$target" "$root/fuzz/corpus/$target")
    mkdir -p "$runs/corpus/$target"
    if [ -d "$root/fuzz/regressions/$target" ]; then
        inputs+=("$root/fuzz/regressions/$target")
    fi
    if "$dir/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=4096 \
        -print_final_stats=1 -artifact_prefix="$runs/$target-" "${inputs[@]}" \
        >"$runs/$target.log" 2>&1; then
        echo "fuzz: $target clean: $(grep -E '^#[0-9]+.* cov: ' "$runs/$target.log" | tail -1)"
    else
        echo "fuzz: $target FAILED; see $runs/$target.log and $runs/$target-*" >&2
        return 1
    fi
}

status=0
running=0
pids=()
for target in "${targets[@]}"; do
    run_one "$target" &
    pids+=($!)
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n || status=1
        running=$((running - 1))
    fi
done
while [ "$running" -gt 0 ]; do
    wait -n || status=1
    running=$((running - 1))
done
exit "$status"
