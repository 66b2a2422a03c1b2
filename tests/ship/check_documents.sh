#!/usr/bin/env bash
# The documents that ship beside the programs, as built in the bin folder:
#   check_documents.sh <bin folder> <source root>
# The help decompiles to the pages its contents list, each with the title
# the contents give it, for every page of the project; ReadMe.txt and
# History.txt read as code page 932 with CR LF and name the version; no page
# names a menu as "(&X)" or suggests a folder under Program Files.
set -uo pipefail
bin=$1
root=$2
status=0
fail() { echo "FAIL: $*"; status=1; }

version=""
for part in MAJOR MINOR PATCH; do
  n=$(sed -n "s/^#define MIRRANT_VERSION_$part \([0-9][0-9]*\).*/\1/p" "$root/res/version.h")
  version="${version:+$version.}$n"
done
echo "version $version"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# --- the help ---
chm="$bin/Mirrant.chm"
if [ ! -s "$chm" ]; then
  echo "FAIL: $chm was not built (chmcmd comes with Debian's fp-utils, which scripts/setup installs)"
  exit 1
fi
chmls extractall "$chm" "$work/chm" >/dev/null || fail "chmls cannot decompile $chm"
# Read the whole listing first: grep -q stops at its match, and chmls
# writing on into the closed pipe would fail the pipeline under pipefail.
chmls printsystem "$chm" >"$work/system" || fail "chmls cannot read $chm"
grep -aEq 'LCID from HHP file *: *1041' "$work/system" || fail "the help's language is not Japanese"
iconv -f CP932 -t UTF-8 "$work/chm/toc.hhc" >"$work/toc" || fail "the contents are not code page 932"
grep -o 'name="Name" value="[^"]*"' "$work/toc" | sed 's/.*value="//; s/"$//' >"$work/names"
grep -o 'name="Local" value="[^"]*"' "$work/toc" | sed 's/.*value="//; s/"$//' >"$work/pages"
topics=$(wc -l <"$work/pages")
[ "$topics" -ge 10 ] || fail "the contents list only $topics topics"
[ "$(wc -l <"$work/names")" -eq "$topics" ] || fail "contents entries without a name or a page"
echo "contents:"
while IFS=$'\t' read -r name page; do
  echo "  $page  $name"
  file="$work/chm/$page"
  if [ ! -s "$file" ]; then fail "$page is listed in the contents but not in the help"; continue; fi
  title=$(tr -d '\r\n' <"$file" | sed -n 's/.*<title>\([^<]*\)<\/title>.*/\1/p')
  [ "$title" = "$name" ] || fail "$page is titled '$title' but listed as '$name'"
done < <(paste "$work/names" "$work/pages")
for page in "$root"/docs/help/*.html; do
  grep -qx "$(basename "$page")" "$work/pages" || fail "$(basename "$page") is not in the contents"
done
if grep -l '@MIRRANT_VERSION@' "$work"/chm/*.html >/dev/null 2>&1; then fail "a help page still holds the version placeholder"; fi
grep -q "バージョン $version" "$work/chm/index.html" || fail "the help's first page does not name version $version"

# --- the read-me and the history ---
for name in ReadMe.txt History.txt; do
  file="$bin/$name"
  if [ ! -s "$file" ]; then fail "$name was not built"; continue; fi
  iconv -f CP932 -t UTF-8 "$file" >"$work/$name" 2>/dev/null || fail "$name is not code page 932"
  [ "$(head -c 3 "$file" | od -An -tx1 | tr -d ' ')" != "efbbbf" ] || fail "$name starts with a UTF-8 byte-order mark"
  LC_ALL=C awk '!/\r$/ { bad = 1 } END { exit bad }' "$file" || fail "$name has a line without CR LF"
  [ "$(tail -c 2 "$file" | od -An -tx1 | tr -d ' ')" = "0d0a" ] || fail "$name does not end with CR LF"
  grep -q "バージョン $version" "$work/$name" || fail "$name does not name version $version"
done
for program in Mirrant_U.exe Mirrant.exe ClearMirrant.exe Mirrant.chm ReadMe.txt History.txt; do
  grep -q "$program" "$work/ReadMe.txt" || fail "ReadMe.txt does not name $program"
done

# --- what the documents tell a Windows user ---
# Menus are named as the screen shows them ("ｵﾌﾟｼｮﾝ(O)", never the resource
# form "(&O)"), and no example puts the programs where only administrators
# may write: neither program asks for elevation.
for file in "$work"/chm/*.html "$work/ReadMe.txt" "$root/README.md"; do
  [ -f "$file" ] || continue
  name=$(basename "$file")
  grep -q 'Program Files' "$file" && fail "$name suggests a folder under Program Files"
  grep -Eq '\(&(amp;)?[A-Za-z]\)' "$file" && fail "$name names a menu in its resource form (&X)"
done

[ $status -eq 0 ] && echo "documents: ok"
exit $status
