#!/usr/bin/env bash
# Builds the libFuzzer targets (tests/fuzz) natively with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each for SECONDS (default 60) from its seeds in
# tests/fuzz/seeds/<target>. Prints "<target>: <N> runs, <M> findings" per target; exits
# non-zero on a finding, naming the input that caused it.
# Usage: scripts/fuzz.sh [SECONDS]
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

scripts/deps.sh fuzz || exit 1
cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j 2 >/dev/null || {
  echo "fuzz: build failed"; exit 1; }

status=0
for seeds in tests/fuzz/seeds/*/; do
  target=$(basename "$seeds")
  work=build/fuzz/run/$target
  rm -rf "$work/findings"
  mkdir -p "$work/corpus" "$work/findings"
  build/fuzz/tests/fuzz/${target}_fuzz -max_total_time="$seconds" -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$work/findings/" "$work/corpus" "$seeds" \
    >"$work/log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
  findings=$(find "$work/findings" -type f | wc -l)
  echo "$target: ${runs:-0} runs, $findings findings"
  if [ "$rc" -ne 0 ] || [ "$findings" -ne 0 ]; then
    status=1
    grep -E '^==[0-9]+==ERROR|SUMMARY|runtime error|deadly signal|Test unit written' "$work/log"
    find "$work/findings" -type f
    echo "full log: $work/log"
  fi
done
exit $status
