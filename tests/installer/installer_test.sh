#!/usr/bin/env bash
# The packages under Wine, in a fresh prefix: makes them with scripts/package.sh, then
#  1. the silent installer installs per user into %LOCALAPPDATA%\Programs\Trifolio, with
#     a Start-menu shortcut and an entry in the installed-apps list;
#  2. the installed program starts, writes options.tmp and its quoted Run value, and
#     options.ini when the user presses "OK";
#  3. a second silent install over the running program ends it and keeps options.ini;
#  4. the silent uninstaller ends the running program through its own close path and
#     leaves no file, shortcut, Run value or uninstall entry;
#  5. another copy of the program (the zip's, elsewhere) keeps running and keeps its Run
#     value through an uninstall;
#  and neither the installer run from a download folder nor the uninstaller runs a
#  library planted beside it.
# Exits non-zero at the first broken promise, saying which.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

bash scripts/package.sh >/dev/null || { echo "FAIL: scripts/package.sh"; exit 1; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows/CMakeCache.txt)
zip="$root/dist/trifolio-$version-win64.zip"
setup="$root/dist/trifolio-$version-setup.exe"

export TRIFOLIO_PRIVATE_DISPLAY=1  # clicks and the tray window on a display of its own
. scripts/wine-env.sh
prefix=$(mktemp -d /tmp/trifolio-install.XXXXXX)
wine_env_start "$prefix"
cleanup() {
  wine_env_stop
  rm -rf "$prefix"
}
trap cleanup EXIT

step() { echo "--- $*"; }
fail() {
  echo "FAIL: $*"
  exit 1
}
# wait_for SECONDS WHAT COMMAND...: until COMMAND succeeds, at most SECONDS.
wait_for() {
  local limit=$1 what=$2 deadline=$((SECONDS + $1))
  shift 2
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || fail "$what (not within $limit s)"
    sleep 0.1
  done
}
reg_value() {  # reg_value KEY NAME: the value's data, empty when it is missing
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
has_key() { wine reg query "$1" >/dev/null 2>&1; }
lacks_key() { ! has_key "$1"; }
has_value() { [ -n "$(reg_value "$1" "$2")" ]; }
visible() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
invisible() { ! visible "$1"; }
running() { kill -0 "$1" 2>/dev/null; }
ended() { ! running "$1"; }
exists() { [ -e "$1" ]; }
gone() { [ ! -e "$1" ]; }

run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Trifolio'
window='^Trifolio - Vennhaus$'
tray='^Wine System Tray$'

mapfile -t folders < <(wine cmd /c 'echo %LOCALAPPDATA%& echo %APPDATA%' | tr -d '\r')
win_dir="${folders[0]}\\Programs\\Trifolio"
dir=$(winepath -u "$win_dir")
shortcut=$(winepath -u "${folders[1]}\\Microsoft\\Windows\\Start Menu\\Programs\\Trifolio.lnk")

# Starts the installed program in the background; its pid in $program.
start_program() {
  rm -f "$dir/options.tmp"
  wine "$dir/trifolio.exe" &
  program=$!
  wait_for 30 "the program writes options.tmp beside itself" exists "$dir/options.tmp"
}
# Presses the settings window's "OK" (saves options.ini, hides the window into the tray),
# at the button's place in the window, so that it holds at any DPI; then lets it act.
press_ok() {
  local w
  w=$(xdotool search --onlyvisible --name "$window" | head -1)
  [ -n "$w" ] || return 0
  eval "$(xdotool getwindowgeometry --shell "$w")"
  xdotool mousemove $((X + WIDTH * 3787 / 6855)) $((Y + HEIGHT * 4867 / 5550)) click 1
  sleep 0.5
}
in_tray() { visible "$tray" && invisible "$window" || { press_ok; false; }; }
# Waits for the program started last to end; fails unless it ended by its own close path.
expect_ended() {
  wait_for 20 "$1 ends the running program" ended "$program"
  wait "$program"
  local rc=$?
  [ "$rc" -eq 0 ] || fail "$1: the program ended with exit code $rc, not by closing"
}

step "packages"
(cd dist && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match the packages"
[ "$(unzip -Z1 "$zip" | sort | tr '\n' ' ')" = "readme.txt trifolio.exe " ] ||
  fail "the zip holds $(unzip -Z1 "$zip" | tr '\n' ' ')instead of trifolio.exe and readme.txt"
grep -aq 'requestedExecutionLevel level="asInvoker"' "$setup" ||
  fail "the installer asks for more than the user's rights"

# A stranger's libraries beside a package, under the names of libraries it and Windows'
# own code may load by name, with Windows' search order (WINEDLLOVERRIDES: the program's
# folder first). Not uxtheme and version: Wine's comctl32 and user32 load them while the
# package's imports are bound, before its first instruction, where Windows' do not
# (tests/e2e checks uxtheme for trifolio.exe, which binds comctl32 late).
planted=$root/build/windows/tests/e2e/planted/uxtheme.dll
planted_names="userenv setupapi apphelp propsys dwmapi cryptbase oleacc clbcatq ntmarta winmm shfolder riched20 msftedit textshaping"
plant() {  # plant DIR: the stranger's copies in DIR
  local name
  for name in $planted_names; do cp "$planted" "$1/$name.dll"; done
}
unplant() {
  local name
  for name in $planted_names; do rm -f "$1/$name.dll"; done
  rm -f "$1/planted.txt"
}
beside_planted() {  # beside_planted COMMAND...: with the stranger's search order
  WINEDLLOVERRIDES="$(echo $planted_names | sed 's/ /,/g')=n,b" "$@"
}
[ -f "$planted" ] || fail "the planted library is not built"

step "silent install from a download folder with planted libraries"
downloads=$prefix/downloads
mkdir -p "$downloads" && cp "$setup" "$downloads/" && plant "$downloads"
beside_planted wine "$downloads/$(basename "$setup")" /S || fail "the silent installer failed"
gone "$downloads/planted.txt" || fail "the installer ran a library planted beside it"
for f in trifolio.exe readme.txt uninstall.exe; do
  [ -f "$dir/$f" ] || fail "$win_dir\\$f is not installed"
done
unzip -p "$zip" trifolio.exe | cmp -s - "$dir/trifolio.exe" || fail "installed exe is not the zip's"
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
for name in DisplayName DisplayVersion Publisher EstimatedSize UninstallString QuietUninstallString; do
  [ -n "$(reg_value "$uninstall_key" "$name")" ] || fail "uninstall entry lacks $name"
done
[ "$(reg_value "$uninstall_key" DisplayVersion)" = "$version" ] || fail "DisplayVersion is not $version"
[ "$(reg_value "$uninstall_key" QuietUninstallString)" = "\"$win_dir\\uninstall.exe\" /S" ] ||
  fail "QuietUninstallString is $(reg_value "$uninstall_key" QuietUninstallString)"

step "the installed program runs"
start_program
wait_for 10 "the program writes its Run value" has_value "$run_key" Trifolio
[ "$(reg_value "$run_key" Trifolio)" = "\"$win_dir\\trifolio.exe\"" ] ||
  fail "Run value is $(reg_value "$run_key" Trifolio)"
wait_for 30 "the settings window shows" visible "$window"
saved() { [ -f "$dir/options.ini" ] || { press_ok; false; }; }
wait_for 30 "\"OK\" writes options.ini beside the program" saved
wait_for 30 "\"OK\" hides the window into the tray" in_tray
cp "$dir/options.ini" "$prefix/options.ini.before"

step "second install over the running program"
wine "$setup" /S || fail "the second silent install failed"
expect_ended "the second install"
wait_for 10 "the second install's close takes the tray icon away" invisible "$tray"
cmp -s "$prefix/options.ini.before" "$dir/options.ini" || fail "the second install changed options.ini"

step "silent uninstall"
start_program
wait_for 10 "the program writes its Run value again" has_value "$run_key" Trifolio
wait_for 30 "the program's window shows" visible "$window"
wait_for 30 "\"OK\" hides the window into the tray" in_tray
# The uninstaller runs on from a copy of itself: wait for its effects, not its exit.
wine "$dir/uninstall.exe" /S || fail "the silent uninstaller failed"
expect_ended "the uninstaller"
wait_for 10 "the uninstaller's close takes the tray icon away" invisible "$tray"
wait_for 30 "the uninstaller removes its entry" lacks_key "$uninstall_key"
left=$(ls -A "$dir" 2>/dev/null | tr '\n' ' ')
[ ! -e "$dir" ] || fail "$win_dir is left behind, holding: $left"
[ ! -e "$shortcut" ] || fail "the Start-menu shortcut is left behind"
! has_value "$run_key" Trifolio || fail "the Run value is left behind: $(reg_value "$run_key" Trifolio)"

step "another copy, running and starting with Windows, survives an uninstall"
wine "$setup" /S || fail "the third silent install failed"
portable=$(winepath -u 'C:\trifolio portable')
mkdir -p "$portable" && unzip -q -o "$zip" -d "$portable"
wine "$portable/trifolio.exe" &
program=$!
wait_for 30 "the zip's program writes its Run value" exists "$portable/options.tmp"
[ "$(reg_value "$run_key" Trifolio)" = '"C:\trifolio portable\trifolio.exe"' ] ||
  fail "the zip's program wrote the Run value $(reg_value "$run_key" Trifolio)"
plant "$dir"
beside_planted wine "$dir/uninstall.exe" /S || fail "the silent uninstaller failed"
wait_for 30 "the uninstaller removes its entry" lacks_key "$uninstall_key"
gone "$dir/planted.txt" || fail "the uninstaller ran a library planted beside it"
unplant "$dir"
running "$program" || fail "the uninstaller ended another copy of the program"
[ "$(reg_value "$run_key" Trifolio)" = '"C:\trifolio portable\trifolio.exe"' ] ||
  fail "the uninstaller removed the Run value of another copy"

echo "installer test passed"
