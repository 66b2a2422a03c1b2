# Shared settings of the scripts: where things are built and how Wine runs.
# Sourced, not run. BUILD_DIR may be set by the caller (default: build).
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
case "$BUILD_DIR" in /*) ;; *) BUILD_DIR="$ROOT/$BUILD_DIR" ;; esac
export WINEPREFIX="$BUILD_DIR/wineprefix"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko downloads, no desktop menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export TZ="${MIRRANT_TZ:-Asia/Tokyo}"
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8 2>/dev/null

# Starts a virtual display when none is set; sets XVFB_PID when it did.
start_display() {
  XVFB_PID=""
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n
  for n in $(seq 90 140); do
    if [ -e "/tmp/.X$n-lock" ]; then
      # A lock whose server is gone is stale; anything else is in use.
      local pid; pid=$(tr -dc '0-9' <"/tmp/.X$n-lock" 2>/dev/null)
      if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then continue; fi
      rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n" 2>/dev/null || continue
    fi
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
    XVFB_PID=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 50); do
      xdpyinfo >/dev/null 2>&1 && return 0
      sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null
  done
  echo "cannot start a virtual display" >&2
  return 1
}

# A persistent wineserver with its streams detached, warmed up once, so that
# Wine's helper processes do not hold the test runner's pipes open.
start_wine() {
  wineserver -p </dev/null >/dev/null 2>&1
  wine cmd /c exit </dev/null >/dev/null 2>&1
}

stop_wine() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
}

stop_display() {
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
}
