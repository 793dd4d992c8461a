#!/usr/bin/env bash
# CTest's fixtures for the Windows tests, each a setup and a cleanup test:
#
#   fixture.sh start|stop xvfb STATE-DIR          the private Xvfb
#   fixture.sh start|stop two-monitors STATE-DIR  Xephyr's two 1024x768 heads,
#                                                 inside the Xvfb
#   fixture.sh start|stop wine STATE-DIR          the prepared prefix; its Wine
#                                                 server, ended
#
# A display's number and process id are kept in STATE-DIR, where
# scripts/wine-test.sh finds the display. Starting what runs already does
# nothing, and stopping what does not run does nothing, as CTest's repeat runs
# the setup and cleanup again.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ACTION=$1
WHAT=$2
STATE=$3
mkdir -p "$STATE"

running() { # name
    [ -f "$STATE/$1.pid" ] && kill -0 "$(cat "$STATE/$1.pid")" 2>/dev/null
}

stop_display() { # name
    if running "$1"; then
        local pid
        pid=$(cat "$STATE/$1.pid")
        kill "$pid"
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
    fi
    rm -f "$STATE/$1.pid" "$STATE/$1.display"
}

stop_wine() {
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    rm -f "$STATE/wineserver.screen" "$STATE"/running.*
}

case "$ACTION $WHAT" in
"start xvfb")
    running xvfb && exit 0
    start_xvfb || exit 1
    echo "$XVFB_PID" >"$STATE/xvfb.pid"
    echo "$DISPLAY" >"$STATE/xvfb.display"
    echo "Xvfb on $DISPLAY"
    ;;
"start two-monitors")
    running two-monitors && exit 0
    DISPLAY=$(cat "$STATE/xvfb.display") || exit 1
    start_two_monitors || exit 1
    echo "$XEPHYR_PID" >"$STATE/two-monitors.pid"
    echo "$DISPLAY" >"$STATE/two-monitors.display"
    echo "Xephyr on $DISPLAY"
    ;;
"start wine")
    ensure_prefix || exit 1
    # Each run starts on a fresh Wine server: nothing an earlier run left
    # running reaches this one.
    stop_wine
    ;;
"stop xvfb" | "stop two-monitors")
    stop_display "$WHAT"
    ;;
"stop wine")
    stop_wine
    ;;
*)
    echo "usage: fixture.sh start|stop xvfb|two-monitors|wine STATE-DIR" >&2
    exit 2
    ;;
esac
