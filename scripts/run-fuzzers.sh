#!/bin/sh
# Usage: run-fuzzers.sh BUILD_DIR SECONDS [TARGET...]. Runs each fuzz target (all of them when none
# is named) over a scratch copy of its corpus for SECONDS seconds; a crash, hang, leak or
# out-of-memory stops the run and leaves its reproducer in fuzz/crashes/<name>/. Every finished
# target adds a line of figures to BUILD_DIR/fuzz-work/summary.txt.
set -eu
# Absolute, because some targets change the current directory as the program does.
build_dir=$(cd "$1" && pwd)
seconds=$2
shift 2
root=$(cd "$(dirname "$0")/.." && pwd)

if [ "$#" -eq 0 ]; then
    set -- $(for binary in "$build_dir"/fuzz/fuzz_*; do
        [ -f "$binary" ] && [ -x "$binary" ] && basename "$binary" | sed 's/^fuzz_//'
    done)
fi

mkdir -p "$build_dir/fuzz-work"
summary="$build_dir/fuzz-work/summary.txt"
for name in "$@"; do
    binary="$build_dir/fuzz/fuzz_$name"
    work="$build_dir/fuzz-work/$name"
    crashes="$root/fuzz/crashes/$name"
    mkdir -p "$work" "$crashes"
    [ -d "$root/fuzz/corpus/$name" ] && cp -rn "$root/fuzz/corpus/$name/." "$work/"
    # Files the reader must refuse make good seeds too: each takes a check to its edge.
    [ -d "$root/fuzz/corpus/$name-refused" ] && cp -rn "$root/fuzz/corpus/$name-refused/." "$work/"
    echo "== $name: $seconds s"
    log="$build_dir/fuzz-work/$name.log"
    before=$(ls "$crashes" | wc -l)
    status=0
    QT_QPA_PLATFORM=offscreen LSAN_OPTIONS="suppressions=$root/tests/lsan.supp" \
        "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$crashes/" -print_final_stats=1 "$work" >"$log" 2>&1 || status=$?
    tail -n 15 "$log"
    if [ "$status" -ne 0 ]; then
        echo "== $name found a fault; reproducer in $crashes/ (full log: $log)"
        exit "$status"
    fi
    # Reproducers a run left without failing (a target that ran work in a child process).
    findings=$(($(ls "$crashes" | wc -l) - before))
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    features=$(grep -o 'ft: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    echo "$name seconds=$seconds executions=$runs features=${features:-?} corpus=$(ls "$work" | wc -l) findings=$findings" >>"$summary"
done
