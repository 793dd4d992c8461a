#!/usr/bin/env bash
# Builds the release archive build/release/EdgeWarden-1.3.zip: both exes, the
# README as text and the licence. Refuses an exe that imports anything but
# system DLLs, and prints the archive's size.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages
build_windows

OUT="$BUILD/release"
rm -rf "$OUT" && mkdir -p "$OUT/EdgeWarden/x64" "$OUT/EdgeWarden/x86"
for arch in x86_64:x64 i686:x86; do
    build=${arch%%:*} dir=${arch##*:}
    exe="$BUILD/$build/EdgeWarden.exe"
    imports=$(exe_imports "$build")
    cp "$exe" "$OUT/EdgeWarden/$dir/"
    printf '%-8s %7d bytes, imports: %s\n' "$dir" "$(stat -c %s "$exe")" "$imports"
done
# Windows users open these with Notepad: CRLF line ends.
sed 's/$/\r/' "$ROOT/README.md" >"$OUT/EdgeWarden/README.txt"
sed 's/$/\r/' "$ROOT/LICENSE" >"$OUT/EdgeWarden/LICENSE.txt"
(cd "$OUT" && python3 - <<'PY'
import os, zipfile
with zipfile.ZipFile("EdgeWarden-1.3.zip", "w", zipfile.ZIP_DEFLATED) as z:
    for root, _, files in os.walk("EdgeWarden"):
        for name in sorted(files):
            z.write(os.path.join(root, name))
PY
)
echo "$OUT/EdgeWarden-1.3.zip: $(stat -c %s "$OUT/EdgeWarden-1.3.zip") bytes"
