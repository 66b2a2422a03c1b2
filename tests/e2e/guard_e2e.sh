#!/usr/bin/env bash
# The guard against large changes, as a scheduled task meets it: a two-row
# "/S" batch whose first row would delete most of a backup (60 % of its
# source gone) and whose second row would replace every file of another
# backup with other, newer bytes. With the default settings neither row
# changes anything, each says so in the schedule log, and the program ends
# with exit code 3; a third, ordinary row after them still runs. With the
# guard switched off ("GuardOn" 0) the same batch deletes and replaces, and
# ends with 0. Both real programs.
# Usage: guard_e2e.sh <bin folder>
set -uo pipefail
source "$(dirname "$0")/scheduled_run.sh" guard "$1"

# run <exe> <case folder> [registry value to switch off]
run() {
    local exe="$1" c="$2"
    {
        printf 'sync\t%s\t%s\r\n' "$(win "$c/a/src/")" "$(win "$c/a/dst/")"
        printf 'copy\t%s\t%s\r\n' "$(win "$c/b/src/")" "$(win "$c/b/dst/")"
        printf 'copy\t%s\t%s\r\n' "$(win "$c/c/src/")" "$(win "$c/c/dst/")"
    } >"$c/batch.mrt"
    run_scheduled "$exe" "$c" /S ${3:+"$3=0"}
}

trees() {
    local c="$1"
    rm -rf "$c/a" "$c/b" "$c/c"
    mkdir -p "$c/a/src" "$c/a/dst/docs" "$c/b/src" "$c/b/dst" "$c/c/src" "$c/c/dst"
    for i in $(seq 1 40); do
        echo "document $i" >"$c/a/dst/docs/f$i.txt"
        touch -d '2026-01-01 00:00' "$c/a/dst/docs/f$i.txt"
        echo "photo $i" >"$c/b/dst/p$i.jpg"
        touch -d '2026-01-01 00:00' "$c/b/dst/p$i.jpg"
        # What file-encrypting malware leaves: other bytes, a newer time.
        echo "ENCRYPTED $i xxxxxxxx" >"$c/b/src/p$i.jpg"
        touch -d '2026-02-01 00:00' "$c/b/src/p$i.jpg"
    done
    # Of the first source, 16 of the 40 files are left.
    mkdir -p "$c/a/src/docs"
    for i in $(seq 1 16); do cp -p "$c/a/dst/docs/f$i.txt" "$c/a/src/docs/"; done
    echo "an ordinary new file" >"$c/c/src/new.txt"
}
sums() { (cd "$1" && find a b -type f -exec md5sum {} + | sort); }

for exe in Mirrant_U.exe Mirrant.exe; do
    c="$WORK/$exe"
    mkdir -p "$c"
    trees "$c"
    before="$(sums "$c")"
    run "$exe" "$c"
    [ "$EXIT" = 3 ] || fail "$exe: a batch with rows stopped by the guard ended with $EXIT, expected 3; log: $LOG"
    [ "$before" = "$(sums "$c")" ] || fail "$exe: a stopped row changed files"
    case "$LOG" in *"ｺﾋﾟｰ先のﾌｧｲﾙ 40 個のうち 24 個を削除・上書きするため、処理を中止しました。(上限 50%)"*) ;;
        *) fail "$exe: the first row's guard line is missing: $LOG" ;; esac
    case "$LOG" in *"ｺﾋﾟｰ先のﾌｧｲﾙ 40 個のうち 40 個を削除・上書きするため、処理を中止しました。(上限 50%)"*) ;;
        *) fail "$exe: the second row's guard line is missing: $LOG" ;; esac
    case "$LOG" in *"「ｵﾌﾟｼｮﾝ」の「大量変更の保護」"*) ;; *) fail "$exe: the way to go on is not said" ;; esac
    [ -f "$c/c/dst/new.txt" ] || fail "$exe: the row after the stopped ones did not run: $LOG"
    case "$LOG" in *"中断されました"*) fail "$exe: the batch was reported as interrupted: $LOG" ;; esac

    # The guard off: the same batch carries the rows out.
    trees "$c"
    run "$exe" "$c" GuardOn
    [ "$EXIT" = 0 ] || fail "$exe: with the guard off the batch ended with $EXIT, expected 0; log: $LOG"
    [ "$(ls "$c/a/dst/docs" | wc -l)" = 16 ] || fail "$exe: with the guard off the sync did not delete"
    grep -q ENCRYPTED "$c/b/dst/p1.jpg" || fail "$exe: with the guard off the overwrite did not replace"
done
echo "guard: $failures failure(s)"
[ "$failures" = 0 ]
