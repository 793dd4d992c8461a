#!/usr/bin/env bash
# Steps of scripts/common.sh against stand-ins: no network, nothing installed,
# nothing of the machine's own Wine.
#   scripts_test.sh packages      ensure_packages as run.sh calls it (set -e),
#                                 with apt-get, dpkg-query, dpkg and id on PATH
#                                 stood in for, on a mirror in mid-sync
#   scripts_test.sh skip-reason   why wine-test.sh --can-run skips the 32-bit
#                                 layers, for each kind of loader
#   scripts_test.sh ctest-counts  the counts test.sh takes from ctest's summary
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
FAILED=0

# A FAIL line naming the row and what it missed, with the output below it.
miss() { # expectation
    echo "FAIL $ROW: $1"
    sed 's/^/    /' "$WORK/out"
    FAILED=1
}
has() { grep -qF -- "$1" "$2"; }
lacks() { ! grep -qF -- "$1" "$2"; }

packages() {
    mkdir -p "$WORK/bin"
    # apt-get as on a mirror in the middle of a sync: update fails with apt's
    # lines; install fails for the packages of STUB_BROKEN.
    cat >"$WORK/bin/apt-get" <<'SH'
#!/usr/bin/env bash
echo "apt-get $*" >>"$STUB_CALLS"
verb=
for arg in "$@"; do [[ "$arg" == -* ]] || { verb=$arg; break; }; done
case "$verb" in
update)
    echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
    exit 100
    ;;
install)
    for arg in "$@"; do
        [[ " $STUB_BROKEN " != *" $arg "* ]] || { echo "E: Unable to locate package $arg" >&2; exit 100; }
    done
    echo "installed $*" >>"$STUB_CALLS"
    ;;
*) exit 1 ;;
esac
SH
    cat >"$WORK/bin/dpkg-query" <<'SH'
#!/usr/bin/env bash
[[ " $STUB_INSTALLED " == *" ${!#} "* ]] && { echo "install ok installed"; exit 0; }
echo "dpkg-query: no packages found matching ${!#}" >&2
exit 1
SH
    cat >"$WORK/bin/dpkg" <<'SH'
#!/usr/bin/env bash
echo "dpkg $*" >>"$STUB_CALLS"
SH
    printf '#!/bin/sh\necho 0\n' >"$WORK/bin/id"
    chmod +x "$WORK/bin"/*

    # Row: name, packages that cannot be installed, exit code expected, then
    # the packages asked for (xvfb is installed already).
    local rows=(
        "update fails, the rest installs||0|cmake xvfb wine32:i386"
        "update fails, a package cannot be installed|clang-tidy|1|cmake clang-tidy xvfb"
        "update fails, wine32:i386 cannot be installed|wine32:i386|0|cmake wine32:i386"
    )
    local row broken expected asked pkgs rc log="$WORK/build/apt-get.log"
    for row in "${rows[@]}"; do
        IFS='|' read -r ROW broken expected asked <<<"$row"
        read -ra pkgs <<<"$asked"
        rm -rf "$WORK/build" "$WORK/calls"
        # shellcheck disable=SC2016 # expanded by the shell that runs the step
        env PATH="$WORK/bin:$PATH" STUB_CALLS="$WORK/calls" STUB_BROKEN="$broken" STUB_INSTALLED=xvfb \
            bash -c 'set -euo pipefail; source "$1/scripts/common.sh"; BUILD=$2; shift 2
                ensure_packages "$@"; echo "went on"' step "$ROOT" "$WORK/build" "${pkgs[@]}" >"$WORK/out" 2>&1
        rc=$?
        [ "$rc" -eq "$expected" ] || miss "exits $expected (not $rc)"
        [ "$(grep -c "apt-get update failed.*$log" "$WORK/out")" -eq 1 ] ||
            miss "one line says that apt-get update failed and names $log"
        has "Mirror sync in progress?" "$log" || miss "apt's lines are in $log"
        lacks "E: Failed to fetch" "$WORK/out" || miss "apt's lines are not in the output"
        ! grep -qE '^apt-get .*install.* xvfb( |$)' "$WORK/calls" || miss "xvfb, installed already, is not asked for"
        grep -qE '^installed .* cmake( |$)' "$WORK/calls" || miss "cmake is installed"
        if [ "$expected" -eq 0 ]; then
            has "went on" "$WORK/out" || miss "the command goes on"
        else
            has "could not install $broken " "$WORK/out" || miss "the failure names $broken"
            has "E: Unable to locate package $broken" "$WORK/out" || miss "the failure gives apt's reason"
            has "apt-get install $broken" "$WORK/out" || miss "the failure gives the command to retry"
            lacks "could not install cmake" "$WORK/out" || miss "the failure names no package that installed"
        fi
        if [[ "$asked" == *:i386* ]]; then
            has "dpkg --add-architecture i386" "$WORK/calls" || miss "i386 is added for wine32:i386"
        else
            lacks "add-architecture" "$WORK/calls" || miss "i386 is not added without an i386 package"
        fi
        [ "$broken" != wine32:i386 ] || has "the 32-bit layers will be skipped" "$WORK/out" ||
            miss "a line says the 32-bit layers will be skipped"
    done
}

skip_reason() {
    # Nothing of an executable format, as a 32-bit loader is to a kernel
    # without 32-bit support.
    printf '\177ELF\0\0\0\0not a program\n' >"$WORK/no-format"
    printf '#!/bin/sh\necho wine-8.0\n' >"$WORK/runs"
    chmod +x "$WORK/no-format" "$WORK/runs"
    local rows=(
        "a missing loader|$WORK/missing|77|skipped: the 32-bit Wine is not installed: no $WORK/missing (package wine32:i386; as root: dpkg --add-architecture i386; apt-get update; apt-get install wine32:i386)"
        "a loader the kernel cannot run|$WORK/no-format|77|skipped: this machine's kernel runs no 32-bit programs ($WORK/no-format: Exec format error)"
        "a loader that runs|$WORK/runs|0|"
    )
    local row loader expected reason rc
    for row in "${rows[@]}"; do
        IFS='|' read -r ROW loader expected reason <<<"$row"
        WINE32=$loader bash "$ROOT/scripts/wine-test.sh" i686 --can-run >"$WORK/out" 2>&1
        rc=$?
        [ "$rc" -eq "$expected" ] || miss "exits $expected (not $rc)"
        [ "$(cat "$WORK/out")" = "$reason" ] || miss "the reason is: $reason"
    done
}

ctest_counts_of_a_run() {
    mkdir -p "$WORK/project"
    cat >"$WORK/project/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.20)
project(counts NONE)
enable_testing()
add_test(NAME passes COMMAND true)
add_test(NAME fails COMMAND false)
add_test(NAME skips COMMAND sh -c "exit 77")
add_test(NAME disabled COMMAND true)
add_test(NAME fixture-start COMMAND true)
set_tests_properties(skips PROPERTIES SKIP_RETURN_CODE 77)
set_tests_properties(disabled PROPERTIES DISABLED TRUE)
set_tests_properties(fixture-start PROPERTIES FIXTURES_SETUP desk)
set_tests_properties(passes fails PROPERTIES FIXTURES_REQUIRED desk)
CMAKE
    ROW="a run of each kind of test"
    cmake -S "$WORK/project" -B "$WORK/project/build" >"$WORK/out" 2>&1 &&
        ctest --test-dir "$WORK/project/build" >"$WORK/out" 2>&1
    # shellcheck source=../../scripts/common.sh
    source "$ROOT/scripts/common.sh"
    local counts
    counts=$(ctest_counts "$WORK/out")
    # The fixture's setup passed; the disabled test is not in ctest's total.
    [ "$counts" = "2 1 2" ] || miss "passed, failed, skipped: 2 1 2, not '$counts'"
    ROW="a log without ctest's summary"
    echo "No tests were found!!!" >"$WORK/out"
    ! ctest_counts "$WORK/out" >/dev/null || miss "no counts"
}

case "${1:-}" in
packages) packages ;;
skip-reason) skip_reason ;;
ctest-counts) ctest_counts_of_a_run ;;
*)
    echo "usage: scripts_test.sh packages|skip-reason|ctest-counts" >&2
    exit 2
    ;;
esac
[ "$FAILED" -eq 0 ] && echo "PASS $1"
exit "$FAILED"
