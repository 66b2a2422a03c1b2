#!/usr/bin/env bash
# Checking a backup against its source, unattended: "/s /T" with the content
# comparison on ("同時刻同ｻｲｽﾞは同じとみなす" off) changes nothing, logs the
# damaged copy as an error line and ends with exit code 1; an intact backup
# ends with 0. Both real programs.
# Usage: audit_e2e.sh <bin folder>
set -uo pipefail
BIN="$(cd "$1" && pwd)"
WORK="$(mktemp -d /tmp/mrt_audit.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}
win() { echo "Z:${1//\//\\}"; }

audit() {
    local exe="$1" c="$2" key="HKCU\\Software\\qorvane\\${1%.exe}"
    wine reg delete "$key" /f >/dev/null 2>&1
    wine reg add "$key\\Settings" /v ScheduleLog /t REG_SZ /d "$(win "$c/log.txt")" /f >/dev/null 2>&1
    wine reg add "$key\\Settings" /v op5 /t REG_DWORD /d 0 /f >/dev/null 2>&1
    printf 'copy\t%s\t%s\r\n' "$(win "$c/src/")" "$(win "$c/dst/")" >"$c/batch.mrt"
    (cd "$c" && timeout 120 wine "$BIN/$exe" /s /T "$(win "$c/batch.mrt")" </dev/null >/dev/null 2>&1)
    EXIT=$?
    wine reg delete "$key" /f >/dev/null 2>&1
    if [ "$exe" = Mirrant_U.exe ]; then LOG="$(iconv -f UTF-16 -t UTF-8 "$c/log.txt")"
    else LOG="$(iconv -f CP932 -t UTF-8 "$c/log.txt")"; fi
}

for exe in Mirrant_U.exe Mirrant.exe; do
    c="$WORK/$exe"
    mkdir -p "$c/src" "$c/dst"
    echo "intact contents" >"$c/src/good.txt"
    echo "original bytes" >"$c/src/damaged.txt"
    echo "flipped  bytes" >"$c/dst/damaged.txt"  # same size
    cp -p "$c/src/good.txt" "$c/dst/good.txt"
    touch -r "$c/src/damaged.txt" "$c/dst/damaged.txt"
    echo "not yet backed up" >"$c/src/new.txt"
    before="$(cd "$c" && find src dst -type f -exec md5sum {} + | sort)"
    audit "$exe" "$c"
    [ "$EXIT" = 1 ] || fail "$exe: a damaged backup ended with $EXIT, expected 1; log: $LOG"
    [ "$before" = "$(cd "$c" && find src dst -type f -exec md5sum {} + | sort)" ] || fail "$exe: the check changed files"
    case "$LOG" in *"damaged.txt\"は異なる内容です。"*) ;; *) fail "$exe: the damaged file is not named: $LOG" ;; esac
    case "$LOG" in *"good.txt\"は異なる内容"*) fail "$exe: the intact file was reported" ;; esac

    cp -p "$c/src/damaged.txt" "$c/dst/damaged.txt"
    cp -p "$c/src/new.txt" "$c/dst/new.txt"
    audit "$exe" "$c"
    [ "$EXIT" = 0 ] || fail "$exe: an intact backup ended with $EXIT, expected 0; log: $LOG"
done
echo "audit: $failures failure(s)"
[ "$failures" = 0 ]
