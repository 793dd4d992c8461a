#!/usr/bin/env bash
# Runs every libFuzzer target of the host build for a bounded time.
# Usage: scripts/fuzz.sh [total-seconds] [target...]
#   total-seconds: 60 by default, shared among the targets; targets: the named
#   ones (bump_fuzz, say), by default every one built
# New inputs go to build/fuzz-corpus/; the seeds in tests/fuzz/corpus/ stay as they are.
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$ROOT/build"
total=${1:-60}
[ $# -eq 0 ] || shift
targets=("$BUILD"/host/*_fuzz)
[ $# -eq 0 ] || targets=("${@/#/$BUILD/host/}")
[ -x "${targets[0]}" ] || { echo "fuzz: 0 passed, 1 failed (no targets built)"; exit 1; }
each=$((total / ${#targets[@]}))
[ "$each" -ge 5 ] || each=5
passed=0
failed=0
for target in "${targets[@]}"; do
    name=$(basename "$target")
    mkdir -p "$BUILD/fuzz-corpus/$name" "$ROOT/tests/fuzz/corpus/$name"
    if (cd "$BUILD/fuzz-corpus" && "$target" -max_total_time="$each" -timeout=5 \
        "$BUILD/fuzz-corpus/$name" "$ROOT/tests/fuzz/corpus/$name" >"$BUILD/fuzz-corpus/$name.log" 2>&1); then
        runs=$(grep -oE 'Done [0-9]+ runs' "$BUILD/fuzz-corpus/$name.log" | grep -oE '[0-9]+')
        echo "PASS $name ($runs runs in ${each}s)"
        passed=$((passed + 1))
    else
        echo "FAIL $name; see $BUILD/fuzz-corpus/$name.log"
        grep -E 'ERROR|SUMMARY|runtime error' "$BUILD/fuzz-corpus/$name.log" | head -n 5
        failed=$((failed + 1))
    fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
