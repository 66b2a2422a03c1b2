#!/usr/bin/env bash
# System calls per copied file: the scheduled wide program against Wine's
# xcopy, both copying a fresh tree, counted with strace on every process of
# the run (the program and Wine's own code in it; the wineserver is counted
# apart, as the requests it answers). Each count is taken on a 20-file and a
# FILES-file tree and divided by the difference, so starting up cancels out.
#   bench/count_calls.sh [FILES]      (default 2000)
set -euo pipefail
FILES="${1:-2000}"
source "$(dirname "$0")/../scripts/env.sh"
source "$(dirname "$0")/common.sh"
DATA="${BENCH_DIR:-$BUILD_DIR/bench-data-calls}"
command -v strace >/dev/null || { echo "strace is needed (apt-get install strace)" >&2; exit 1; }
"$ROOT/scripts/build" --target Mirrant_U program_bench >/dev/null

start_display || true
start_wine || true
trap 'cd "$ROOT"; stop_wine; stop_display; rm -rf "$DATA"' EXIT
rm -rf "$DATA"; mkdir -p "$DATA"
cd "$DATA"

# Total system calls of one command and the processes it starts.
calls() {
  strace -f -c -o "$DATA/strace.txt" "$@" >/dev/null 2>&1 || true
  awk '$NF == "total" { print $4 }' "$DATA/strace.txt"
}

declare -A C
for n in 20 "$FILES"; do
  python3 "$ROOT/bench/make_tree.py" create "$DATA/src$n" "$n" >/dev/null
  mkdir -p "$DATA/mirrant$n"
  printf 'copy\t%s\t%s\r\n' "$(win "$DATA/src$n")" "$(win "$DATA/mirrant$n")" >"$DATA/job$n.mrt"
  C[mirrant,$n]=$(calls wine "$BUILD_DIR/bench/program_bench.exe" schedule "$(win "$BUILD_DIR/bin/Mirrant_U.exe")" \
    "$(win "$DATA/job$n.mrt")")
  C[xcopy,$n]=$(calls wine xcopy /E /D /Y /I /H /K /Q "$(win "$DATA/src$n")" "$(win "$DATA/xcopy$n")")
done
per() { printf '%.1f' "$(echo "(${C[$1,$FILES]} - ${C[$1,20]}) / ($FILES - 20)" | bc -l)"; }
printf 'system calls per copied file (initial copy, %d files): Mirrant_U /s %s, xcopy %s\n' "$FILES" \
  "$(per mirrant)" "$(per xcopy)"
