# shellcheck shell=bash
# Shared set-up for run.sh and test.sh: packages, builds, Wine prefix, Xvfb.
# Sourced, not run. Everything it makes lives under build/.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$ROOT/build"
export WINEPREFIX="$BUILD/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Every Wine tool the scripts use runs through the 64-bit loader: some kernels
# run no 32-bit programs, and the tools on PATH (wine, winepath, wine-stable)
# pick the 32-bit loader when it is installed. Only the 32-bit test layers use
# WINE32; set it to try them with another loader (or with none).
WINE64=/usr/lib/wine/wine64
WINE32=${WINE32:-/usr/lib/wine/wine}
WINESERVER=/usr/lib/wine/wineserver64
# Everything the tests need.
# shellcheck disable=SC2034 # read by the scripts that source this file
PACKAGES=(cmake ninja-build g++ clang clang-format clang-tidy libclang-rt-14-dev libgtest-dev
    libbenchmark-dev googletest g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64 wine32:i386
    xvfb xserver-xephyr x11-utils shellcheck)
# What the lint layer needs: clang's tools, shellcheck and what configuring the
# x86_64 and host builds asks for; no Wine, no X server.
# shellcheck disable=SC2034 # read by the scripts that source this file
LINT_PACKAGES=(cmake ninja-build clang clang-format clang-tidy libgtest-dev libbenchmark-dev googletest
    g++-mingw-w64-x86-64-posix shellcheck)

log() { printf '== %s\n' "$*"; }

wineserver() { "$WINESERVER" "$@"; }

# The Windows path of a file on this machine.
windows_path() { "$WINE64" winepath -w "$1" 2>/dev/null | tr -d '\r'; }

# Why the 32-bit test layers cannot run here, found by starting the 32-bit
# loader once: prints the reason, or nothing and fails where it starts. A
# missing loader is a missing package; "Exec format error" is the kernel's.
no_32bit_reason() {
    local out
    if [ ! -e "$WINE32" ]; then
        echo "the 32-bit Wine is not installed: no $WINE32 (package wine32:i386; as root:" \
            "dpkg --add-architecture i386; apt-get update; apt-get install wine32:i386)"
        return 0
    fi
    out=$("$WINE32" --version 2>&1) && [[ "$out" == wine-* ]] && return 1
    if [[ "$out" == *"Exec format error"* ]]; then
        echo "this machine's kernel runs no 32-bit programs ($WINE32: Exec format error)"
    else
        echo "the 32-bit loader $WINE32 does not start ($WINE32 --version: $(head -n 1 <<<"$out" | sed 's/^.*: //'))"
    fi
}

# Fails, naming the DLLs, when the exe of a build imports anything but the
# system's DLLs; prints the imports otherwise.
SYSTEM_DLLS='^(KERNEL32|USER32|GDI32|ADVAPI32|SHELL32|COMDLG32|COMCTL32|OLE32|DWMAPI|msvcrt)\.dll$'
exe_imports() { # build (x86_64 or i686)
    local imports
    imports=$("$1-w64-mingw32-objdump" -p "$BUILD/$1/EdgeWarden.exe" | sed -n 's/^\s*DLL Name: //p')
    if [ -z "$imports" ] || grep -viE "$SYSTEM_DLLS" <<<"$imports" >&2; then
        echo "$BUILD/$1/EdgeWarden.exe imports a non-system DLL (above), or none" >&2
        return 1
    fi
    tr '\n' ' ' <<<"$imports"
}

# The C++ sources and headers of src/, tests/ and bench/, relative to ROOT and
# NUL-separated.
cpp_sources() {
    (cd "$ROOT" && find src tests bench -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)
}

# Installs what is missing of the packages named, as root; apt's own output
# goes to build/apt-get.log. A package list that could not be fetched (a mirror
# in the middle of a sync makes apt-get update exit 100) only gets a line: the
# lists apt has still serve. A package that then cannot be installed ends the
# command, named, but for wine32:i386, without which the 32-bit layers are
# skipped.
ensure_packages() { # package...
    local missing=() uninstallable=() errors=() p rc=0 out
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local foreign=
    [[ " ${missing[*]} " != *":i386 "* ]] || foreign=1
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing Debian packages: ${missing[*]}" >&2
        echo "Run this as root once, or install them with: sudo apt-get install ${missing[*]}" >&2
        [ -z "$foreign" ] || echo "(wine32 needs: sudo dpkg --add-architecture i386 && sudo apt-get update)" >&2
        exit 1
    fi
    log "installing ${missing[*]}"
    local apt_log="$BUILD/apt-get.log"
    mkdir -p "$BUILD"
    : >"$apt_log"
    if [ -n "$foreign" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt-get update >>"$apt_log" 2>&1 || rc=$?
    [ $rc -eq 0 ] || log "apt-get update failed (exit $rc; its output is in $apt_log):" \
        "installing from the package lists apt has"
    if [ ${#missing[@]} -eq 1 ] ||
        ! DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}" >>"$apt_log" 2>&1; then
        # Each alone, so that those that can be installed are, and the others named.
        for p in "${missing[@]}"; do
            out=$(DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$p" 2>&1) && continue
            printf '%s\n' "$out" >>"$apt_log"
            uninstallable+=("$p")
            [ "$p" = wine32:i386 ] || mapfile -t -O ${#errors[@]} errors < <(sed -n 's/^E: /    E: /p' <<<"$out")
        done
    fi
    local rest=()
    for p in "${uninstallable[@]}"; do [ "$p" = wine32:i386 ] || rest+=("$p"); done
    if [ ${#rest[@]} -gt 0 ]; then
        echo "could not install ${rest[*]} (apt's output is in $apt_log)" >&2
        [ ${#errors[@]} -eq 0 ] || printf '%s\n' "${errors[@]}" >&2
        echo "retry as root with: apt-get update && apt-get install ${rest[*]}" >&2
        exit 1
    fi
    [ ${#uninstallable[@]} -eq 0 ] || log "wine32:i386 could not be installed (apt's output is in $apt_log):" \
        "the 32-bit layers will be skipped; as root, apt-get update && apt-get install wine32:i386 adds them"
}

# "passed failed skipped" from ctest's summary in a layer's log: its line
# "N% tests passed, F tests failed out of T", whose T holds the skipped tests
# but not the disabled ones, and its list of the tests that did not run, each
# "(Skipped)" or "(Disabled)". Fails, printing nothing, without that line.
ctest_counts() { # log
    local summary total failed skipped disabled
    summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+$' "$1" | tail -n 1)
    [ -n "$summary" ] || return 1
    read -r _ _ _ failed _ _ _ _ total <<<"$summary"
    read -r skipped disabled < <(sed -n '/^The following tests did not run:$/,/^$/p' "$1" |
        awk '/ \(Skipped\)$/ { s++ } / \(Disabled\)$/ { d++ } END { print s + 0, d + 0 }')
    echo "$((total - failed - skipped)) $failed $((skipped + disabled))"
}

# Configures one of the presets in CMakePresets.json, in build/PRESET. A folder
# configured before the presets existed keeps its old compilers, and CMake then
# drops the preset's variables: such a folder is configured afresh.
configure_preset() { # preset
    (cd "$ROOT" && cmake --preset "$1" \
        && { [ -f "$BUILD/$1/compile_commands.json" ] || cmake --preset "$1" --fresh; })
}

# Configures one of the presets and builds the targets named, or all of them, in
# build/PRESET.
build_config() { # preset [target...]
    local preset=$1 targets=()
    shift
    [ $# -eq 0 ] || targets=(--target "$@")
    configure_preset "$preset" >/dev/null \
        && (cd "$ROOT" && cmake --build --preset "$preset" "${targets[@]}" -- -j"$(nproc)" >/dev/null)
}

build_windows() {
    log "building EdgeWarden.exe (x86_64, i686)"
    build_config x86_64
    build_config i686
}

ensure_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        log "creating Wine prefix in $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        "$WINE64" wineboot -i >/dev/null 2>&1
        wineserver -w
        [ -f "$WINEPREFIX/system.reg" ] || {
            echo "could not create the Wine prefix in $WINEPREFIX ($WINE64 wineboot)" >&2
            return 1
        }
    fi
    # Checked on every run, so that a prefix made before a setting was added gets
    # it too; the Wine server is let go afterwards, so that its next processes
    # start with the settings.
    # - Without a window manager, Wine waits for one on every unmap of a managed
    #   window (about 2 s per pop-up); unmanaged windows skip that wait.
    # - Monitors from Xinerama, so that a display of two heads shows two monitors.
    # - No crash debugger, in the 64- and 32-bit views: Wine's default one waits
    #   on a dialog nobody answers and keeps the crashed program, and the run,
    #   alive. With an empty command and automatic start, none can start, and a
    #   crash ends the program at once with its exception code.
    if ! prefix_prepared; then
        cat >"$BUILD/test-prefix.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"UseXRandR"="N"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\AeDebug]
"Debugger"=""
"Auto"="1"

[HKEY_LOCAL_MACHINE\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\AeDebug]
"Debugger"=""
"Auto"="1"
REG
        "$WINE64" reg import "$(windows_path "$BUILD/test-prefix.reg")" >/dev/null 2>&1
        wineserver -w
        if ! prefix_prepared; then
            echo "the Wine prefix $WINEPREFIX lacks its test settings (Managed, UseXRandR, both" \
                "AeDebug views) after importing $BUILD/test-prefix.reg; delete the prefix and try again" >&2
            return 1
        fi
    fi
}

# The prefix's registry files hold the settings that ensure_prefix imports.
prefix_prepared() {
    grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" \
        && grep -q '^"UseXRandR"="N"' "$WINEPREFIX/user.reg" \
        && [ "$(grep -c '^"Debugger"=""$' "$WINEPREFIX/system.reg")" -ge 2 ]
}

free_display() {
    local n=$1
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    echo "$n"
}

wait_for_display() {
    for _ in $(seq 50); do
        DISPLAY=$1 xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "no X server came up on $1" >&2
    return 1
}

XVFB_PID=
start_xvfb() { # starts a private Xvfb on a free display
    local n
    n=$(free_display 90)
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    wait_for_display "$DISPLAY"
}

XEPHYR_PID=
start_two_monitors() { # two 1024x768 monitors side by side: Xephyr's Xinerama heads inside the Xvfb
    local n
    n=$(free_display $((${DISPLAY#:} + 1)))
    DISPLAY=$DISPLAY Xephyr ":$n" +xinerama -screen 1024x768+0+0 -screen 1024x768+1100+0 \
        -nolisten tcp -ac >/dev/null 2>&1 &
    XEPHYR_PID=$!
    wait_for_display ":$n" && export DISPLAY=":$n"
}

stop_wine_and_xvfb() {
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    local pid
    for pid in "$XEPHYR_PID" "$XVFB_PID"; do
        [ -n "$pid" ] || continue
        kill "$pid" >/dev/null 2>&1
        wait "$pid" 2>/dev/null
    done
    XEPHYR_PID=
    XVFB_PID=
}
