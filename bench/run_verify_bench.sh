#!/usr/bin/env bash
# What reading every copy back costs: the initial copy of one tree by a
# scheduled run of the wide program ("/s job.mrt", default settings
# otherwise), with "VerifyCopy" off and on, in the same run on the same data,
# alternating, each into an empty destination. With BASE_EXE (a wide program
# built without the check of a changed source, for example from the commit
# before it), the same initial copy by that program, to state what the
# always-on check costs.
#   bench/run_verify_bench.sh [FILES] [ROUNDS]     (default: 2000 files, 3 rounds)
# Environment: BENCH_DIR (default build/bench-data), BENCH_KEEP=1 keeps data,
# BASE_EXE (host path of the program to compare with).
set -euo pipefail
FILES="${1:-2000}"
ROUNDS="${2:-3}"
source "$(dirname "$0")/../scripts/env.sh"
source "$(dirname "$0")/common.sh"
DATA="${BENCH_DIR:-$BUILD_DIR/bench-data}"
BIN="$BUILD_DIR/bin"
DRIVER="$BUILD_DIR/bench/program_bench.exe"

command -v bc >/dev/null || { echo "bc is needed (apt-get install bc)" >&2; exit 1; }
"$ROOT/scripts/build" --target Mirrant_U program_bench >/dev/null

start_display || true
start_wine || true
trap 'stop_wine; stop_display; [ "${BENCH_KEEP:-0}" = 1 ] || rm -rf "$DATA"' EXIT

rm -rf "$DATA"; mkdir -p "$DATA"
python3 "$ROOT/bench/make_tree.py" create "$DATA/src" "$FILES" >/dev/null
if [ -n "${BASE_EXE:-}" ]; then cp "$BASE_EXE" "$DATA/Mirrant_U.exe"; fi

# One initial copy: a fresh destination, the settings key removed (and
# "VerifyCopy" set when asked), the scheduled run timed by the driver.
declare -A T
one() {
  local name="$1" exe="$2" verify="$3"
  rm -rf "$DATA/dst"; mkdir -p "$DATA/dst"
  printf 'copy\t%s\t%s\r\n' "$(win "$DATA/src")" "$(win "$DATA/dst")" >"$DATA/job.mrt"
  cd "$DATA"
  BENCH_VERIFY="$verify" measure wine "$DRIVER" schedule "$(win "$exe")" "$(win "$DATA/job.mrt")"
  T[$name]="${T[$name]:-} $(field seconds)"
  diff -rq "$DATA/src" "$DATA/dst" >/dev/null || echo "warning: the copy of the $name run differs from the source" >&2
}
median() { tr ' ' '\n' <<<"$1" | grep . | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
fastest() { tr ' ' '\n' <<<"$1" | grep . | sort -n | head -1; }

# Each round starts with another of the programs, so that none always runs
# right after the same one.
runs=("off $BIN/Mirrant_U.exe 0" "on $BIN/Mirrant_U.exe 1")
[ -z "${BASE_EXE:-}" ] || runs+=("base $DATA/Mirrant_U.exe 0")
for ((r = 0; r < ROUNDS; ++r)); do
  for ((i = 0; i < ${#runs[@]}; ++i)); do
    # shellcheck disable=SC2086
    one ${runs[(r + i) % ${#runs[@]}]}
  done
done

# The fastest of the rounds is the one least disturbed by other load; the
# median is printed beside it.
printf '\n%d files, %s, initial copy by "/s" (wide), %d rounds (seconds: fastest, median, all):\n' \
  "$FILES" "$(du -sh "$DATA/src" | cut -f1)" "$ROUNDS"
line() { printf '  %-40s %7.2f %7.2f   (%s)\n' "$1" "$(fastest "$2")" "$(median "$2")" "${2# }"; }
line "VerifyCopy off" "${T[off]}"
line "VerifyCopy on" "${T[on]}"
printf '  on ÷ off: %s (fastest), %s (median)\n' "$(ratio "$(fastest "${T[on]}")" "$(fastest "${T[off]}")")" \
  "$(ratio "$(median "${T[on]}")" "$(median "${T[off]}")")"
if [ -n "${BASE_EXE:-}" ]; then
  line "without the check of a changed source" "${T[base]}"
  printf '  off ÷ that: %s (fastest), %s (median)\n' "$(ratio "$(fastest "${T[off]}")" "$(fastest "${T[base]}")")" \
    "$(ratio "$(median "${T[off]}")" "$(median "${T[base]}")")"
fi
