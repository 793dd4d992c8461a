#!/usr/bin/env bash
# Builds EdgeWarden and starts it under Wine: on $DISPLAY, or on a private Xvfb
# when there is none. Arguments go to EdgeWarden.exe (for example -hide).
#
# SIGTERM and SIGINT end EdgeWarden, and with it the private Xvfb and the Wine
# server, within a few seconds: EdgeWarden never ends by itself, and bash runs
# a trap only once the program in the foreground has ended, so it runs in the
# background and the script waits for it.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# Only what running the 64-bit exe needs: no 32-bit Wine, no test tools.
ensure_packages cmake ninja-build g++-mingw-w64-x86-64-posix googletest wine64 xvfb x11-utils
log "building EdgeWarden.exe (x86_64)"
build_config x86_64

APP_PID=
stop_started() {
    if [ -n "$APP_PID" ]; then
        kill "$APP_PID" 2>/dev/null || true
        for _ in $(seq 30); do
            kill -0 "$APP_PID" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$APP_PID" 2>/dev/null || true
        wait "$APP_PID" 2>/dev/null || true
    fi
    # On a private display everything under Wine is ours.
    [ -z "$XVFB_PID" ] || stop_wine_and_xvfb
}
trap stop_started EXIT
trap "exit 130" INT
trap "exit 143" TERM
if [ -z "${DISPLAY:-}" ]; then
    start_xvfb
    log "no DISPLAY: running on Xvfb $DISPLAY"
fi
ensure_prefix
log "starting EdgeWarden.exe $*"
"$WINE64" "$BUILD/x86_64/EdgeWarden.exe" "$@" &
APP_PID=$!
wait "$APP_PID"
