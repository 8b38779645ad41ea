#!/usr/bin/env bash
# Runs every fuzzer of a build for a short while: run-fuzzers.sh BUILD_DIR SECONDS
set -euo pipefail
build=${1:?build dir}
seconds=${2:-20}
top=$(cd "$(dirname "$0")/.." && pwd)
found=0
for fuzzer in "$build"/fuzz/*_fuzz; do
  [ -x "$fuzzer" ] || continue
  found=1
  name=$(basename "$fuzzer")
  corpus="$build/fuzz/corpus/$name"
  mkdir -p "$corpus"
  seeds=()
  [ -d "$top/fuzz/corpus/$name" ] && seeds=("$top/fuzz/corpus/$name")
  # The scenario files of the tests are the parser's natural seeds.
  [ "$name" = scenario_parser_fuzz ] && seeds+=("$top/tests/scenarios")
  echo "fuzzing $name for ${seconds}s"
  log="$build/fuzz/$name.log"
  status=0
  "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 "$corpus" "${seeds[@]}" >"$log" 2>&1 || status=$?
  grep -E '^stat::(number_of_executed_units|new_units_added)' "$log" || true
  if [ "$status" -ne 0 ]; then
    tail -40 "$log"
    echo "$name failed (exit $status); the crashing input is in the working directory"
    exit 1
  fi
done
[ "$found" -eq 1 ] || { echo "no fuzzers in $build/fuzz"; exit 1; }
