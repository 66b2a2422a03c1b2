#!/usr/bin/env bash
# The program's temporary files (a long run's log lines and kept decisions)
# outlive no run. A file a crashed program left in the user's temporary
# folder is removed when the program next starts, while a file that only
# looks like one stays; a scheduled run killed in the middle leaves no file
# behind once the program has run again, and that run brings the copy up to
# date. Both real programs.
# Usage: leftover_e2e.sh <bin folder>
set -uo pipefail
source "$(dirname "$0")/scheduled_run.sh" leftover "$1"

TEMP_DIR="$(winepath -u "$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')" 2>/dev/null)"
[ -d "$TEMP_DIR" ] || { echo "FAILED: the prefix's temporary folder was not found ($TEMP_DIR)"; exit 1; }

# The program's own temporary files now in the temporary folder.
own_files() { find "$TEMP_DIR" -maxdepth 1 -name 'Mirrant-*.tmp' -printf '%f\n' | sort; }

copy_batch() { printf 'copy\t%s\t%s\r\n' "$(win "$1/src/")" "$(win "$1/dst/")" >"$1/batch.mrt"; }

# A crashed program's files (no process has these numbers) go at the next
# start; names that only resemble them stay.
for exe in Mirrant_U.exe Mirrant.exe; do
    c="$WORK/crashed_$exe"
    mkdir -p "$c/src" "$c/dst"
    echo "a file" >"$c/src/a.txt"
    copy_batch "$c"
    left=(Mirrant-999996-0.log.tmp Mirrant-999992-7.log.tmp)
    kept=(Mirrant-notes.tmp Mirrant-999996-0.log.tmp.bak mirrant-draft.txt)
    for f in "${left[@]}" "${kept[@]}"; do echo "lines of an earlier run" >"$TEMP_DIR/$f"; done
    run_scheduled "$exe" "$c" /s
    [ "$EXIT" = 0 ] || fail "$exe: the run after a crash ended with $EXIT; log: $LOG"
    for f in "${left[@]}"; do [ ! -e "$TEMP_DIR/$f" ] || fail "$exe: a crashed run's $f is still there"; done
    for f in "${kept[@]}"; do
        [ -e "$TEMP_DIR/$f" ] || fail "$exe: $f, not the program's, was removed"
        rm -f "$TEMP_DIR/$f"
    done
    [ -f "$c/dst/a.txt" ] || fail "$exe: the run after a crash did not copy"
done

# A run killed while it copies, then the same run again.
for exe in Mirrant_U.exe Mirrant.exe; do
    c="$WORK/killed_$exe"
    mkdir -p "$c/dst"
    python3 - "$c/src" <<'EOF'
import os, sys
root = sys.argv[1]
for d in range(60):
    folder = os.path.join(root, "folder %02d" % d)
    os.makedirs(folder)
    for f in range(100):
        with open(os.path.join(folder, "file %03d.txt" % f), "w") as out:
            out.write("content %d %d\n" % (d, f))
EOF
    copy_batch "$c"
    before="$(own_files)"
    key="HKCU\\Software\\qorvane\\${exe%.exe}"
    wine reg delete "$key" /f >/dev/null 2>&1
    wine reg add "$key\\Settings" /v ScheduleLog /t REG_SZ /d "$(win "$c/killed.txt")" /f >/dev/null 2>&1
    (cd "$c" && exec wine "$BIN/$exe" /s "$(win "$c/batch.mrt")" </dev/null >/dev/null 2>&1) &
    pid=$!
    # Killed once it has copied some hundreds of the 6,000 files.
    for _ in $(seq 1 600); do
        [ "$(find "$c/dst" -type f | wc -l)" -lt 300 ] || break
        sleep 0.05
    done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    copied="$(find "$c/dst" -type f | wc -l)"
    [ "$copied" -lt 6000 ] || fail "$exe: the run ended before it was killed; the case tests nothing"
    sleep 1
    run_scheduled "$exe" "$c" /s
    [ "$EXIT" = 0 ] || fail "$exe: the run after a killed one ended with $EXIT; log: $LOG"
    diff -rq "$c/src" "$c/dst" >/dev/null || fail "$exe: the run after a killed one left the copy unlike its source"
    [ "$(own_files)" = "$before" ] || fail "$exe: temporary files are left after a killed run and the next: $(own_files)"
done

[ "$failures" = 0 ] && echo "leftover end-to-end: all passed"
exit $((failures > 0))
