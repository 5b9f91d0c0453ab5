#!/bin/sh
# Usage: fuzz-runner.sh RUN_FUZZERS_SCRIPT. The runner takes the fuzz executables of a build folder
# and nothing else there: not the *_autogen folders CMake puts beside them.
set -eu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/scripts" "$work/build/fuzz/fuzz_fake_autogen"
cp "$1" "$work/scripts/run-fuzzers.sh"
printf '#!/bin/sh\necho stat::number_of_executed_units: 1\n' >"$work/build/fuzz/fuzz_fake"
chmod +x "$work/build/fuzz/fuzz_fake"
sh "$work/scripts/run-fuzzers.sh" "$work/build" 1 >/dev/null
grep -q '^fake seconds=1 executions=1 ' "$work/build/fuzz-work/summary.txt"
[ "$(ls "$work/fuzz/crashes")" = fake ]
