#!/usr/bin/env bash
# CTest's emulator for the Windows builds: runs one test exe under Wine, in the
# project's prefix, on the display of its fixture (scripts/fixture.sh).
#
#   wine-test.sh x86_64|i686 STATE-DIR EXE [ARGUMENT...]
#   wine-test.sh i686 --can-run    exit 0 where 32-bit programs run; elsewhere
#                                  the reason, and the skip code 77
#
# WINE_TEST_SCREEN names the display: xvfb (the default) or two-monitors.
# Listing the cases (--gtest_list_tests, when CTest discovers them before the
# fixtures start) needs no display.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ARCH=$1
shift
if [ "$ARCH" = i686 ]; then
    LOADER=$WINE32
else
    LOADER=$WINE64
fi
if [ "${1:-}" = --can-run ]; then
    reason=$(no_32bit_reason) || exit 0
    echo "skipped: $reason"
    exit 77
fi
STATE=$1
shift
mkdir -p "$STATE"
# Wine, like 64-bit Windows, swallows an exception raised in a callback (a hook,
# a window procedure) and lets the program go on; its one error line is the
# only trace, and the tests' FAIL_REGULAR_EXPRESSION fails the case on it.
export WINEDEBUG=-all,err+seh

if [[ " $* " == *" --gtest_list_tests "* ]]; then
    ensure_prefix >&2 || exit 1
    # Wine's services, started by the first program, keep its output open; a
    # file, not CTest's pipe, and the list in plain lines.
    out="$STATE/list.out"
    "$LOADER" "$@" </dev/null >"$out" 2>"$out.err"
    rc=$?
    cat "$out.err" >&2
    tr -d '\r' <"$out"
    exit $rc
fi

SCREEN=${WINE_TEST_SCREEN:-xvfb}
if ! DISPLAY=$(cat "$STATE/$SCREEN.display" 2>/dev/null); then
    echo "no $SCREEN display: run the test through ctest, whose fixture starts it" >&2
    exit 1
fi
export DISPLAY

# One Wine server for the cases, its desktop on this case's display. It starts
# afresh for another display, and after a case that did not get to the end (a
# time-out kills the case, not what it started). The lock's descriptor is not
# passed on: the Wine server would hold the lock for as long as it runs.
start_server() {
    local marker stale=
    for marker in "$STATE"/running.*; do
        [ -e "$marker" ] || continue
        kill -0 "${marker##*.}" 2>/dev/null && continue
        stale=1
        rm -f "$marker"
    done
    [ -z "$stale" ] && [ "$(cat "$STATE/wineserver.screen" 2>/dev/null)" = "$SCREEN" ] && return
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    "$WINESERVER" -p </dev/null >/dev/null 2>&1 9>&-
    # Wine's services and desktop start with the first program and keep its
    # output open: they get none of a case's, so CTest sees each case end.
    "$LOADER" "$EXE" --gtest_list_tests </dev/null >/dev/null 2>&1 9>&-
    echo "$SCREEN" >"$STATE/wineserver.screen"
}
EXE=$1
exec 9>"$STATE/wineserver.lock"
flock 9
start_server
exec 9>&-

touch "$STATE/running.$$"
"$LOADER" "$@"
rc=$?
rm -f "$STATE/running.$$"
exit $rc
