#!/usr/bin/env bash
# Runs every test: host-native rules under ASan/UBSan and their fuzz targets
# (about a minute in all), the Win32 tests of both
# builds under Wine, and the black-box harness against the real EdgeWarden.exe.
# Tests always run on a private Xvfb, since they move the pointer.
#
#   scripts/test.sh                      every layer once
#   scripts/test.sh LAYER...             the named layers once
#   scripts/test.sh --repeat N LAYER...  the named layers (or all) N times, a
#                                        summary line per round and the total
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ROUNDS=1
if [ "${1:-}" = "--repeat" ]; then
    ROUNDS=${2:-}
    shift 2 || true
    if ! [[ "$ROUNDS" =~ ^[1-9][0-9]*$ ]]; then
        echo "usage: scripts/test.sh [--repeat N] [LAYER...]" >&2
        exit 2
    fi
fi
SELECTED=("$@")

# Every layer, in order: one run_layer call each. With LISTING set, the calls
# only collect the names.
all_layers() {
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        run_layer native 300 "$BUILD/host/edgewarden_native_tests"
    run_layer tsan 120 "$BUILD/host/edgewarden_tsan_tests"
    run_layer fuzz 300 "$ROOT/scripts/fuzz.sh" 60
    run_layer win32-x86_64 600 "$WINE64" "$BUILD/x86_64/edgewarden_win_tests.exe"
    run_layer win32-i686 600 "$WINE32" "$BUILD/i686/edgewarden_win_tests.exe"
    run_layer blackbox-x86_64 900 "$WINE64" "$BUILD/x86_64/edgewarden_blackbox.exe"
    EDGEWARDEN_EXE="$I686_EXE" \
        run_layer blackbox-i686 300 "$WINE64" "$BUILD/x86_64/edgewarden_blackbox.exe" \
        --gtest_filter='BlackBox.FirstStart*:BlackBox.SecondHidden*:Bump.BumpHolds*:Hide.MoveToCorner*:Harness.*'
}

LISTING=1
I686_EXE=
KNOWN=()
SUMMARY_LINE='^[a-z0-9-]+: [0-9]+ passed, [0-9]+ failed$'

# The FAIL lines of a log, each with the lines under it that say where it failed.
print_failures() {
    awk '/^FAIL /{shown = 1; print; next} shown && /^    /{print; next} {shown = 0}' "$1"
}

run_layer() { # name seconds command...
    local name=$1 seconds=$2
    shift 2
    if [ -n "$LISTING" ]; then
        KNOWN+=("$name")
        return
    fi
    [ ${#SELECTED[@]} -eq 0 ] || [[ " ${SELECTED[*]} " == *" $name "* ]] || return
    log "$name"
    # Each layer starts on a fresh Wine server: nothing a layer left running
    # (after a time-out, say) reaches the next one.
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    # Straight into the file, not through a pipe: a process the layer leaves
    # behind could hold a pipe open, and the run would wait for it for ever.
    local out="$LOGS/$name.log"
    # In the background, so that an interrupt ends the layer at once (the trap
    # on INT and TERM).
    timeout --kill-after=10 "$seconds" "$@" >"$out" 2>&1 &
    LAYER_PID=$!
    wait "$LAYER_PID"
    local rc=$?
    LAYER_PID=
    # Wine's console writes CRLF; the logs keep plain lines.
    sed -i 's/\r//g' "$out"
    print_failures "$out"
    if ! grep -qE "$SUMMARY_LINE" "$out"; then
        local why="exit $rc"
        [ $rc -eq 124 ] || [ $rc -eq 137 ] && why="timed out after $seconds s"
        echo "$name: did not finish ($why); see $out"
        tail -n 20 "$out"
        echo "$name: $(grep -c '^PASS ' "$out") passed, $(($(grep -c '^FAIL ' "$out") + 1)) failed" >>"$out"
    elif [ $rc -ne 0 ] && grep -E "$SUMMARY_LINE" "$out" | tail -n 1 | grep -q ' 0 failed$'; then
        echo "$name: all passed, yet it ended with exit $rc; see $out"
        echo "$name: $(grep -c '^PASS ' "$out") passed, 1 failed" >>"$out"
    fi
}

all_layers
for name in "${SELECTED[@]}"; do
    if [[ " ${KNOWN[*]} " != *" $name "* ]]; then
        echo "unknown layer: $name (layers: ${KNOWN[*]})" >&2
        exit 2
    fi
done
LISTING=

ensure_packages
log "building host tests"
build_config host "" Debug -DCMAKE_CXX_COMPILER=clang++ || exit 1
build_windows || exit 1

LAYER_PID=
trap stop_wine_and_xvfb EXIT
trap 'echo "interrupted" >&2; [ -z "$LAYER_PID" ] || kill "$LAYER_PID" 2>/dev/null; exit 130' INT TERM
start_xvfb || exit 1
ensure_prefix
I686_EXE=$(winepath -w "$BUILD/i686/EdgeWarden.exe" 2>/dev/null)

# Prints a line per layer log in $1 and the round's total; sets PASSED and FAILED.
summarize() {
    PASSED=0
    FAILED=0
    local f line p n
    for f in "$1"/*.log; do
        line=$(grep -E "$SUMMARY_LINE" "$f" | tail -n 1)
        p=$(sed -E 's/.*: ([0-9]+) passed.*/\1/' <<<"$line")
        n=$(sed -E 's/.* ([0-9]+) failed$/\1/' <<<"$line")
        printf '%-16s %4d passed, %d failed\n' "$(basename "$f" .log)" "$p" "$n"
        PASSED=$((PASSED + p))
        FAILED=$((FAILED + n))
    done
}

ROOT_LOGS="$BUILD/test-logs"
rm -rf "$ROOT_LOGS" && mkdir -p "$ROOT_LOGS"
if [ "$ROUNDS" -eq 1 ]; then
    LOGS="$ROOT_LOGS"
    all_layers
    echo
    echo "== summary"
    summarize "$LOGS"
    echo "$PASSED passed, $FAILED failed"
    [ "$FAILED" -eq 0 ]
    exit
fi

TOTAL_PASSED=0
TOTAL_FAILED=0
FAILED_ROUNDS=()
for round in $(seq "$ROUNDS"); do
    LOGS="$ROOT_LOGS/round-$round"
    mkdir -p "$LOGS"
    all_layers >"$ROOT_LOGS/round-$round.txt"
    summarize "$LOGS" >/dev/null
    echo "round $round/$ROUNDS: $PASSED passed, $FAILED failed"
    { print_failures "$ROOT_LOGS/round-$round.txt"; grep -E ': (did not finish|all passed, yet)' \
        "$ROOT_LOGS/round-$round.txt"; } | sed 's/^/    /'
    TOTAL_PASSED=$((TOTAL_PASSED + PASSED))
    TOTAL_FAILED=$((TOTAL_FAILED + FAILED))
    [ "$FAILED" -eq 0 ] || FAILED_ROUNDS+=("$round")
done
echo
echo "== $ROUNDS rounds of ${SELECTED[*]:-every layer}: $TOTAL_PASSED passed, $TOTAL_FAILED failed" \
    "(rounds with a failure: ${FAILED_ROUNDS[*]:-none}); logs in $ROOT_LOGS/round-N/"
[ "$TOTAL_FAILED" -eq 0 ]
