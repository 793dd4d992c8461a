#!/usr/bin/env bash
# Runs every test: host-native rules under ASan/UBSan and their fuzz targets
# (about a minute in all), the Win32 tests of both
# builds under Wine, and the black-box harness against the real EdgeWarden.exe.
# Tests always run on a private Xvfb, since they move the pointer.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages
log "building host tests"
build_config host "" Debug -DCMAKE_CXX_COMPILER=clang++ || exit 1
build_windows || exit 1

LOGS="$BUILD/test-logs"
rm -rf "$LOGS" && mkdir -p "$LOGS"
trap stop_wine_and_xvfb EXIT
start_xvfb || exit 1
ensure_prefix

FAILED_LAYERS=0
run_layer() { # name seconds command...
    local name=$1 seconds=$2
    shift 2
    log "$name"
    # Wine's console writes CRLF; the logs keep plain lines.
    timeout --kill-after=10 "$seconds" "$@" 2>&1 | tr -d '\r' >"$LOGS/$name.log"
    local rc=${PIPESTATUS[0]}
    grep -E '^(PASS|FAIL) ' "$LOGS/$name.log" | grep -v '^PASS ' || true
    if ! grep -qE '^[a-z0-9-]+: [0-9]+ passed, [0-9]+ failed$' "$LOGS/$name.log"; then
        echo "$name: did not finish (exit $rc); see $LOGS/$name.log"
        tail -n 20 "$LOGS/$name.log"
        echo "$name: 0 passed, 1 failed" >>"$LOGS/$name.log"
    fi
    [ $rc -eq 0 ] || FAILED_LAYERS=$((FAILED_LAYERS + 1))
}

ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    run_layer native 300 "$BUILD/host/edgewarden_native_tests"
run_layer tsan 120 "$BUILD/host/edgewarden_tsan_tests"
run_layer fuzz 300 "$ROOT/scripts/fuzz.sh" 60
run_layer win32-x86_64 600 "$WINE64" "$BUILD/x86_64/edgewarden_win_tests.exe"
run_layer win32-i686 600 "$WINE32" "$BUILD/i686/edgewarden_win_tests.exe"
wineserver -k >/dev/null 2>&1
run_layer blackbox-x86_64 900 "$WINE64" "$BUILD/x86_64/edgewarden_blackbox.exe" --gtest_filter='-TwoMonitors.*'
EDGEWARDEN_EXE="$(winepath -w "$BUILD/i686/EdgeWarden.exe" 2>/dev/null)" \
    run_layer blackbox-i686 300 "$WINE64" "$BUILD/x86_64/edgewarden_blackbox.exe" \
    --gtest_filter='BlackBox.FirstStart*:BlackBox.SecondHidden*:Bump.BumpHolds*:Hide.MoveToCorner*'
# The same harness on a desktop of two monitors.
wineserver -k >/dev/null 2>&1
wineserver -w >/dev/null 2>&1
start_two_monitors || exit 1
run_layer blackbox-two-monitors 300 "$WINE64" "$BUILD/x86_64/edgewarden_blackbox.exe" \
    --gtest_filter='TwoMonitors.*'

echo
echo "== summary"
passed=0
failed=0
for f in "$LOGS"/*.log; do
    line=$(grep -E '^[a-z0-9-]+: [0-9]+ passed, [0-9]+ failed$' "$f" | tail -n 1)
    name=$(basename "$f" .log)
    p=$(sed -E 's/.*: ([0-9]+) passed.*/\1/' <<<"$line")
    n=$(sed -E 's/.* ([0-9]+) failed$/\1/' <<<"$line")
    printf '%-16s %4d passed, %d failed\n' "$name" "$p" "$n"
    passed=$((passed + p))
    failed=$((failed + n))
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$FAILED_LAYERS" -eq 0 ]
