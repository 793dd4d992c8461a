#!/usr/bin/env bash
# The lint layer, over every C++ file of src/, tests/ and bench/ and every
# shell script:
# - format: clang-format's check against .clang-format;
# - warnings: clang's strict warnings (-Wall -Wextra -Wpedantic -Wconversion
#   -Wshadow);
# - tidy: clang-tidy's checks in .clang-tidy;
# - shellcheck: every *.sh and .ci/run, following what they source;
# - structure: the folders of src/ include one way (app/ on top, then ui/,
#   hide/, taskbar/, settings/; res/ for ui/ and app/), and no header of src/
#   shares a variable (`extern`).
# Warnings and tidy come from one clang-tidy run per source file, which
# run-clang-tidy starts on every core, on the compile commands of the x86_64
# Windows build (clang aimed at MinGW-w64), or, for the tests and benchmarks
# built only on the host, of the host build.
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
mkdir -p "$OUT"
RUN_CLANG_TIDY=$(command -v run-clang-tidy || command -v run-clang-tidy-14) || {
    echo "lint: 0 passed, 1 failed (no run-clang-tidy: package clang-tidy)"
    exit 1
}
CLANG_TIDY=$(command -v clang-tidy)

# Both builds' compile commands; configuring alone writes them.
for preset in x86_64 host; do
    if ! configure_preset "$preset" >"$OUT/configure-$preset.log" 2>&1; then
        tail -n 20 "$OUT/configure-$preset.log"
        echo "lint: 0 passed, 1 failed (configuring $preset failed)"
        exit 1
    fi
done

mapfile -d '' FILES < <(cpp_sources)
mapfile -t SCRIPTS < <(find . \( -path ./build -o -path ./.git \) -prune -o -type f -name '*.sh' -printf '%P\n' |
    sort; echo .ci/run)

# clang finds no C++ library of Debian's MinGW-w64 by itself: it gets the
# folders that MinGW's g++ searches, without g++'s own built-in headers.
WINDOWS_ARGS=("-extra-arg-before=--target=$TRIPLE" -extra-arg=-nostdlibinc)
while read -r dir; do
    WINDOWS_ARGS+=(-extra-arg=-isystem"$dir")
done < <("$TRIPLE-g++-posix" -E -v -x c++ /dev/null 2>&1 \
    | sed -n '/^#include <...>/,/^End of search list/s/^ //p' \
    | grep -vE '/gcc/[^/]+/[^/]+/include(-fixed)?$')

indent() { sed 's/^/    /'; }

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

# Regular expressions that match the lines read, and only them.
regex_of() { sed 's/[].[^$*+?(){}|\\]/\\&/g'; }
HEADER_FILTER="^$(regex_of <<<"$ROOT")/(src|tests|bench)/"

# run-clang-tidy's output, coloured, gives each file's command line before its
# findings. A finding outside the project (an error in a system header) or
# without a place (in text that a macro pasted) is the checked file's.
tidy() { # build-dir file-list [run-clang-tidy arguments...]
    local dir=$1 list=$2 log patterns=() rc=0
    shift 2
    log="$OUT/tidy-${dir##*/}"
    [ -s "$list" ] || return 0
    mapfile -t patterns < <(awk -v root="$ROOT/" '{ print root $0 }' "$list" | regex_of | sed 's/^/^/; s/$/$/')
    "$RUN_CLANG_TIDY" -clang-tidy-binary "$CLANG_TIDY" -p "$dir" -quiet -j "$JOBS" \
        -header-filter="$HEADER_FILTER" -allow-enabling-alpha-checkers "$@" "${patterns[@]}" \
        >"$log.log" 2>&1 || rc=$?
    sed 's/\x1b\[[0-9;]*m//g' "$log.log" | awk -v root="$ROOT/" -v tidy="$CLANG_TIDY" -v checked="$OUT/checked.txt" '
        $1 == tidy { file = substr($NF, length(root) + 1); print file >>checked; next }
        /^[^ ]+:[0-9]+:[0-9]+: (warning|error): .* \[[^]]+\]$/ {
            if (index($0, root) == 1)
                print substr($0, length(root) + 1)
            else
                print file ":1:1: " $0
            next
        }
        /^(warning|error): .* \[[^]]+\]$/ { print file ":1:1: " $0; next }
        / terminated by signal [0-9]+$/ { print file ":1:1: error: clang-tidy ended by signal " $NF " [lint]" }
    ' >"$log.txt"
    cat "$log.txt" >>"$OUT/findings.txt"
    if [ $rc -ne 0 ] && ! grep -q ': error: ' "$log.txt"; then
        record "$(head -n 1 "$list")" 1 1 error "run-clang-tidy ended with exit $rc; see $log.log" lint
    fi
}
: >"$OUT/checked.txt"
tidy "$BUILD/x86_64" "$OUT/windows.txt" "${WINDOWS_ARGS[@]}"
tidy "$BUILD/host" "$OUT/host.txt"
# A file that run-clang-tidy left out would pass unchecked.
while read -r file; do
    grep -qxF "$file" "$OUT/checked.txt" || record "$file" 1 1 error "clang-tidy did not check this file" lint
done < <(cat "$OUT/windows.txt" "$OUT/host.txt")

# ---- shellcheck, following what each script sources from its own folder
shellcheck -x -P SCRIPTDIR -f gcc "${SCRIPTS[@]}" >"$OUT/shellcheck.log" 2>&1
shellcheck_rc=$?
sed -E 's/^(.*: (error|warning|note|info|style): .*) \[(SC[0-9]+)\]$/\1 [shellcheck-\3]/' "$OUT/shellcheck.log" |
    grep -E '^[^ :]+:[0-9]+:[0-9]+: .* \[shellcheck-SC[0-9]+\]$' >>"$OUT/findings.txt"
if [ $shellcheck_rc -ne 0 ] && ! grep -q '\[shellcheck-SC[0-9]*\]$' "$OUT/findings.txt"; then
    record "${SCRIPTS[0]}" 1 1 error "shellcheck ended with exit $shellcheck_rc; see $OUT/shellcheck.log" shellcheck
fi

# ---- structure: the folders of src/ include one way, app/ on top, and no
# header shares a variable
for file in "${FILES[@]}"; do
    [[ "$file" == src/* ]] || continue
    awk -v file="$file" '
        BEGIN {
            # Each folder and the folders it may include, besides its own.
            below["app"] = " ui hide taskbar settings res "
            below["ui"] = " hide taskbar settings res "
            below["hide"] = " taskbar settings "
            below["taskbar"] = " settings "
            below["settings"] = " "
            split(file, part, "/")
            folder = part[2]
            header = file ~ /\.h$/
        }
        /^#include "/ {
            target = $2
            gsub(/"/, "", target)
            split(target, to, "/")
            if (to[1] != folder && index(below[folder], " " to[1] " ") == 0)
                printf "%s:%d:1: error: %s/ includes %s, which lies above it or beside it [structure]\n",
                    file, NR, folder, target
        }
        header && /^extern / {
            printf "%s:%d:1: error: a variable shared through a header; it belongs to its owner [structure]\n",
                file, NR
        }' "$file" >>"$OUT/findings.txt"
done

# ---- one line per check and file
sort -t: -k1,1 -k2,2n -k3,3n -k4 -u -o "$OUT/findings.txt" "$OUT/findings.txt"
passed=0
failed=0
report() { # check file
    local found
    found=$(awk -v prefix="$2:" -v check="$1" 'index($0, prefix) == 1 {
        if (check == "format" && / \[format\]$/) print
        else if (check == "warnings" && / \[clang-diagnostic-[^]]+\]$/) print
        else if (check == "tidy" && !/ \[(format|clang-diagnostic-[^]]+|shellcheck(-SC[0-9]+)?|structure)\]$/) print
        else if (check == "shellcheck" && / \[shellcheck(-SC[0-9]+)?\]$/) print
        else if (check == "structure" && / \[structure\]$/) print
    }' "$OUT/findings.txt")
    if [ -z "$found" ]; then
        echo "PASS $1 $2"
        passed=$((passed + 1))
    else
        echo "FAIL $1 $2"
        indent <<<"$found"
        failed=$((failed + 1))
    fi
}
for check in format warnings tidy; do
    for file in "${FILES[@]}"; do report "$check" "$file"; done
done
for file in "${FILES[@]}"; do
    [[ "$file" != src/* ]] || report structure "$file"
done
for file in "${SCRIPTS[@]}"; do report shellcheck "$file"; done
# Findings in files that are neither C++ sources nor scripts (.clang-format
# itself).
others=$(printf '%s\n' "${FILES[@]}" "${SCRIPTS[@]}" | regex_of | sed 's/^/^/; s/$/:/' |
    grep -vf - "$OUT/findings.txt")
if [ -n "$others" ]; then
    echo "FAIL lint"
    indent <<<"$others"
    failed=$((failed + 1))
fi
echo "lint: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
