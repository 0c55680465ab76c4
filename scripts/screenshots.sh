#!/usr/bin/env bash
# Takes the screenshots in docs/: each page of the settings window and the tray
# icon's menu, under Wine in a virtual desktop at 96 and 144 DPI (Wine's own DPI
# setting, so frames, menus and message boxes scale as on Windows).
#   scripts/screenshots.sh [BUILD_DIR]     (default: the "windows" preset's build/windows)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build/windows}

scripts/deps.sh windows wine
if [ ! -f "$build/trifolio.exe" ]; then
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target trifolio -j "$(nproc)"
fi

. scripts/wine-env.sh
export TRIFOLIO_PRIVATE_DISPLAY=${TRIFOLIO_PRIVATE_DISPLAY:-1}
prefix=$(mktemp -d /tmp/trifolio-shots.XXXXXX)
work=$(mktemp -d /tmp/trifolio-shots-run.XXXXXX)
wine_env_start "$prefix"
cleanup() { wine_env_stop; rm -rf "$prefix" "$work"; }
trap cleanup EXIT

cp "$build/trifolio.exe" src/res/readme.txt "$work/"
convert 'src/res/trifolio.ico[5]' -background white -flatten -type TrueColor "BMP3:$work/picture.bmp"
mkdir -p docs

# Geometry "W H X Y" of the settings window inside the virtual desktop.
window_geometry() {
  xwininfo -root -tree 2>/dev/null |
    sed -n 's/.*"Trifolio - Vennhaus": ("trifolio.exe".*  \([0-9]*\)x\([0-9]*\)+\([0-9-]*\)+\([0-9-]*\) .*/\1 \2 \3 \4/p' |
    head -1
}

# Waits up to 20 s for a condition (a command) to hold.
wait_for() {
  local i
  for i in $(seq 1 200); do
    "$@" && return 0
    sleep 0.1
  done
  echo "screenshots.sh: timed out waiting for: $*" >&2
  return 1
}
window_shown() { [ -n "$(window_geometry)" ]; }

# twips of the window's client area to a screen coordinate.
px() { echo $(( ($1 * dpi + 720) / 1440 )); }

shoot() {  # shoot NAME: the window and a small margin around it
  local w h x y
  xdotool mousemove 0 0  # no hover highlight in the picture
  read -r w h x y < <(window_geometry)
  import -window root -crop "$((w + 8))x$((h + 8))+$((x - 4))+$((y - 4))" +repage "docs/$1-$dpi.png"
}

for dpi in 96 144; do
  wineserver -k >/dev/null 2>&1 || true
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1 || true
  rm -f "$work/options.ini" "$work/options.tmp"
  (cd "$work" && wine explorer /desktop=shot,1024x768 trifolio.exe /config >/dev/null 2>&1 &)
  wait_for window_shown
  sleep 1  # let the first paint settle before the first picture
  # Something in store 1 to show: a picture copied in an X program.
  xclip -selection clipboard -t image/bmp -i "$work/picture.bmp"
  read -r w h x y < <(window_geometry)
  # The client area lies inside the frame: equal borders left, right and below.
  cw=$(px 6855)
  ch=$(px 5550)
  border=$(( (w - cw) / 2 ))
  cx=$(( x + border ))
  cy=$(( y + h - border - ch ))
  xdotool mousemove "$((cx + 5))" "$((cy + ch / 2))" click 1
  sleep 1

  shoot status
  for page in tastenbelegung optionen info; do
    xdotool key ctrl+Tab
    sleep 0.7
    shoot "$page"
  done
  # The sub-pages of "Info": a click on its first tab, then the arrow keys.
  xdotool mousemove "$((cx + $(px 360) + $(px 300)))" "$((cy + $(px 885)))" click 1
  xdotool key Right
  sleep 0.7
  shoot info-hilfe
  xdotool key Right
  sleep 0.7
  shoot info-kontakt

  # "OK" sends the window to the tray; a right click on the icon opens the menu.
  xdotool mousemove "$((cx + $(px 3787)))" "$((cy + $(px 4867)))" click 1
  sleep 1.5  # the window goes and the icon comes
  icon_x=$(( 1024 - $(px 165) ))
  icon_y=$(( 768 - $(px 150) ))
  xdotool mousemove "$icon_x" "$icon_y" click 3
  sleep 1
  menu_w=$(px 3000)
  menu_h=$(px 2100)
  import -window root -crop "${menu_w}x${menu_h}+$((1024 - menu_w))+$((768 - menu_h))" +repage \
    "docs/tray-menu-$dpi.png"
  xdotool key Escape
done
echo "Screenshots written to docs/."
