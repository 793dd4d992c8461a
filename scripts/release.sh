#!/usr/bin/env bash
# Builds the release in build/release: EdgeWarden-<version>.zip (both exes, the
# README's part for Windows users as text with the picture it shows, the
# licence) and SHA256SUMS beside it, which lists the archive and both exes as
# `sha256sum -c` reads them.
# Every build of a commit gives the same bytes, in any folder and at any time:
# the archive holds its files in a fixed order, each with the commit's time
# (SOURCE_DATE_EPOCH, when set, stands for it) and the same permissions.
# Refuses an exe that imports anything but system DLLs, and prints the sizes and
# the archive's SHA-256.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# Configuring both Windows builds and building their exes, and the archive's
# writer.
ensure_packages cmake ninja-build googletest g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix python3
# Only the archive needs it: the exes hold no time.
EPOCH=${SOURCE_DATE_EPOCH:-}
if [ -z "$EPOCH" ]; then
    EPOCH=$(git -C "$ROOT" log -1 --format=%ct 2>/dev/null) || {
        echo "$ROOT is no git checkout to take the commit's time from; set SOURCE_DATE_EPOCH" >&2
        exit 1
    }
fi
VERSION=$(sed -n 's/^project(EdgeWarden VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")
[ -n "$VERSION" ] || { echo "no version in $ROOT/CMakeLists.txt (project(EdgeWarden VERSION ...))" >&2; exit 1; }
ZIP="EdgeWarden-$VERSION.zip"

log "building EdgeWarden.exe (x86_64, i686)"
build_config x86_64 EdgeWarden
build_config i686 EdgeWarden

OUT="$BUILD/release"
rm -rf "$OUT" && mkdir -p "$OUT/EdgeWarden/x64" "$OUT/EdgeWarden/x86"
for arch in x86_64:x64 i686:x86; do
    build=${arch%%:*} dir=${arch##*:}
    exe="$BUILD/$build/EdgeWarden.exe"
    imports=$(exe_imports "$build")
    cp "$exe" "$OUT/EdgeWarden/$dir/"
    printf '%-8s %7d bytes, imports: %s\n' "$dir" "$(stat -c %s "$exe")" "$imports"
done
# Windows users open these with Notepad: CRLF line ends. Their part of the
# README runs from its heading to the developers' one; the pictures it shows
# travel beside it, named without their folder.
awk '/^## For developers$/ {developers = 1; exit}
     /^## For Windows users$/ {users = 1}
     users
     END {
         if (!users || !developers) {
             print "README.md lacks \"## For Windows users\" followed by \"## For developers\"" >"/dev/stderr"
             exit 1
         }
     }' "$ROOT/README.md" >"$OUT/EdgeWarden/README.txt"
{ grep -oE '\]\(docs/[^)]+\)' "$OUT/EdgeWarden/README.txt" || true; } | sed 's/^](//; s/)$//' | sort -u |
    while read -r picture; do cp "$ROOT/$picture" "$OUT/EdgeWarden/" || exit 1; done
sed -i 's#](docs/#](#g; s/$/\r/' "$OUT/EdgeWarden/README.txt"
sed 's/$/\r/' "$ROOT/LICENSE" >"$OUT/EdgeWarden/LICENSE.txt"
(cd "$OUT" && python3 - "$ZIP" "$EPOCH" <<'PY'
import os, sys, time, zipfile
name, epoch = sys.argv[1], int(sys.argv[2])
# A zip time has no time zone and starts in 1980: the commit's time in UTC.
stamp = time.gmtime(max(epoch, 315532800))[:6]
files = sorted(os.path.join(root, f) for root, _, names in os.walk("EdgeWarden") for f in names)
with zipfile.ZipFile(name, "w") as z:
    for path in files:
        # Not from the file, whose mode and time would come along; Unix's mode
        # bits, which unzip applies.
        info = zipfile.ZipInfo(path, stamp)
        info.compress_type = zipfile.ZIP_DEFLATED
        info.create_system = 3
        info.external_attr = 0o100644 << 16
        with open(path, "rb") as f:
            z.writestr(info, f.read())
PY
)
(cd "$OUT" && sha256sum "$ZIP" EdgeWarden/x64/EdgeWarden.exe EdgeWarden/x86/EdgeWarden.exe >SHA256SUMS)
echo "$OUT/$ZIP: $(stat -c %s "$OUT/$ZIP") bytes"
echo "SHA-256: $(sed -n '1s/ .*//p' "$OUT/SHA256SUMS")"
