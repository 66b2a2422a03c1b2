#!/usr/bin/env bash
# Both real programs, unattended, on trees that hold what only the host can
# make: folder links (ln -s), and a destination nested inside its source.
# What a link leads to is never emptied, and the folder that holds the
# destination is never deleted.
# Usage: kept_trees_e2e.sh <bin folder> ; Wine, its prefix and a display come
# from the test script's environment.
set -uo pipefail
source "$(dirname "$0")/scheduled_run.sh" kept "$1"

# Runs one program on a one-row batch with the given registry values; sets
# EXIT and LOG (the schedule log as UTF-8).
run_program() {
    local exe="$1" row="$2" case_dir="$3"
    shift 3
    printf '%s\r\n' "$row" >"$case_dir/batch.mrt"
    run_scheduled "$exe" "$case_dir" /s "$@"
}

# A sync deletes destination folders the source lacks, with set-aside on: a
# link inside such a folder, and a folder that is itself a link, lead to
# folders outside both trees whose files stay where they are.
folder_links() {
    local exe="$1" c="$WORK/links_$1"
    mkdir -p "$c/src" "$c/dst/old" "$c/outside" "$c/outside2"
    local i
    for i in 1 2 3; do
        echo "o$i" >"$c/outside/o$i.txt"
        echo "p$i" >"$c/outside2/p$i.txt"
    done
    echo f >"$c/dst/old/f.txt"
    echo keep >"$c/src/keep.txt"
    ln -s "$c/outside" "$c/dst/old/linked"
    ln -s "$c/outside2" "$c/dst/gone_link"
    run_program "$exe" "sync	$(win "$c/src/")	$(win "$c/dst/")" "$c" SetAside=1 op2=0
    for i in 1 2 3; do
        [ "$(cat "$c/outside/o$i.txt" 2>/dev/null)" = "o$i" ] || fail "$exe: outside/o$i.txt was moved or deleted"
        [ "$(cat "$c/outside2/p$i.txt" 2>/dev/null)" = "p$i" ] || fail "$exe: outside2/p$i.txt was moved or deleted"
    done
    local kept
    kept="$(find "$c/dst/_Mirrant退避" -type f 2>/dev/null | sed "s|^$c/dst/_Mirrant退避/[^/]*/||" | sort | tr '\n' ' ')"
    [ "$kept" = "old/f.txt " ] || fail "$exe: set aside '$kept', expected only old/f.txt"
    [ "$(cat "$c/dst/keep.txt" 2>/dev/null)" = keep ] || fail "$exe: the run did not copy keep.txt"
    case "$LOG" in *"個のﾌｧｲﾙを"*"に退避しました。"*) ;; *) fail "$exe: no set-aside line in: $LOG" ;; esac
}

# The destination two levels inside the source, and a one-way run that
# deletes source items the destination lacks.
nested_destination() {
    local exe="$1" c="$WORK/nested_$1"
    mkdir -p "$c/src/a/b"
    echo x >"$c/src/a/x.txt"
    echo top >"$c/src/top.txt"
    run_program "$exe" "copy	$(win "$c/src/")	$(win "$c/src/a/b/")" "$c" op14=1
    [ "$(cat "$c/src/a/x.txt" 2>/dev/null)" = x ] || fail "$exe: the folder holding the destination was deleted"
    [ -d "$c/src/a/b" ] || fail "$exe: the destination was deleted"
    [ ! -e "$c/src/top.txt" ] || fail "$exe: top.txt should go by the policy \"delete\""
    [ "$EXIT" = 0 ] || fail "$exe: exit code $EXIT, expected 0; log: $LOG"
    case "$LOG" in *"はｺﾋﾟｰ元の中にあるため、ｺﾋﾟｰ元としては扱いません。"*) ;; *) fail "$exe: no pass-by line: $LOG" ;; esac
}

for exe in Mirrant_U.exe Mirrant.exe; do
    folder_links "$exe"
    nested_destination "$exe"
done
echo "kept trees: $failures failure(s)"
[ "$failures" = 0 ]
