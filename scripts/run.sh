#!/usr/bin/env bash
# Builds trifolio.exe and starts it under Wine. Without a display it starts a
# virtual one (Xvfb) with a Windows-like desktop; arguments go to the program
# (default "/config", so the window shows at once).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh windows wine
cmake --preset windows >/dev/null
cmake --build --preset windows --target trifolio -j "$(nproc)"

. scripts/wine-env.sh
prefix="${TRIFOLIO_WINEPREFIX:-$HOME/.local/share/trifolio/wineprefix}"
headless=0
[ -n "${DISPLAY:-}" ] || headless=1
wine_env_start "$prefix"
trap wine_env_stop EXIT

args=("$@")
[ ${#args[@]} -gt 0 ] || args=(/config)
exe="$PWD/build/windows/trifolio.exe"
if [ "$headless" = 1 ]; then
  echo "No display: running on virtual display $DISPLAY inside a Wine desktop."
  echo "Screenshot: DISPLAY=$DISPLAY import -window root shot.png   (Ctrl+C ends)"
  wine explorer /desktop=Trifolio,1024x768 "$exe" "${args[@]}"
else
  wine "$exe" "${args[@]}"
fi
