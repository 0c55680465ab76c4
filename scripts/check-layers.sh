#!/usr/bin/env bash
# Fails when a file under src/ includes one of a layer it must not stand on. The layers,
# bottom up, and what each may include besides itself (README, "Layout"):
set -uo pipefail
cd "$(dirname "$0")/.."

declare -A may=(
  [platform]=""
  [version]=""
  [res]="version"
  [core/formats]=""
  [core/stores]="platform core/formats"
  [core/hotkeys]="platform core/formats core/stores"
  [core/settings]="platform core/formats core/stores core/hotkeys"
  [core/window]="platform core/formats core/stores core/hotkeys core/settings version"
  [win32]="platform core/formats"
  [view]="platform core/formats core/stores core/hotkeys core/settings core/window win32 res version"
  [program]="platform core/formats core/stores core/hotkeys core/settings core/window win32 view res version"
)

layer_of() {  # a path below src/ -> its layer, or nothing
  case $1 in
    core/*/*) echo "${1%/*}" | cut -d/ -f1-2 ;;
    version.h) echo version ;;
    */*) echo "${1%%/*}" ;;
  esac
}

bad=0
while IFS= read -r file; do
  from=$(layer_of "${file#src/}")
  [ -n "$from" ] && [ -n "${may[$from]+set}" ] || { echo "$file: in no layer"; bad=1; continue; }
  while IFS= read -r included; do
    [[ $included == */* || $included == version.h ]] || continue  # a neighbour in the same folder
    [[ $included == ../* ]] && included=$(realpath -m --relative-to=src "$(dirname "$file")/$included")
    to=$(layer_of "$included")
    [ "$to" = "$from" ] && continue
    case " ${may[$from]} " in
      *" $to "*) ;;
      *) echo "$file includes $included: $from must not stand on ${to:-an unknown layer}"; bad=1 ;;
    esac
  done < <(sed -n 's/^#include "\(.*\)"/\1/p' "$file")
done < <(git ls-files src | grep -E '\.(h|cpp|rc)$')
exit $bad
