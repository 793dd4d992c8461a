#!/usr/bin/env bash
# Formats the C++ sources in place with the style in .clang-format: every file
# in src/, tests/ and bench/, or only the files named.
#
#   scripts/format.sh               everything
#   scripts/format.sh FILE...       the named files
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages clang-format
if [ $# -eq 0 ]; then
    cd "$ROOT"
    cpp_sources | xargs -0 clang-format -i
else
    clang-format -i "$@"
fi
