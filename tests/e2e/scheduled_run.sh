# What the end-to-end scripts share, sourced after `set -uo pipefail` with
# the script's short name and the bin folder: BIN, a work folder WORK removed
# at the end, fail/failures, win (a host path as Wine's Z: path) and
# run_scheduled.
# Usage: source scheduled_run.sh <name> <bin folder>
BIN="$(cd "$2" && pwd)"
WORK="$(mktemp -d "/tmp/mrt_$1.XXXXXX")"
trap 'rm -rf "$WORK"' EXIT
failures=0

fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}
win() { echo "Z:${1//\//\\}"; }

# run_scheduled <exe> <case folder> <switches> [value=number ...]: runs the
# program from fresh settings on <case folder>/batch.mrt as a scheduled task
# would ("<switches> batch.mrt", from the case folder), with the schedule log
# in <case folder>/log.txt and the given registry values planted; sets EXIT
# and LOG (the schedule log as UTF-8).
run_scheduled() {
    local exe="$1" c="$2" switches="$3" key="HKCU\\Software\\qorvane\\${1%.exe}" value
    shift 3
    wine reg delete "$key" /f >/dev/null 2>&1
    wine reg add "$key\\Settings" /v ScheduleLog /t REG_SZ /d "$(win "$c/log.txt")" /f >/dev/null 2>&1
    for value in "$@"; do
        wine reg add "$key\\Settings" /v "${value%=*}" /t REG_DWORD /d "${value#*=}" /f >/dev/null 2>&1
    done
    rm -f "$c/log.txt"
    # shellcheck disable=SC2086 # the switches are separate words
    (cd "$c" && timeout 120 wine "$BIN/$exe" $switches "$(win "$c/batch.mrt")" </dev/null >/dev/null 2>&1)
    EXIT=$?
    wine reg delete "$key" /f >/dev/null 2>&1
    if [ "$exe" = Mirrant_U.exe ]; then LOG="$(iconv -f UTF-16 -t UTF-8 "$c/log.txt" 2>/dev/null)"
    else LOG="$(iconv -f CP932 -t UTF-8 "$c/log.txt" 2>/dev/null)"; fi
}
