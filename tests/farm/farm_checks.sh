# What the farm tests share: the reference frames of one local render and the
# checks of a farm's output against them. Sourced by the tests, which set
# `render`, `scene` and `work` first.

FRAMES=24 # the example scene's range: 1 to 24

# The example names no star database: the module takes its default one,
# which set-up builds beside it. Without it every frame fails.
database=$(dirname "$render")/../plugins/hipparcos3D.stars
[ -f "$database" ] || {
    echo "SKIPPED: set-up has not made the default star database $database" \
        "(scripts/setup.sh builds it)" >&2
    exit "$SKIPPED"
}

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

frame_name() {
    printf 'o_%04d.exr\n' "$1"
}

# Renders the reference frames into $work/$1 in one local process, with the
# renderer options that follow.
render_reference() {
    local folder=$work/$1
    shift
    "$render" "$scene" -o "$folder/o_####.exr" --quiet "$@" ||
        { echo "the local reference render failed" >&2; exit 1; }
}

# Checks that folder $1 holds every frame once, each the same bytes as in the
# reference folder $2, and nothing else: no other file, no unfinished one.
same_frames() {
    local out=$1 reference=$2 frame name
    local expected
    expected=$(for ((frame = 1; frame <= FRAMES; frame++)); do frame_name "$frame"; done)
    local found
    found=$(cd "$out" && find . -maxdepth 1 -type f -printf '%f\n' | sort)
    [ "$found" = "$expected" ] || fail "$out holds other files than the $FRAMES frames:" \
        "$(diff <(echo "$expected") <(echo "$found") | grep '^[<>]' | tr '\n' ' ')"
    for ((frame = 1; frame <= FRAMES; frame++)); do
        name=$(frame_name "$frame")
        [ -f "$out/$name" ] && ! cmp -s "$out/$name" "$reference/$name" &&
            fail "$out/$name differs from the local render's"
    done
}

# The frames of folder $1 after a stopped share: every file there is a
# whole frame, the same bytes as the reference's in $2. Prints the missing
# frame numbers, one a line.
whole_frames_and_missing() {
    local out=$1 reference=$2 frame name file
    for file in "$out"/*; do
        name=${file##*/}
        [ -f "$file" ] || continue
        if [[ ! $name =~ ^o_[0-9]{4}\.exr$ ]]; then
            fail "a stopped render left $name behind"
        elif ! cmp -s "$file" "$reference/$name"; then
            fail "$name, left by a stopped render, is not the whole frame"
        fi
    done
    for ((frame = 1; frame <= FRAMES; frame++)); do
        [ -f "$out/$(frame_name "$frame")" ] || echo "$frame"
    done
}

# A value of a report, as jq prints it compactly.
report_value() {
    jq -c "$2" "$1" 2>/dev/null || echo "(no report $1)"
}

# The test's result: 0 when nothing failed.
finish_checks() {
    if [ "$failures" -gt 0 ]; then
        echo "$failures checks failed" >&2
        return 1
    fi
    echo "all checks passed"
}

# The shares farm/failed-chunks names for reports folder $1 of $2 shares.
farm_failed() {
    "$source_dir/farm/failed-chunks" "$1" "$2" 2>/dev/null
}
