# Shared by the benchmark scripts. Sourced, after scripts/env.sh; DATA must
# name the data folder.

# The Windows form of a host path.
win() { winepath -w "$1" 2>/dev/null; }
now() { date +%s.%N; }
# Runs one command after flushing the disk, so that one tool's writes do not
# land on the next one's clock. LAST: its wall time in seconds; OUT: its line
# starting "result=", if it printed one.
measure() {
  sync
  local t0 t1
  t0=$(now)
  "$@" >"$DATA/last.out" 2>&1 || { echo "failed: $*" >&2; cat "$DATA/last.out" >&2; exit 1; }
  t1=$(now)
  LAST=$(echo "$t1 - $t0" | bc -l)
  OUT=$(tr -d '\r' <"$DATA/last.out" | grep '^result=' || true)
}
# A field "name=number" of OUT.
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p" <<<"$OUT"; }
ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }
