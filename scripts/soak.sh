#!/usr/bin/env bash
# The long run of EdgeWarden.exe under Wine: 100,000 injected mouse events over
# every edge, the middle, clicks and wheel, and 50 dialog cycles, then the
# figures (memory, windows, cursor, registry). About five minutes.
# Usage: scripts/soak.sh [extra gtest arguments]
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages "${PACKAGES[@]}"
log "building EdgeWarden.exe and the black-box harness (x86_64)"
build_config x86_64 || exit 1
trap stop_wine_and_xvfb EXIT
start_xvfb || exit 1
ensure_prefix || exit 1
wineserver -k >/dev/null 2>&1

log "soak on $DISPLAY"
EDGEWARDEN_SOAK=1 timeout --kill-after=10 1800 "$WINE64" "$BUILD/x86_64/edgewarden_blackbox.exe" \
    --gtest_filter='Reliability.Soak*' "$@" 2>&1 | tr -d '\r' | grep -vE '^(\[|Note: |$)'
exit "${PIPESTATUS[0]}"
