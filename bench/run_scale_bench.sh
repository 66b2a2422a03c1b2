#!/usr/bin/env bash
# The real programs on deep trees of empty files (folders of about 100
# entries, 10 levels deep), size by size: time per entry and peak memory of
# each phase, Wine's xcopy on the initial copy in the same run.
#   bench/run_scale_bench.sh [ENTRIES ...]      (default: 20000 200000)
# Phases, each a scheduled run ("/s job.mrt", default settings, schedule log
# written) of the wide and of the narrow program on its own destination:
#   initial  the first copy ("copy" row)
#   nothing  the same again, nothing to do
#   changed  every tenth file rewritten, then the copy
#   delete   every tenth file removed from the source, then a "sync" row
#            (delete priority is the default): the copies lose them
# Prints per size and phase the seconds, the microseconds per entry and the
# peak working set of each program (MiB), and xcopy's on the initial copy.
# Environment: BENCH_DIR (default build/bench-data), BENCH_KEEP=1 keeps data,
# BENCH_BIN: the folder of Mirrant_U.exe and Mirrant.exe (default: the
# build's; another build's to compare), BENCH_WINEPREFIX: a Wine prefix of
# its own (made as a copy of the build's when missing), so that tests run
# meanwhile, which stop the build prefix's wineserver, leave it alone.
set -euo pipefail
SIZES=("$@")
[ ${#SIZES[@]} -gt 0 ] || SIZES=(20000 200000)
source "$(dirname "$0")/../scripts/env.sh"
source "$(dirname "$0")/common.sh"
DATA=$(realpath -m "${BENCH_DIR:-$BUILD_DIR/bench-data}")
BIN=$(realpath -m "${BENCH_BIN:-$BUILD_DIR/bin}")
DRIVER="$BUILD_DIR/bench/program_bench.exe"

if [ -n "${BENCH_WINEPREFIX:-}" ]; then
  BENCH_WINEPREFIX=$(realpath -m "$BENCH_WINEPREFIX")   # the runs start in the data folder
  [ -d "$BENCH_WINEPREFIX" ] || { [ -f "$WINEPREFIX/.mirrant-ready" ] || "$ROOT/scripts/setup"; cp -a "$WINEPREFIX" "$BENCH_WINEPREFIX"; }
fi
command -v bc >/dev/null || { echo "bc is needed (apt-get install bc)" >&2; exit 1; }
if [ -z "${BENCH_BIN:-}" ]; then
  "$ROOT/scripts/build" --target Mirrant_U Mirrant program_bench >/dev/null
else
  "$ROOT/scripts/build" --target program_bench >/dev/null
fi

export WINEPREFIX="${BENCH_WINEPREFIX:-$WINEPREFIX}"
start_display || true
start_wine || true
trap 'stop_wine; stop_display; [ "${BENCH_KEEP:-0}" = 1 ] || rm -rf "$DATA"' EXIT

declare -A T MEM
PHASES=(initial nothing changed delete)

# One scheduled run of a program; its schedule log goes to the data folder.
program() {
  local key="$1" exe="$2" job="$3"
  cd "$DATA"
  measure wine "$DRIVER" schedule "$(win "$BIN/$exe")" "$(win "$DATA/$job")"
  T[$key]=$(field seconds); MEM[$key]=$(field peak_working_set_mib)
}

run_phase() {
  local p="$1" row="$2"
  program "$p,w" Mirrant_U.exe "${row}_w.mrt"
  program "$p,n" Mirrant.exe "${row}_n.mrt"
  if [ "$p" = initial ]; then
    measure wine xcopy /E /D /Y /I /H /K /Q "$(win "$DATA/src")" "$(win "$DATA/dst_x")"
    T[$p,x]=$LAST
  fi
}

prepare() {
  local entries="$1" side
  cd "$ROOT"
  rm -rf "$DATA"; mkdir -p "$DATA"
  python3 "$ROOT/bench/make_deep_tree.py" create "$DATA/src" "$entries" >/dev/null
  for side in w n; do
    mkdir -p "$DATA/dst_$side"
    printf 'copy\t%s\t%s\r\n' "$(win "$DATA/src")" "$(win "$DATA/dst_$side")" >"$DATA/copy_$side.mrt"
    printf 'sync\t%s\t%s\r\n' "$(win "$DATA/src")" "$(win "$DATA/dst_$side")" >"$DATA/sync_$side.mrt"
  done
}

us() { printf '%.1f' "$(echo "$1 * 1000000 / $2" | bc -l)"; }

report() {
  local entries="$1" p
  printf '\n%d entries (%d folders)\n' "$entries" "$(find "$DATA/src" -mindepth 1 -type d | wc -l)"
  printf '%-8s %10s %10s %10s %10s %10s %10s\n' phase "wide s" "wide µs/e" "wide MiB" "narrow s" "narr µs/e" "narrow MiB"
  for p in "${PHASES[@]}"; do
    printf '%-8s %10.2f %10s %10s %10.2f %10s %10s\n' "$p" \
      "${T[$p,w]}" "$(us "${T[$p,w]}" "$entries")" "${MEM[$p,w]}" \
      "${T[$p,n]}" "$(us "${T[$p,n]}" "$entries")" "${MEM[$p,n]}"
  done
  printf 'xcopy, initial: %.2f s, %s µs per entry; wide ÷ xcopy %s, narrow ÷ xcopy %s\n' "${T[initial,x]}" \
    "$(us "${T[initial,x]}" "$entries")" "$(ratio "${T[initial,w]}" "${T[initial,x]}")" \
    "$(ratio "${T[initial,n]}" "${T[initial,x]}")"
  for side in w n; do
    diff -rq "$DATA/src" "$DATA/dst_$side" >/dev/null || echo "WARNING: dst_$side differs from the source"
  done
  printf 'SUMMARY entries=%d' "$entries"
  for p in "${PHASES[@]}"; do
    printf ' %s_w_us=%s %s_w_mib=%s %s_n_us=%s %s_n_mib=%s' "$p" "$(us "${T[$p,w]}" "$entries")" "$p" "${MEM[$p,w]}" \
      "$p" "$(us "${T[$p,n]}" "$entries")" "$p" "${MEM[$p,n]}"
  done
  printf ' xcopy_us=%s\n' "$(us "${T[initial,x]}" "$entries")"
}

printf 'programs: %s\n' "$BIN"
for entries in "${SIZES[@]}"; do
  prepare "$entries"
  run_phase initial copy
  run_phase nothing copy
  python3 "$ROOT/bench/make_deep_tree.py" change "$DATA/src" >/dev/null
  run_phase changed copy
  python3 "$ROOT/bench/make_deep_tree.py" delete "$DATA/src" >/dev/null
  run_phase delete sync
  report "$entries"
done
printf '\nseconds from the start of each process to its end (Wine start included); µs/e: microseconds per\n'
printf 'entry of the tree as created; MiB: peak working set of the program process.\n'
