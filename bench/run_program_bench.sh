#!/usr/bin/env bash
# The real programs against xcopy and cp, timed as a user waits for
# them, on the same trees in the same run.
#   bench/run_program_bench.sh [FILES ...]      (default: 2000 20000 100000)
# For each size: a scheduled run of each program ("/s job.mrt", default
# settings, schedule log written), a run from the wide program's main window
# at display level 0 (the default: most detail) timed from the button press
# to the result window, the engine alone, Wine's xcopy and the host's cp; in
# three phases (initial copy, nothing to do, every tenth file changed).
# Prints times, ratios and the programs' peak memory. The fixed cost of one
# run is measured first on a 20-file tree.
# Environment: BENCH_DIR (default build/bench-data), BENCH_KEEP=1 keeps data,
# BENCH_SET_ASIDE=1 runs the programs and the engine with "SetAside" on.
set -euo pipefail
SIZES=("$@")
[ ${#SIZES[@]} -gt 0 ] || SIZES=(2000 20000 100000)
source "$(dirname "$0")/../scripts/env.sh"
source "$(dirname "$0")/common.sh"
DATA="${BENCH_DIR:-$BUILD_DIR/bench-data}"
BIN="$BUILD_DIR/bin"
DRIVER="$BUILD_DIR/bench/program_bench.exe"
ENGINE="$BUILD_DIR/bench/mirrant_engine_bench.exe"

for tool in bc; do command -v $tool >/dev/null || { echo "$tool is needed (apt-get install $tool)" >&2; exit 1; }; done
"$ROOT/scripts/build" --target Mirrant_U Mirrant mirrant_engine_bench program_bench >/dev/null

start_display || true
start_wine || true
trap 'stop_wine; stop_display; [ "${BENCH_KEEP:-0}" = 1 ] || rm -rf "$DATA"' EXIT

declare -A T MEM

# One phase: every tool brings its own destination up to date. The programs
# run in the data folder, where their schedule logs go by default.
run_phase() {
  local p="$1" cpflags="$2" src_w
  src_w="$(win "$DATA/src")"
  cd "$DATA"
  measure wine "$DRIVER" schedule "$(win "$BIN/Mirrant_U.exe")" "$(win "$DATA/job_w.mrt")"
  T[$p,sched_w]=$(field seconds); MEM[$p,sched_w]=$(field peak_private_mib)
  measure wine "$DRIVER" schedule "$(win "$BIN/Mirrant.exe")" "$(win "$DATA/job_n.mrt")"
  T[$p,sched_n]=$(field seconds); MEM[$p,sched_n]=$(field peak_private_mib)
  measure wine "$DRIVER" window "$(win "$BIN/Mirrant_U.exe")" "$src_w" "$(win "$DATA/dst_window")"
  T[$p,window]=$(field seconds); MEM[$p,window]=$(field peak_private_mib)
  measure wine "$ENGINE" "$src_w" "$(win "$DATA/dst_engine")"
  T[$p,engine]=$LAST; T[$p,engine_in]=$(field seconds); MEM[$p,engine]=$(field peak_pagefile_mib)
  measure wine xcopy /E /D /Y /I /H /K /Q "$src_w" "$(win "$DATA/dst_xcopy")"
  T[$p,xcopy]=$LAST
  mkdir -p "$DATA/dst_cp"
  measure cp $cpflags "$DATA/src/." "$DATA/dst_cp/"
  T[$p,cp]=$LAST
}

# A fresh tree and fresh destinations; the programs' roots must exist.
prepare() {
  local files="$1"
  cd "$ROOT"
  rm -rf "$DATA"; mkdir -p "$DATA"
  python3 "$ROOT/bench/make_tree.py" create "$DATA/src" "$files" >/dev/null
  for d in sched_w sched_n window engine; do mkdir -p "$DATA/dst_$d"; done
  printf 'copy\t%s\t%s\r\n' "$(win "$DATA/src")" "$(win "$DATA/dst_sched_w")" >"$DATA/job_w.mrt"
  printf 'copy\t%s\t%s\r\n' "$(win "$DATA/src")" "$(win "$DATA/dst_sched_n")" >"$DATA/job_n.mrt"
}

report() {
  local files="$1"
  printf '\n%d files, %s\n' "$files" "$(du -sh "$DATA/src" | cut -f1)"
  printf '%-8s %8s %8s %8s %8s %8s %8s %8s  %s\n' phase "/s wide" "/s narr" window engine "(inside)" xcopy cp \
    "/s wide÷xcopy  window÷/s wide  /s wide÷(engine+fixed)"
  for p in initial nothing changed; do
    printf '%-8s %8.2f %8.2f %8.2f %8.2f %8.2f %8.2f %8.2f  %8s %14s %14s\n' "$p" \
      "${T[$p,sched_w]}" "${T[$p,sched_n]}" "${T[$p,window]}" "${T[$p,engine]}" "${T[$p,engine_in]}" \
      "${T[$p,xcopy]}" "${T[$p,cp]}" \
      "$(ratio "${T[$p,sched_w]}" "${T[$p,xcopy]}")" "$(ratio "${T[$p,window]}" "${T[$p,sched_w]}")" \
      "$(ratio "${T[$p,sched_w]}" "$(echo "${T[$p,engine_in]} + $FIXED" | bc -l)")"
  done
  printf 'per file, initial copy (ms): /s wide %.3f (%.3f after the fixed cost), engine %.3f, xcopy %.3f\n' \
    "$(echo "${T[initial,sched_w]} * 1000 / $files" | bc -l)" \
    "$(echo "(${T[initial,sched_w]} - $FIXED) * 1000 / $files" | bc -l)" \
    "$(echo "${T[initial,engine_in]} * 1000 / $files" | bc -l)" "$(echo "${T[initial,xcopy]} * 1000 / $files" | bc -l)"
  for p in initial nothing changed; do
    printf 'peak private memory (MiB), %s: /s wide %s, /s narrow %s, window %s, engine %s\n' "$p" \
      "${MEM[$p,sched_w]}" "${MEM[$p,sched_n]}" "${MEM[$p,window]}" "${MEM[$p,engine]}"
  done
  for d in sched_w sched_n window engine xcopy cp; do
    diff -rq -x '_Mirrant退避' "$DATA/src" "$DATA/dst_$d" >/dev/null || echo "WARNING: dst_$d differs from the source"
  done
}

# The fixed cost of one run: a 20-file tree copied by the scheduled program.
prepare 20
run_phase initial "-a"
FIXED=${T[initial,sched_w]}
printf 'fixed cost of one run (20 files): /s wide %.2f s, /s narrow %.2f s, window %.2f s, engine process %.2f s, xcopy %.2f s\n' \
  "${T[initial,sched_w]}" "${T[initial,sched_n]}" "${T[initial,window]}" "${T[initial,engine]}" "${T[initial,xcopy]}"

for files in "${SIZES[@]}"; do
  prepare "$files"
  run_phase initial "-a"
  run_phase nothing "-au"
  python3 "$ROOT/bench/make_tree.py" change "$DATA/src" >/dev/null
  run_phase changed "-au"
  report "$files"
done
printf '\nseconds, each from the start of the process to its end (window: button press to result window);\n'
printf 'engine: the engine-alone program, wall clock; (inside): its run as it times it; cp -a, then cp -au.\n'
