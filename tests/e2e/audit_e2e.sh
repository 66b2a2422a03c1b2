#!/usr/bin/env bash
# Checking a backup against its source, unattended: "/s /T" with the content
# comparison on ("同時刻同ｻｲｽﾞは同じとみなす" off) changes nothing, logs the
# damaged copy as an error line and ends with exit code 1; an intact backup
# ends with 0. Both real programs.
# Usage: audit_e2e.sh <bin folder>
set -uo pipefail
source "$(dirname "$0")/scheduled_run.sh" audit "$1"

audit() {
    printf 'copy\t%s\t%s\r\n' "$(win "$2/src/")" "$(win "$2/dst/")" >"$2/batch.mrt"
    run_scheduled "$1" "$2" "/s /T" op5=0
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
