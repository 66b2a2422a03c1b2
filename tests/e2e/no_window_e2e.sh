#!/usr/bin/env bash
# Both real programs started for a scheduled run where no window can be made
# (no display under Wine): nothing runs, and the exit code says so instead of
# the success code.
# Usage: no_window_e2e.sh <bin folder>
set -uo pipefail
BIN="$(cd "$1" && pwd)"
WORK="$(mktemp -d /tmp/mrt_nowin.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/src" "$WORK/dst"
echo a >"$WORK/src/a.txt"
printf 'copy\tZ:%s\\\tZ:%s\\\r\n' "${WORK//\//\\}\\src" "${WORK//\//\\}\\dst" >"$WORK/batch.mrt"
failures=0
for exe in Mirrant_U.exe Mirrant.exe; do
    (cd "$WORK" && env -u DISPLAY timeout 60 wine "$BIN/$exe" /s "Z:${WORK//\//\\}\\batch.mrt" </dev/null >/dev/null 2>&1)
    code=$?
    if [ "$code" != 2 ]; then
        echo "FAILED: $exe without a window ended with $code, expected 2"
        failures=$((failures + 1))
    fi
done
[ ! -e "$WORK/dst/a.txt" ] || { echo "FAILED: something ran"; failures=$((failures + 1)); }
echo "no window: $failures failure(s)"
[ "$failures" = 0 ]
