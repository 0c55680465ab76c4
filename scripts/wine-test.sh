#!/usr/bin/env bash
# How CTest runs a test program of the Windows build (the toolchain's emulator):
#   scripts/wine-test.sh PROGRAM.exe ARGUMENTS...
# Inside the test command, which started one Wine environment for the whole run (Xvfb,
# prefix, wineserver; scripts/wine-env.sh), the program runs in that one. Started on its
# own (WINEPREFIX not set), it gets a private display and a fresh prefix for this one run.
set -uo pipefail

if [ -z "${WINEPREFIX:-}" ]; then
  . "$(dirname "$0")/wine-env.sh"
  export TRIFOLIO_PRIVATE_DISPLAY=1
  prefix=$(mktemp -d /tmp/trifolio-wine.XXXXXX)
  trap 'wine_env_stop; rm -rf "$prefix"' EXIT
  wine_env_start "$prefix"
fi
export WINEDEBUG=-all

case " $* " in
  *" --gtest_list_tests "*)
    # CTest reads the list line by line; the program writes Windows line ends.
    wine "$@" | tr -d '\r'
    exit "${PIPESTATUS[0]}"
    ;;
esac
if [ -n "${prefix:-}" ]; then
  wine "$@"
else
  exec wine "$@"
fi
