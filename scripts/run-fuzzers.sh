#!/bin/sh
# Usage: run-fuzzers.sh BUILD_DIR SECONDS. Runs each fuzz target over a scratch copy of its corpus
# for SECONDS seconds; a crash stops the run and leaves its reproducer in fuzz/crashes/<name>/.
set -eu
build_dir=$1
seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)

for binary in "$build_dir"/fuzz/fuzz_*; do
    [ -x "$binary" ] || continue
    name=$(basename "$binary" | sed 's/^fuzz_//')
    work="$build_dir/fuzz-work/$name"
    crashes="$root/fuzz/crashes/$name"
    mkdir -p "$work" "$crashes"
    [ -d "$root/fuzz/corpus/$name" ] && cp -rn "$root/fuzz/corpus/$name/." "$work/"
    echo "== $name: $seconds s"
    log="$build_dir/fuzz-work/$name.log"
    status=0
    QT_QPA_PLATFORM=offscreen "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$crashes/" -print_final_stats=1 "$work" >"$log" 2>&1 || status=$?
    tail -n 15 "$log"
    if [ "$status" -ne 0 ]; then
        echo "== $name found a fault; reproducer in $crashes/ (full log: $log)"
        exit "$status"
    fi
done
