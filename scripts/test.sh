#!/usr/bin/env bash
# Runs every test: formatting, the layers' include directions, the portable logic
# natively (with sanitizers), a few seconds of each fuzz target, the Windows build's
# checks, the Win32 and end-to-end suites under Wine, and the packages (zip, installer,
# uninstaller) under Wine.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)

scripts/deps.sh native windows wine fuzz package || exit 1

results=$(mktemp)
failed_steps=()
step() {  # step NAME COMMAND...: runs a step, remembers a failure
  local name=$1; shift
  echo "=== $name"
  if ! "$@"; then
    failed_steps+=("$name")
    echo "=== $name FAILED"
  fi
}

check_format() {
  local files bad
  files=$(git ls-files '*.cpp' '*.h')
  bad=$(clang-format --dry-run $files 2>&1 | grep -c "warning:" || true)
  if [ "$bad" -ne 0 ]; then
    clang-format --dry-run $files 2>&1 | grep "warning:" | cut -d: -f1 | sort -u
    return 1
  fi
}

# Runs the tests of a build folder through CTest and keeps its counts for the summary,
# from CTest's JUnit report: passed is what ran and passed; skipped is what the test
# itself skipped (GTEST_SKIP) or what is disabled; every other test failed, also one CTest
# could not run.
run_ctest() {
  local dir=$1; shift
  local junit; junit=$(mktemp --suffix=.xml)
  ctest --test-dir "$dir" --output-on-failure --output-junit "$junit" "$@"
  local rc=$?
  local tests passed skipped failed
  tests=$(grep -c $'^\t<testcase ' "$junit" 2>/dev/null)
  passed=$(grep -c $'^\t<testcase .* status="run">' "$junit" 2>/dev/null)
  skipped=$(grep -cE $'^\t\t<skipped message="SKIP_|^\t<testcase .* status="disabled"' "$junit" 2>/dev/null)
  failed=$(( ${tests:-0} - ${passed:-0} - ${skipped:-0} ))
  if [ "$rc" -ne 0 ] && [ "$failed" -eq 0 ]; then failed=1; fi
  [ "${skipped:-0}" -eq 0 ] || echo "$dir: $skipped skipped"
  echo "${passed:-0} $failed" >> "$results"
  rm -f "$junit"
  return "$rc"
}

native() {
  cmake --preset linux >/dev/null && cmake --build --preset linux -j "$jobs" &&
    run_ctest build/linux -j "$jobs"
}

windows_build() {
  cmake --preset windows >/dev/null && cmake --build --preset windows -j "$jobs" || return 1
  local exe=build/windows/trifolio.exe size dlls
  size=$(stat -c %s "$exe")
  echo "trifolio.exe: $size bytes"
  [ "$size" -lt 1048576 ] || { echo "trifolio.exe is larger than 1 MB"; return 1; }
  dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
  echo "imports: $(echo $dlls)"
  # Windows' known DLLs only: any other library named here would be looked for beside the
  # program first (comctl32, uxtheme and oleacc are loaded from the system folder at run time).
  local allowed="kernel32.dll user32.dll gdi32.dll shell32.dll advapi32.dll ole32.dll oleaut32.dll msvcrt.dll comdlg32.dll shlwapi.dll"
  local d
  for d in $dlls; do
    case " $allowed " in *" $d "*) ;; api-ms-win-*) ;; *) echo "unexpected DLL import: $d"; return 1 ;; esac
  done
}

# One Wine environment (display, prefix, wineserver) for the whole CTest run; the
# toolchain's emulator (scripts/wine-test.sh) runs each test in it, one at a time.
wine_suites() {
  . scripts/wine-env.sh
  local prefix; prefix=$(mktemp -d /tmp/trifolio-wine.XXXXXX)
  wine_env_start "$prefix"
  local rc=0
  run_ctest build/windows || rc=1
  wine_env_stop
  rm -rf "$prefix"
  return $rc
}

# The installer test is one test in the counts.
packages() {
  if bash tests/installer/installer_test.sh; then
    echo "1 0" >> "$results"
  else
    echo "0 1" >> "$results"
    return 1
  fi
}

start=$(date +%s)
step "format" check_format
step "layers" scripts/check-layers.sh
step "native unit tests" native
step "fuzz targets" scripts/fuzz.sh 5
step "windows build" windows_build
if [[ ! " ${failed_steps[*]} " =~ " windows build " ]]; then
  step "wine tests" wine_suites
  step "packages" packages
fi

passed=$(awk '{p+=$1} END {print p+0}' "$results")
failed=$(awk '{f+=$2} END {print f+0}' "$results")
rm -f "$results"
[ ${#failed_steps[@]} -eq 0 ] || { echo "failed steps: ${failed_steps[*]}"; [ "$failed" -gt 0 ] || failed=1; }
echo "time: $(( $(date +%s) - start )) s"
echo "$passed passed, $failed failed"
[ ${#failed_steps[@]} -eq 0 ]
