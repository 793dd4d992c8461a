#!/usr/bin/env bash
# scripts/run.sh told to stop, as a process manager or `timeout` (SIGTERM) and
# Ctrl+C (SIGINT) tell it: within a few seconds nothing that it started runs
# on, neither EdgeWarden.exe nor the Wine server and its services nor a private
# Xvfb. Once on a private Xvfb, once on the display of the xvfb fixture.
#
#   run_script_test.sh STATE-DIR   (the fixtures' folder, scripts/fixture.sh)
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
STATE=$1
# Every process that the script starts inherits it, Wine's too.
MARK="EDGEWARDEN_RUN_TEST=$$"
LIMIT_S=5
FAILED=0

# "PID COMMAND LINE" of each; one grep reads every environment.
own_processes() {
    local file pid
    grep -lsz "^$MARK\$" /proc/[0-9]*/environ | while read -r file; do
        pid=${file#/proc/}
        pid=${pid%/environ}
        echo "$pid $({ tr '\0' ' ' <"/proc/$pid/cmdline"; } 2>/dev/null)"
    done
}

# Polls `condition` every tenth of a second for up to `seconds`.
within() { # seconds condition...
    local tenths=$(($1 * 10))
    shift
    for _ in $(seq "$tenths"); do
        "$@" && return 0
        sleep 0.1
    done
    "$@"
}
# shellcheck disable=SC2317 # called through within
exe_runs() { [[ "$(own_processes)" == *EdgeWarden.exe* ]]; }
# shellcheck disable=SC2317 # called through within
nothing_left() { [ -z "$(own_processes)" ]; }

# Ends what a failure left, by process id: first as run.sh should have, so that
# an Xvfb removes its lock file.
end_leftovers() {
    local pids
    mapfile -t pids < <(own_processes | cut -d ' ' -f 1)
    [ ${#pids[@]} -gt 0 ] || return 0
    kill "${pids[@]}" 2>/dev/null
    sleep 1
    mapfile -t pids < <(own_processes | cut -d ' ' -f 1)
    [ ${#pids[@]} -eq 0 ] || kill -KILL "${pids[@]}" 2>/dev/null
}

run_case() { # signal display ("" for a private Xvfb)
    local signal=$1 display=$2 failed=0 log
    log=$(mktemp)
    # With job control the script does not start with SIGINT ignored, as a
    # background job of a script would.
    set -m
    env -u DISPLAY "$MARK" ${display:+DISPLAY="$display"} bash "$ROOT/scripts/run.sh" -hide >"$log" 2>&1 &
    RUN_PID=$!
    set +m
    local what="SIG$signal on ${display:-a private Xvfb}"
    if ! within 120 exe_runs; then
        echo "FAIL $what: EdgeWarden.exe did not start"
        sed 's/^/    /' "$log"
        failed=1
    else
        sleep 2 # its hook and the Wine services are up
        kill -s "$signal" "$RUN_PID"
        # run.sh itself among them.
        if ! within "$LIMIT_S" nothing_left; then
            echo "FAIL $what: left running after $LIMIT_S s:"
            own_processes | sed 's/^/    /'
            failed=1
        fi
    fi
    end_leftovers
    wait "$RUN_PID" 2>/dev/null
    rm -f "$log"
    if [ "$failed" -eq 0 ]; then
        echo "ok $what"
    else
        FAILED=1
    fi
}

# The script gets a Wine server of its own, not the one the other cases share;
# the next case starts that one afresh.
bash "$ROOT/scripts/fixture.sh" stop wine "$STATE" >/dev/null 2>&1
run_case TERM ""
run_case INT "$(cat "$STATE/xvfb.display")"
exit "$FAILED"
