#!/usr/bin/env bash
# Runs every test: host-native rules under ASan/UBSan and their fuzz targets
# (about a minute in all), the Win32 tests of both
# builds under Wine, the black-box harness against the real EdgeWarden.exe, and
# the lint layer (format, strict warnings, clang-tidy; about two minutes).
# Tests always run on a private Xvfb, since they move the pointer; the lint layer
# named alone runs without builds, Wine or Xvfb.
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
    run_32bit_layer win32-i686 600 "$WINE32" "$BUILD/i686/edgewarden_win_tests.exe"
    run_layer blackbox-x86_64 900 "$WINE64" "$BUILD/x86_64/edgewarden_blackbox.exe" \
        --gtest_filter='-TwoMonitors.*'
    EDGEWARDEN_EXE="$I686_EXE" \
        run_32bit_layer blackbox-i686 300 "$WINE64" "$BUILD/x86_64/edgewarden_blackbox.exe" \
        --gtest_filter='BlackBox.FirstStart*:BlackBox.SecondHidden*:Bump.BumpHolds*:Hide.MoveToCorner*:Harness.*'
    # The same harness on a desktop of two monitors.
    DISPLAY="$TWO_MONITORS" \
        run_layer blackbox-two-monitors 300 "$WINE64" "$BUILD/x86_64/edgewarden_blackbox.exe" \
        --gtest_filter='TwoMonitors.*'
    run_layer lint 600 "$ROOT/scripts/lint.sh"
}

LISTING=1
I686_EXE=
TWO_MONITORS=
KNOWN=()
FAILED_LAYERS=0
SUMMARY_LINE='^[a-z0-9_-]+: [0-9]+ passed, [0-9]+ failed$'
# Wine, like 64-bit Windows, swallows an exception raised in a callback (a hook,
# a window procedure) and lets the program go on; its one error line is the only
# trace, and fails the layer.
export WINEDEBUG=-all,err+seh

# The FAIL lines of a log, each with the lines under it that say where it failed.
print_failures() {
    awk '/^FAIL /{shown = 1; print; next} shown && /^    /{print; next} {shown = 0}' "$1"
}

# "passed failed" of a log: its last summary line, or its PASS and FAIL lines
# when the layer did not get that far.
layer_counts() {
    local line
    line=$(grep -E "$SUMMARY_LINE" "$1" | tail -n 1)
    if [ -n "$line" ]; then
        sed -E 's/.*: ([0-9]+) passed, ([0-9]+) failed$/\1 \2/' <<<"$line"
    else
        echo "$(grep -c '^PASS ' "$1") $(grep -c '^FAIL ' "$1")"
    fi
}

# Appends a summary line with `count` more failures to the log.
add_failures() { # log name count
    local counts
    read -ra counts <<<"$(layer_counts "$1")"
    echo "$2: ${counts[0]} passed, $((counts[1] + $3)) failed" >>"$1"
}

# The tests during which Wine ignored an exception, each with how often.
swallowed_exceptions() {
    awk '/^\[ RUN      \] /{test = $4}
        /ignoring exception/ {if (!(test in count)) order[++tests] = test; count[test]++}
        END {for (i = 1; i <= tests; i++) {
            n = count[order[i]]; print "    during " order[i] " (" n (n == 1 ? " time)" : " times)")}}' "$1"
}

# A layer that runs 32-bit programs; where this machine runs none, it is
# skipped with the reason, and the summary counts it as skipped.
run_32bit_layer() { # name seconds command...
    if [ -n "$LISTING" ] || [ -n "$RUNS_32BIT" ]; then
        run_layer "$@"
        return
    fi
    [ ${#SELECTED[@]} -eq 0 ] || [[ " ${SELECTED[*]} " == *" $1 "* ]] || return
    log "$1"
    echo "$1: skipped: $NO_32BIT_REASON" | tee "$LOGS/$1.log"
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
    if [ -n "$DESKTOP" ]; then
        wineserver -k >/dev/null 2>&1
        wineserver -w >/dev/null 2>&1
    fi
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
    [ $rc -eq 0 ] || FAILED_LAYERS=$((FAILED_LAYERS + 1))
    # Wine's console writes CRLF; the logs keep plain lines.
    sed -i 's/\r//g' "$out"
    print_failures "$out"
    if ! grep -qE "$SUMMARY_LINE" "$out"; then
        local why="exit $rc"
        [ $rc -eq 124 ] || [ $rc -eq 137 ] && why="timed out after $seconds s"
        echo "$name: did not finish ($why); see $out"
        tail -n 20 "$out"
        add_failures "$out" "$name" 1
    elif [ $rc -ne 0 ] && [[ "$(layer_counts "$out")" == *" 0" ]]; then
        echo "$name: all passed, yet it ended with exit $rc; see $out"
        add_failures "$out" "$name" 1
    fi
    local swallowed
    swallowed=$(swallowed_exceptions "$out")
    if [ -n "$swallowed" ]; then
        echo "$name: Wine ignored an exception in a callback; see $out"
        echo "$swallowed"
        add_failures "$out" "$name" "$(wc -l <<<"$swallowed")"
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

# Layers that need neither the builds nor Wine and Xvfb; when only they are
# named, none of that is set up.
NO_DESKTOP_LAYERS=" lint "
DESKTOP=1
if [ ${#SELECTED[@]} -gt 0 ]; then
    DESKTOP=
    for name in "${SELECTED[@]}"; do
        [[ "$NO_DESKTOP_LAYERS" == *" $name "* ]] || DESKTOP=1
    done
fi

LAYER_PID=
trap 'echo "interrupted" >&2; [ -z "$LAYER_PID" ] || kill "$LAYER_PID" 2>/dev/null; exit 130' INT TERM
if [ -n "$DESKTOP" ]; then
    ensure_packages
    log "building host tests"
    build_config host || exit 1
    build_windows || exit 1
    # Checked even where the 32-bit exe cannot run here.
    exe_imports x86_64 >/dev/null && exe_imports i686 >/dev/null || exit 1
    probe_32bit

    trap stop_wine_and_xvfb EXIT
    start_xvfb || exit 1
    SCREEN=$DISPLAY
    start_two_monitors || exit 1
    TWO_MONITORS=$DISPLAY
    export DISPLAY=$SCREEN
    ensure_prefix || exit 1
    I686_EXE=$(windows_path "$BUILD/i686/EdgeWarden.exe")
else
    ensure_packages $LINT_PACKAGES
fi

# Prints a line per layer log in $1; sets PASSED, FAILED and SKIPPED (layers) to
# the round's total.
summarize() {
    PASSED=0
    FAILED=0
    SKIPPED=0
    local f counts
    for f in "$1"/*.log; do
        if grep -qE '^[a-z0-9_-]+: skipped: ' "$f"; then
            printf '%-22s skipped: %s\n' "$(basename "$f" .log)" "$(sed -n 's/^[^:]*: skipped: //p' "$f")"
            SKIPPED=$((SKIPPED + 1))
            continue
        fi
        read -ra counts <<<"$(layer_counts "$f")"
        printf '%-22s %4d passed, %d failed\n' "$(basename "$f" .log)" "${counts[0]}" "${counts[1]}"
        PASSED=$((PASSED + counts[0]))
        FAILED=$((FAILED + counts[1]))
    done
}

# ", N skipped" after the counts, when layers were skipped.
skipped_note() { [ "$1" -eq 0 ] || echo ", $1 skipped"; }

ROOT_LOGS="$BUILD/test-logs"
rm -rf "$ROOT_LOGS" && mkdir -p "$ROOT_LOGS"
if [ "$ROUNDS" -eq 1 ]; then
    LOGS="$ROOT_LOGS"
    all_layers
    echo
    echo "== summary"
    summarize "$LOGS"
    echo "$PASSED passed, $FAILED failed$(skipped_note "$SKIPPED")"
    [ "$FAILED" -eq 0 ] && [ "$FAILED_LAYERS" -eq 0 ]
    exit
fi

TOTAL_PASSED=0
TOTAL_FAILED=0
TOTAL_SKIPPED=0
FAILED_ROUNDS=()
for round in $(seq "$ROUNDS"); do
    LOGS="$ROOT_LOGS/round-$round"
    mkdir -p "$LOGS"
    all_layers >"$ROOT_LOGS/round-$round.txt"
    summarize "$LOGS" >/dev/null
    echo "round $round/$ROUNDS: $PASSED passed, $FAILED failed$(skipped_note "$SKIPPED")"
    { print_failures "$ROOT_LOGS/round-$round.txt"; grep -E ': (did not finish|all passed, yet|Wine ignored)|^    during ' \
        "$ROOT_LOGS/round-$round.txt"; } | sed 's/^/    /'
    TOTAL_PASSED=$((TOTAL_PASSED + PASSED))
    TOTAL_FAILED=$((TOTAL_FAILED + FAILED))
    TOTAL_SKIPPED=$((TOTAL_SKIPPED + SKIPPED))
    [ "$FAILED" -eq 0 ] || FAILED_ROUNDS+=("$round")
done
echo
echo "== $ROUNDS rounds of ${SELECTED[*]:-every layer}: $TOTAL_PASSED passed, $TOTAL_FAILED failed$(skipped_note "$TOTAL_SKIPPED")" \
    "(rounds with a failure: ${FAILED_ROUNDS[*]:-none}); logs in $ROOT_LOGS/round-N/"
[ "$TOTAL_FAILED" -eq 0 ] && [ "$FAILED_LAYERS" -eq 0 ]
