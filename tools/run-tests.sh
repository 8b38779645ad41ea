#!/usr/bin/env bash
# `make test`: every leg, one after another, whatever the ones before did; then one table (leg,
# what it ran on, result, counts or why, time) and a non-zero exit when any leg failed.
# A leg that cannot run on this machine is listed as skipped with its reason, next to the
# stand-in that ran instead. Each leg's output is shown as it runs and kept in build/legs/.
#   tools/run-tests.sh
# Environment: JOBS (default 2), FUZZ_SECONDS (default 20).
set -uo pipefail
cd "$(dirname "$0")/.."
source tests/wine/wine-lib.sh
export JOBS=${JOBS:-2} TAVOS_DIST=$PWD/dist
fuzz_seconds=${FUZZ_SECONDS:-20}
logs=build/legs
mkdir -p "$logs"
rm -f "$logs"/*.log

rows=()      # "name|ran on|result|detail|seconds"
failed=()    # names of failed legs
declare -A result_of

# leg NAME RAN_ON NEEDS COMMAND...: NEEDS is a comma-separated list of legs that must have
# passed (or "-"); the detail column comes from leg_detail.
leg() {
  local name=$1 ran_on=$2 needs=$3 need status start seconds result detail log
  shift 3
  log="$logs/$(tr -c 'A-Za-z0-9_\n-' _ <<<"$name").log"
  if [ "$needs" != - ]; then
    local -a needed
    IFS=, read -ra needed <<<"$needs"
    for need in "${needed[@]}"; do
      if [ "${result_of[$need]:-}" != passed ]; then
        record "$name" "$ran_on" failed "not run: \"$need\" did not pass" 0
        return
      fi
    done
  fi
  echo
  echo "==== $name ($ran_on)"
  start=$(date +%s)
  "$@" 2>&1 | tee "$log"
  status=${PIPESTATUS[0]}
  seconds=$(($(date +%s) - start))
  case $status in
    0) result=passed ;;
    77) result=skipped ;;
    *) result=failed ;;
  esac
  # CTest reports a test's skip code as a pass of the run; its own line tells.
  if [ $status -eq 0 ] && [ "${SINGLE_TEST:-}" ] && grep -q '\*\*\*Skipped' "$log"; then
    result=skipped
  fi
  detail=$(leg_detail "$log" "$status")
  [ $status -eq 0 ] || [ $status -eq 77 ] || detail="status $status ($(wine_exit_meaning "$status")); $detail"
  record "$name" "$ran_on" "$result" "$detail" "$seconds"
}

record() {
  rows+=("$1|$2|$3|$4|$5")
  result_of[$1]=$3
  [ "$3" != failed ] || failed+=("$1")
}

# The counts a leg's output gives, or the reason it was skipped.
leg_detail() {
  local status=$2 line log
  # CTest -V puts "N: " before each line of a test's output; Wine's programs end lines in CR.
  log=$(mktemp)
  sed -E 's/^[0-9]+: //; s/\r$//' "$1" >"$log"
  leg_detail_of "$log" "$status"
  rm -f "$log"
}

leg_detail_of() {
  local log=$1 status=$2 line
  line=$(grep -E '^SKIP: ' "$log" | tail -1)
  [ -z "$line" ] || { echo "${line#SKIP: }"; return; }
  line=$(grep -E '^SUMMARY: ' "$log" | tail -1)
  [ -z "$line" ] || { echo "${line#SUMMARY: }"; return; }
  line=$(grep -E 'scenario files ran on both machines' "$log" | tail -1)
  [ -z "$line" ] || { echo "$line"; return; }
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
  if [ -n "$line" ]; then
    local skipped
    skipped=$(grep -cE '\*\*\*Skipped|\(Not Run\)' "$log")
    [ "$skipped" -gt 0 ] || skipped=
    echo "$line${skipped:+, $skipped skipped}$(ctest_skips "$log")"
    return
  fi
  line=$(grep -E '^\[  PASSED  \] [0-9]+ test' "$log" | tail -1)
  if [ -n "$line" ]; then
    local skipped
    skipped=$(grep -E '^\[  SKIPPED \] [0-9]+ test' "$log" | tail -1 | grep -Eo '[0-9]+ tests?')
    line=${line#\[  PASSED  \] }
    echo "${line%.} passed${skipped:+, $skipped skipped}"
    return
  fi
  line=$(grep -cE '^fuzzing ' "$log")
  [ "$line" -eq 0 ] || { echo "$line targets, ${fuzz_seconds} s each"; return; }
  [ "$status" -ne 0 ] && tail -1 "$log" | cut -c1-120
}

# The names of the tests CTest skipped, with the first reason each gave.
ctest_skips() {
  local names
  names=$(grep -E '\*\*\*Skipped' "$log" | sed -E 's/.*Test +#[0-9]+: ([^ ]+).*/\1/' | tr '\n' ' ')
  [ -z "$names" ] || echo " (skipped: ${names% })"
}

# ---- building
leg deps "this machine" - ./tools/install-deps.sh
leg "windows build" "mingw-w64 i686 + x86_64" deps make --no-print-directory windows
leg "linux build" "g++" deps make --no-print-directory dev
leg "sanitizer build" "clang, ASan + UBSan" deps make --no-print-directory sanitize

# ---- the tests of both Linux builds, all but the Wine legs, which follow one by one
leg "ctest dev" "Linux, g++" "linux build,windows build" ctest --preset dev -j "$JOBS" -LE wine
leg "ctest sanitize" "Linux, ASan + UBSan" "sanitizer build,windows build" \
  ctest --preset sanitize -j "$JOBS" -LE wine

# ---- the shipped i686 pair under 32-bit Wine; where it cannot run, the x86_64 stand-in
why32=$(wine32_unavailable_reason)
wine_leg() {
  local name=$1 test=$2
  if [ -z "$why32" ]; then
    SINGLE_TEST=1 TAVOS_WINE_ARCH=win32 leg "$name" "i686, 32-bit Wine" "linux build,windows build" \
      ctest --preset dev -R "^$test\$" -V
  else
    record "$name" "i686, 32-bit Wine" skipped "$why32" 0
    SINGLE_TEST=1 TAVOS_WINE_ARCH=win64 leg "$name" "x86_64 stand-in, Wine64" "linux build,windows build" \
      ctest --preset dev -R "^$test\$" -V
  fi
}
wine_leg "Tavos.exe end to end" tavos_wine_e2e
wine_leg "scenarios on both machines" tavos_wine_scenarios
wine_leg "installer" installer_wine

leg "Win32 API tests" "x86_64, Wine64" deps ./tests/winapi/run-under-wine.sh build/winapi
leg fuzzers "libFuzzer, ASan + UBSan" "sanitizer build" \
  ./tools/run-fuzzers.sh build/sanitize "$fuzz_seconds"
leg benchmarks "Linux, g++; shipped sizes" "linux build,windows build" \
  bash -c './build/dev/bench/portio_bench --benchmark_min_time=0.05 && ./build/dev/bench/tick_bench && make --no-print-directory sizes'

# ---- the summary
if [ ${#failed[@]} -gt 0 ]; then
  echo
  for name in "${failed[@]}"; do
    log="$logs/$(tr -c 'A-Za-z0-9_\n-' _ <<<"$name").log"
    [ -f "$log" ] || continue
    echo "==== the end of \"$name\" ($log):"
    tail -25 "$log"
  done
fi
echo
echo "==== make test: summary"
printf '%-28s %-26s %-8s %6s  %s\n' leg "ran on" result time "counts, or why"
total=0
for row in "${rows[@]}"; do
  IFS='|' read -r name ran_on result detail seconds <<<"$row"
  total=$((total + seconds))
  printf '%-28s %-26s %-8s %5ss  %s\n' "$name" "$ran_on" "$result" "$seconds" "$detail"
done
echo "total ${total} s; logs in $logs/"
if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "every leg passed or was skipped for the reason given"
