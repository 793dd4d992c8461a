#!/usr/bin/env bash
# The lint layer, over every C++ file of src/, tests/ and bench/:
# - format: clang-format's check against .clang-format;
# - warnings: clang's strict warnings (-Wall -Wextra -Wpedantic -Wconversion
#   -Wshadow);
# - tidy: clang-tidy's checks in .clang-tidy.
# Warnings and tidy come from one clang-tidy run per source file, on the compile
# commands of the x86_64 Windows build (clang aimed at MinGW-w64), or, for the
# tests and benchmarks built only on the host, of the host build.
# Prints a PASS or FAIL line per check and file, each finding under its FAIL
# line, and "lint: N passed, N failed". Needs no Wine and no X server.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

OUT="$BUILD/lint"
TRIPLE=x86_64-w64-mingw32
JOBS=$(nproc)

ensure_packages "${LINT_PACKAGES[@]}"
cd "$ROOT" || exit 1
rm -rf "$OUT"
mkdir -p "$OUT/tidy"

# Both builds' compile commands; configuring alone writes them.
for preset in x86_64 host; do
    if ! configure_preset "$preset" >"$OUT/configure-$preset.log" 2>&1; then
        tail -n 20 "$OUT/configure-$preset.log"
        echo "lint: 0 passed, 1 failed (configuring $preset failed)"
        exit 1
    fi
done

mapfile -d '' FILES < <(cpp_sources)

# clang finds no C++ library of Debian's MinGW-w64 by itself: it gets the
# folders that MinGW's g++ searches, without g++'s own built-in headers.
WINDOWS_ARGS=(--extra-arg-before=--target=$TRIPLE --extra-arg=-nostdlibinc)
while read -r dir; do
    WINDOWS_ARGS+=(--extra-arg=-isystem"$dir")
done < <("$TRIPLE-g++-posix" -E -v -x c++ /dev/null 2>&1 \
    | sed -n '/^#include <...>/,/^End of search list/s/^ //p' \
    | grep -vE '/gcc/[^/]+/[^/]+/include(-fixed)?$')

# Findings, one a line: "file:line:column: warning|error: text [check]".
: >"$OUT/findings.txt"
record() { # file line column kind text check
    printf '%s:%s:%s: %s: %s [%s]\n' "$@" >>"$OUT/findings.txt"
}

# ---- format
clang-format --dry-run -Werror "${FILES[@]}" >"$OUT/format.log" 2>&1
format_rc=$?
sed -nE 's/^([^ :]+):([0-9]+):([0-9]+): error: .*\[-Wclang-format-violations\]$/\1 \2 \3/p' \
    "$OUT/format.log" | while read -r file line column; do
    record "$file" "$line" "$column" error \
        "laid out otherwise than .clang-format says (scripts/format.sh $file)" format
done
if [ $format_rc -ne 0 ] && ! grep -q '\[format\]$' "$OUT/findings.txt"; then
    record .clang-format 1 1 error "clang-format ended with exit $format_rc; see $OUT/format.log" format
fi

# ---- warnings and tidy, one clang-tidy per source file
: >"$OUT/windows.txt"
: >"$OUT/host.txt"
for file in "${FILES[@]}"; do
    [[ "$file" == *.cpp ]] || continue
    if grep -qF "\"file\": \"$ROOT/$file\"" "$BUILD/x86_64/compile_commands.json"; then
        echo "$file" >>"$OUT/windows.txt"
    elif grep -qF "\"file\": \"$ROOT/$file\"" "$BUILD/host/compile_commands.json"; then
        echo "$file" >>"$OUT/host.txt"
    else
        record "$file" 1 1 error "no build compiles this file, so nothing checks it" lint
    fi
done

# tidy BUILD-DIR [clang-tidy arguments] FILE: the file's output and exit code go
# to files of their own.
tidy() {
    local dir=$1 file=${!#} log
    log="$OUT/tidy/${file//\//_}"
    clang-tidy -p "$dir" --quiet --header-filter="$HEADER_FILTER" \
        --allow-enabling-analyzer-alpha-checkers "${@:2:$#-2}" "$file" >"$log.out" 2>&1
    echo $? >"$log.rc"
}
export -f tidy
export OUT
HEADER_FILTER="^$(sed 's/[].[^$*+?(){}|\\]/\\&/g' <<<"$ROOT")/(src|tests|bench)/"
export HEADER_FILTER
xargs -a "$OUT/windows.txt" -d '\n' -n 1 -P "$JOBS" \
    bash -c 'tidy "$@"' tidy "$BUILD/x86_64" "${WINDOWS_ARGS[@]}"
xargs -a "$OUT/host.txt" -d '\n' -n 1 -P "$JOBS" bash -c 'tidy "$@"' tidy "$BUILD/host"

# A finding outside the project (an error in a system header) or without a
# place (in text that a macro pasted) is the checked file's.
while read -r file; do
    log="$OUT/tidy/${file//\//_}"
    awk -v root="$ROOT/" -v file="$file" '
        /^[^ ]+:[0-9]+:[0-9]+: (warning|error): .* \[[^]]+\]$/ {
            if (index($0, root) == 1)
                print substr($0, length(root) + 1)
            else
                print file ":1:1: " $0
            next
        }
        /^(warning|error): .* \[[^]]+\]$/ { print file ":1:1: " $0 }' "$log.out" >>"$OUT/findings.txt"
    rc=$(cat "$log.rc")
    if [ "$rc" -ne 0 ] && ! grep -q ': error: ' "$log.out"; then
        record "$file" 1 1 error "clang-tidy ended with exit $rc; see $log.out" lint
    fi
done < <(cat "$OUT/windows.txt" "$OUT/host.txt")

# ---- one line per check and file
sort -t: -k1,1 -k2,2n -k3,3n -k4 -u -o "$OUT/findings.txt" "$OUT/findings.txt"
passed=0
failed=0
for check in format warnings tidy; do
    for file in "${FILES[@]}"; do
        found=$(awk -v prefix="$file:" -v check="$check" 'index($0, prefix) == 1 {
            if (check == "format" && / \[format\]$/) print
            else if (check == "warnings" && / \[clang-diagnostic-[^]]+\]$/) print
            else if (check == "tidy" && !/ \[(format|clang-diagnostic-[^]]+)\]$/) print
        }' "$OUT/findings.txt")
        if [ -z "$found" ]; then
            echo "PASS $check $file"
            passed=$((passed + 1))
        else
            echo "FAIL $check $file"
            sed 's/^/    /' <<<"$found"
            failed=$((failed + 1))
        fi
    done
done
# Findings in files that are not C++ sources (.clang-format itself).
others=$(grep -vE "^($(printf '%s|' "${FILES[@]}" | sed 's/[.]/[.]/g; s/|$//')):" "$OUT/findings.txt")
if [ -n "$others" ]; then
    echo "FAIL lint"
    sed 's/^/    /' <<<"$others"
    failed=$((failed + 1))
fi
echo "lint: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
