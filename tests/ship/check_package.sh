#!/usr/bin/env bash
# The package as a Windows user gets it:
#   check_package.sh <build folder> <source root>
# scripts/package writes Mirrant-<version>.zip, which unzips to one folder
# holding exactly the six files, and each program in it starts under Wine
# and shows its window.
set -uo pipefail
export BUILD_DIR=$1
root=$2
source "$root/scripts/env.sh"
status=0
fail() { echo "FAIL: $*"; status=1; }
work=$(mktemp -d)
start_display || exit 1
trap 'stop_display; rm -rf "$work"' EXIT

version=""
for part in MAJOR MINOR PATCH; do
  n=$(sed -n "s/^#define MIRRANT_VERSION_$part \([0-9][0-9]*\).*/\1/p" "$root/res/version.h")
  version="${version:+$version.}$n"
done
if ! DIST_DIR="$work/dist" "$root/scripts/package" >"$work/package.log" 2>&1; then
  cat "$work/package.log"
  echo "FAIL: scripts/package failed"
  exit 1
fi
zip="$work/dist/Mirrant-$version.zip"
[ -s "$zip" ] || { ls "$work/dist"; echo "FAIL: Mirrant-$version.zip was not written"; exit 1; }

mkdir "$work/unzipped"
(cd "$work/unzipped" && cmake -E tar xf "$zip") || fail "the zip does not unzip"
found=$(cd "$work/unzipped" && find . -type f | sort)
expected=$(for file in ClearMirrant.exe History.txt Mirrant.chm Mirrant.exe Mirrant_U.exe ReadMe.txt; do
             echo "./Mirrant-$version/$file"
           done | sort)
[ "$found" = "$expected" ] || fail "the zip holds"$'\n'"$found"$'\n'"instead of"$'\n'"$expected"
folder="$work/unzipped/Mirrant-$version"
for doc in Mirrant.chm ReadMe.txt History.txt; do
  cmp -s "$folder/$doc" "$BUILD_DIR/bin/$doc" || fail "$doc in the zip is not the built one"
done

# Starts a program of the unzipped folder, in that folder, and waits for
# its window with the given title.
starts() {
  local exe=$1 title=$2 pid w shown=""
  (cd "$folder" && exec wine "./$exe" </dev/null >/dev/null 2>&1) &
  pid=$!
  for _ in $(seq 1 100); do
    for w in $(xdotool search --pid "$pid" 2>/dev/null); do
      [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$title" ] && shown=yes
    done
    [ -n "$shown" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
  done
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  if [ -n "$shown" ]; then echo "$exe started: $title"; else fail "$exe did not show \"$title\""; fi
}
starts Mirrant_U.exe "Mirrant(Unicode版)"
starts Mirrant.exe "Mirrant"
starts ClearMirrant.exe "Mirrantｱﾝｲﾝｽﾄｰﾙ"
for file in Mirrant_U.exe Mirrant.exe Mirrant.chm ReadMe.txt History.txt; do
  [ -e "$folder/$file" ] || fail "$file went while the uninstaller was only asked"
done

[ $status -eq 0 ] && echo "package: ok"
exit $status
