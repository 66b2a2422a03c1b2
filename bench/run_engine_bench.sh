#!/usr/bin/env bash
# Engine benchmark: one tree, four ways of bringing a copy of it up to date,
# measured in the same run on the same data.
#   bench/run_engine_bench.sh [FILES]      (default 20000 files, about 1 GiB)
# Environment: BENCH_DIR (default build/bench-data; needs five times the
# tree's size free), BENCH_KEEP=1 keeps the data afterwards.
# Prints the wall time of each phase and tool, the ratios of Mirrant's times
# to xcopy's and to cp's, and Mirrant's peak memory. Not a test.
set -euo pipefail
FILES="${1:-20000}"
source "$(dirname "$0")/../scripts/env.sh"
source "$(dirname "$0")/common.sh"
DATA="${BENCH_DIR:-$BUILD_DIR/bench-data}"
EXE="$BUILD_DIR/bench/mirrant_engine_bench.exe"

"$ROOT/scripts/build" --target mirrant_engine_bench >/dev/null

rm -rf "$DATA"
mkdir -p "$DATA"
python3 "$ROOT/bench/make_tree.py" create "$DATA/src" "$FILES"
start_display || true
start_wine || true
trap 'stop_wine; stop_display; [ "${BENCH_KEEP:-0}" = 1 ] || rm -rf "$DATA"' EXIT

SRC_W="$(win "$DATA/src")"

declare -A T
run_phase() {
  local phase="$1" cpflags="$2"
  measure wine "$EXE" "$SRC_W" "$(win "$DATA/dst_mirrant")"
  T[$phase,mirrant]=$LAST
  local line; line=$(tr -d '\r' <"$DATA/last.out" | grep '^result=')
  T[$phase,engine]=$(sed 's/.*seconds=\([0-9.]*\).*/\1/' <<<"$line")
  local peak; peak=$(sed 's/.*peak_pagefile_mib=\([0-9.]*\).*/\1/' <<<"$line")
  local ws; ws=$(sed 's/.*peak_working_set_mib=\([0-9.]*\).*/\1/' <<<"$line")
  T[$phase,peak]="$ws MiB working set, $peak MiB private"
  measure wine xcopy /E /D /Y /I /H /K "$SRC_W" "$(win "$DATA/dst_xcopy")"
  T[$phase,xcopy]=$LAST
  mkdir -p "$DATA/dst_cp"
  measure cp $cpflags "$DATA/src/." "$DATA/dst_cp/"
  T[$phase,cp]=$LAST
}

# The destination folder must exist for the program's root check.
mkdir -p "$DATA/dst_mirrant"
run_phase initial "-a"
run_phase nothing "-au"
python3 "$ROOT/bench/make_tree.py" change "$DATA/src"
run_phase changed "-au"

# Every copy must equal the source (contents).
for d in mirrant xcopy cp; do
  diff -rq "$DATA/src" "$DATA/dst_$d" >/dev/null || echo "WARNING: dst_$d differs from the source"
done

printf '\n%d files, %s\n' "$FILES" "$(du -sh "$DATA/src" | cut -f1)"
printf '%-9s %9s %9s %9s %9s   %7s %7s\n' phase mirrant "(engine)" xcopy cp \
  "/xcopy" "/cp"
for p in initial nothing changed; do
  printf '%-9s %9.2f %9.2f %9.2f %9.2f   %7s %7s\n' "$p" "${T[$p,mirrant]}" "${T[$p,engine]}" \
    "${T[$p,xcopy]}" "${T[$p,cp]}" \
    "$(ratio "${T[$p,mirrant]}" "${T[$p,xcopy]}")" \
    "$(ratio "${T[$p,mirrant]}" "${T[$p,cp]}")"
done
printf 'times in seconds, wall clock of the whole command (Wine start included for mirrant and xcopy);\n'
printf '(engine): the run alone as timed inside the program; cp is "cp -a", then "cp -au".\n'
for p in initial nothing changed; do printf 'peak memory, %s: %s\n' "$p" "${T[$p,peak]}"; done
