#!/usr/bin/env bash
# Runs every test: host-native rules under ASan/UBSan and their fuzz targets
# (about a minute in all), the Win32 tests of both builds under Wine, the
# black-box harness against the real EdgeWarden.exe, the release built twice
# and compared (about two minutes), and the lint layer (format, strict
# warnings, clang-tidy, shellcheck; about two minutes). It installs what is
# missing, builds the presets of CMakePresets.json, and runs each layer with
# ctest, whose fixtures start the private Xvfb (the tests move the pointer), the
# two-monitor Xephyr and the Wine prefix, and stop them. The lint and release
# layers named alone run without the test builds, Wine or Xvfb.
#
#   scripts/test.sh                      every layer once
#   scripts/test.sh LAYER...             the named layers once
#   scripts/test.sh --repeat N LAYER...  the named layers (or all), each case
#                                        up to N times, until it fails
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

REPEAT=()
if [ "${1:-}" = "--repeat" ]; then
    ROUNDS=${2:-}
    shift 2 || true
    if ! [[ "$ROUNDS" =~ ^[1-9][0-9]*$ ]]; then
        echo "usage: scripts/test.sh [--repeat N] [LAYER...]" >&2
        exit 2
    fi
    REPEAT=(--repeat "until-fail:$ROUNDS")
fi
SELECTED=("$@")

# Every layer in the order it runs, with the build whose tests hold it.
LAYERS=(native:host tsan:host fuzz:host win32-x86_64:x86_64 win32-i686:i686 blackbox-x86_64:x86_64
    blackbox-i686:i686 blackbox-two-monitors:x86_64 release:host lint:host)
KNOWN=" ${LAYERS[*]%%:*} "
for name in "${SELECTED[@]}"; do
    if [[ "$KNOWN" != *" $name "* ]]; then
        echo "unknown layer: $name (layers:${KNOWN% })" >&2
        exit 2
    fi
done
selected() { [ ${#SELECTED[@]} -eq 0 ] || [[ " ${SELECTED[*]} " == *" $1 "* ]]; }

# Layers that need neither the builds nor Wine and Xvfb; when only they are
# named, none of that is set up.
NO_DESKTOP_LAYERS=" lint release "
DESKTOP=1
if [ ${#SELECTED[@]} -gt 0 ]; then
    DESKTOP=
    for name in "${SELECTED[@]}"; do
        [[ "$NO_DESKTOP_LAYERS" == *" $name "* ]] || DESKTOP=1
    done
fi

# What an interrupted ctest could not stop: its fixtures' cleanup did not run.
stop_fixtures() {
    local build what
    for build in x86_64 i686; do
        [ -d "$BUILD/$build/test-fixtures" ] || continue
        for what in two-monitors wine xvfb; do
            bash "$ROOT/scripts/fixture.sh" stop "$what" "$BUILD/$build/test-fixtures" >/dev/null 2>&1
        done
    done
}

CTEST_PID=
trap 'echo "interrupted" >&2; [ -z "$CTEST_PID" ] || kill "$CTEST_PID" 2>/dev/null; exit 130' INT TERM
if [ -n "$DESKTOP" ]; then
    ensure_packages "${PACKAGES[@]}"
    log "building host tests"
    build_config host || exit 1
    build_windows || exit 1
    # Checked even where the 32-bit exe cannot run here.
    exe_imports x86_64 >/dev/null && exe_imports i686 >/dev/null || exit 1
    trap stop_fixtures EXIT
else
    ensure_packages "${LINT_PACKAGES[@]}"
    configure_preset host >/dev/null || exit 1
fi

LOGS="$BUILD/test-logs"
rm -rf "$LOGS" && mkdir -p "$LOGS"

# The FAIL lines of a log, each with the lines under it that say where it failed,
# and ctest's line for each case that failed otherwise: a time-out, a crash,
# Wine's line for an ignored exception.
print_failures() {
    awk '/^FAIL /{shown = 1; print; next} shown && /^    /{print; next} {shown = 0}' "$1"
    sed -nE 's/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: ([^ ]+) \.*\*\*\*(Timeout|Exception|Not Run|Failed +[A-Z])/\1: \2/p' "$1" |
        sed -E 's/ +[0-9.]+ sec$//'
}

PASSED=0
FAILED=0
SKIPPED=0
SUMMARY=()
for entry in "${LAYERS[@]}"; do
    name=${entry%%:*}
    build=${entry#*:}
    selected "$name" || continue
    log "$name"
    out="$LOGS/$name.log"
    report="$LOGS/$name.xml"
    # In the background, so that an interrupt ends the layer at once (the trap
    # on INT and TERM); straight into the file, so that nothing left running
    # can hold the run up on a pipe.
    (cd "$ROOT" && exec ctest --preset "$build" -L "^$name\$" "${REPEAT[@]}" --output-junit "$report") \
        >"$out" 2>&1 &
    CTEST_PID=$!
    wait "$CTEST_PID"
    rc=$?
    CTEST_PID=
    # Wine's console writes CRLF; the logs keep plain lines.
    sed -i 's/\r//g' "$out"
    print_failures "$out"
    passed=0 failed=1 skipped=0
    if counts=$(ctest_counts "$out"); then
        read -r passed failed skipped <<<"$counts"
    else
        echo "$name: no summary from ctest (exit $rc); see $out"
        tail -n 20 "$out"
    fi
    if [ $rc -ne 0 ] && [ "$failed" -eq 0 ]; then
        echo "$name: ctest ended with exit $rc; see $out"
        tail -n 20 "$out"
        failed=1
    fi
    if [ "$skipped" -gt 0 ] && [ "$passed" -eq 0 ] && [ "$failed" -eq 0 ]; then
        # JUnit writes the skipped test's output, its reason, as XML text.
        reason=$(grep -o 'skipped: .*' "$report" | head -n 1 |
            sed 's/^skipped: //; s/&lt;/</g; s/&gt;/>/g; s/&quot;/"/g; s/&apos;/'"'"'/g; s/&amp;/\&/g')
        echo "$name: skipped: $reason"
        SUMMARY+=("$(printf '%-22s skipped: %s' "$name" "$reason")")
    else
        SUMMARY+=("$(printf '%-22s %4d passed, %d failed' "$name" "$passed" "$failed")")
    fi
    if [ "$name" = lint ]; then
        # A check of a file is no test: lint's own count, on a line of its own.
        if read -r _ checks_passed _ checks_failed _ < <(grep -oE 'lint: [0-9]+ passed, [0-9]+ failed' \
            "$report" 2>/dev/null | tail -n 1); then
            SUMMARY+=("$(printf '%-22s %4d passed, %d failed' "lint's checks" "$checks_passed" "$checks_failed")")
        else
            SUMMARY+=("$(printf '%-22s none counted; see %s' "lint's checks" "$out")")
        fi
    fi
    PASSED=$((PASSED + passed))
    FAILED=$((FAILED + failed))
    SKIPPED=$((SKIPPED + skipped))
done

echo
if [ ${#REPEAT[@]} -eq 0 ]; then
    echo "== summary"
else
    echo "== summary: each case run up to $ROUNDS times, until it failed"
fi
printf '%s\n' "${SUMMARY[@]}"
echo "logs in $LOGS/"
# Alone on its line, so that CI reads the count.
echo "$PASSED passed, $FAILED failed$([ "$SKIPPED" -eq 0 ] || echo ", $SKIPPED skipped")"
[ "$FAILED" -eq 0 ]
