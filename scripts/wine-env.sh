# Sourced by the scripts: a private X display and a Wine prefix for one run.
#   wine_env_start PREFIX   starts Xvfb when needed, creates the prefix
#   wine_env_stop           ends wineserver and the Xvfb started here
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

_xvfb_pid=""

wine_env_start() {
  export WINEPREFIX="$1"
  if [ -z "${DISPLAY:-}" ] || [ "${TRIFOLIO_PRIVATE_DISPLAY:-0}" = 1 ]; then
    local n
    for n in $(seq 90 140); do
      [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ] || break
    done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    _xvfb_pid=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 100); do
      xdpyinfo >/dev/null 2>&1 && break
      sleep 0.1
    done
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wine wineboot -i >/dev/null 2>&1
  fi
  wineserver -p >/dev/null 2>&1 || true  # keep the server for the whole run
}

wine_env_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$_xvfb_pid" ]; then
    kill "$_xvfb_pid" 2>/dev/null || true
    wait "$_xvfb_pid" 2>/dev/null || true
    _xvfb_pid=""
  fi
}
