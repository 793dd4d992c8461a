#!/usr/bin/env bash
# Builds EdgeWarden and starts it under Wine: on $DISPLAY, or on a private Xvfb
# when there is none. Arguments go to EdgeWarden.exe (for example -hide).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages
build_windows
if [ -z "${DISPLAY:-}" ]; then
    trap stop_wine_and_xvfb EXIT
    trap "exit 130" INT TERM
    start_xvfb
    log "no DISPLAY: running on Xvfb $DISPLAY"
fi
ensure_prefix
log "starting EdgeWarden.exe $*"
"$WINE64" "$BUILD/x86_64/EdgeWarden.exe" "$@"
