#!/usr/bin/env bash
# Builds the release from this tree in two folders of different names and
# compares the archive, both exes and SHA256SUMS byte for byte. Then checks the
# archive: each file at the commit's time, mode 644, no extra fields, and a
# README.txt with the Windows users' part of README.md and nothing else of it,
# that names no file the archive lacks.
# A failure leaves the folders for a look.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"

HERE="$BUILD/reproducible"
FOLDERS=(one the-second-folder)
fail() { # what, then the lines that say where
    echo "FAIL release: $1"
    shift
    printf '%s\n' "$@" | sed 's/^/    /'
    echo "the builds are in $HERE"
    exit 1
}

# As a user builds: the time comes from the commit, and the builds see none.
unset SOURCE_DATE_EPOCH
epoch=$(git -C "$ROOT" log -1 --format=%ct) || fail "$ROOT is no git checkout"
rm -rf "$HERE"
for folder in "${FOLDERS[@]}"; do
    log "release in $HERE/$folder"
    mkdir -p "$HERE/$folder"
    # The tree as it is, without its builds (what git tracks, and new files it
    # does not ignore), committed at the time of its last commit.
    git -C "$ROOT" ls-files -z --cached --others --exclude-standard |
        while IFS= read -r -d '' file; do [ ! -e "$ROOT/$file" ] || printf '%s\0' "$file"; done |
        (cd "$ROOT" && xargs -0 cp --parents -t "$HERE/$folder")
    (cd "$HERE/$folder" && git init -q && git add -A &&
        GIT_AUTHOR_DATE="@$epoch +0000" GIT_COMMITTER_DATE="@$epoch +0000" \
            git -c user.name=test -c user.email=test@localhost commit -q -m "the tree under test") ||
        fail "committing the copy in $folder"
    (cd "$HERE/$folder" && bash scripts/release.sh) >"$HERE/$folder.log" 2>&1 ||
        fail "scripts/release.sh in $folder" "$(tail -n 20 "$HERE/$folder.log")"
    cat "$HERE/$folder.log"
done

first="$HERE/${FOLDERS[0]}/build/release"
second="$HERE/${FOLDERS[1]}/build/release"
zip=$(cd "$first" && echo EdgeWarden-*.zip)
[ -f "$first/$zip" ] || fail "no archive EdgeWarden-<version>.zip" "$(ls "$first")"
# Every fault found, each with its lines below it.
faults=()
for file in "$zip" EdgeWarden/x64/EdgeWarden.exe EdgeWarden/x86/EdgeWarden.exe SHA256SUMS; do
    cmp -s "$first/$file" "$second/$file" ||
        faults+=("the builds differ in $file: $(cmp "$first/$file" "$second/$file" 2>&1 |
            sed 's/^.* differ: /at /; s/^cmp: //' | head -n 1)")
done
indent() { printf '%s\n' "$1" | sed 's/^/    /'; }
listed=$(cd "$first" && sha256sum -c SHA256SUMS 2>&1 | LC_ALL=C sort)
[ "$listed" = "$(printf '%s: OK\n' "$zip" EdgeWarden/x64/EdgeWarden.exe EdgeWarden/x86/EdgeWarden.exe)" ] ||
    faults+=("sha256sum -c SHA256SUMS, which should check the archive and both exes:"$'\n'"$(indent "$listed")")

archive=$(python3 - "$first/$zip" "$ROOT/README.md" "$epoch" 2>&1 <<'PY'
import re, sys, time, zipfile
archive, readme, epoch = sys.argv[1], sys.argv[2], int(sys.argv[3])
t = time.gmtime(epoch)
when = (t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec // 2 * 2)
with zipfile.ZipFile(archive) as z:
    names = z.namelist()
    if names != sorted(names):
        print(f"files out of order: {names}")
    for i in z.infolist():
        if i.date_time != when or i.external_attr >> 16 != 0o100644 or i.extra:
            print(f"{i.filename}: time {i.date_time}, mode {i.external_attr >> 16:o}, extra {i.extra!r}")
    text = z.read("EdgeWarden/README.txt").decode()
lines = text.split("\r\n")
if lines.pop() != "" or any("\n" in line for line in lines):
    print("README.txt: a line that does not end in CRLF")
for heading in ("## For Windows users", "### Starting it", "### Settings", "### Removing it"):
    if heading not in lines:
        print(f"README.txt lacks {heading!r}")
# What it links to, beside it, and the files it names in `code`, anywhere.
inside = {name.split("/", 1)[1] for name in names}
lacking = {target for target in re.findall(r"\]\(([^)\s]+)\)", text)
           if "://" not in target and target not in inside}
lacking |= set(re.findall(r"`([\w.-]+\.[A-Za-z0-9]{1,4})[ `]", text)) - {name.rsplit("/", 1)[-1] for name in names}
if lacking:
    print(f"README.txt names what the archive lacks: {', '.join(sorted(lacking))}")
md = open(readme).read().split("\n")
start, end = md.index("## For Windows users"), md.index("## For developers")
others = set(md[:start] + md[end:]) - set(md[start:end]) - {""}
foreign = [line for line in lines if line in others]
if foreign:
    print(f"README.txt holds {len(foreign)} line(s) from outside the users' part, such as {foreign[0]!r}")
PY
)
[ -z "$archive" ] || faults+=("in $zip:"$'\n'"$(indent "$archive")")
[ ${#faults[@]} -eq 0 ] || fail "${#faults[@]} fault(s)" "${faults[@]}"
rm -rf "$HERE"
echo "PASS release: the same archive, exes and SHA256SUMS from two folders"
