#!/usr/bin/env bash
# Runs the end-to-end check of Tavos.exe under Wine64 on a virtual X display, in a Wine prefix
# of its own that is thrown away afterwards.
#   tests/e2e/run_wine_e2e.sh DIST_DIR E2E_EXE
#     DIST_DIR  folder holding Tavos.exe (dist/x86_64 after `make windows`)
#     E2E_EXE   the checking program (build/windows-x86_64/tests/e2e/tavos_e2e.exe)
# Exit status: the checking program's (0 when every check passed); 124 when it took longer
# than E2E_TIMEOUT seconds (default 300); 2 for bad arguments or missing tools.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 DIST_DIR E2E_EXE" >&2
  exit 2
fi
dist="$(realpath -m "$1")"
e2e="$(realpath -m "$2")"
limit="${E2E_TIMEOUT:-300}"
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

for f in "$dist/Tavos.exe" "$e2e"; do
  [ -f "$f" ] || { echo "missing $f (run: make windows)" >&2; exit 2; }
done
for t in "$wine" "$wineserver" xvfb-run xauth timeout; do
  command -v "$t" >/dev/null || { echo "missing tool $t (run: make deps)" >&2; exit 2; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/tavos-e2e.XXXXXX")"
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko: the prefix would otherwise offer to download them.
export WINEDLLOVERRIDES="mscoree,mshtml="

cleanup() {
  local status=$?
  trap - EXIT INT TERM
  # Whatever the outcome, no Wine process of this prefix outlives the run.
  "$wineserver" -k 2>/dev/null || true
  timeout 30 "$wineserver" -w 2>/dev/null || true
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Wine sees the Linux root as drive Z:.
tavos_win="Z:${dist//\//\\}\\Tavos.exe"

echo "# prefix $WINEPREFIX"
echo "# Tavos  $tavos_win"
start=$(date +%s)
set +e
# The prefix is made first so that its 10-20 s do not count against the checks' own limits.
timeout -k 10 "$limit" xvfb-run -a bash -c '
  t0=$(date +%s)
  "$1" wineboot -i || exit
  echo "# wine prefix ready after $(( $(date +%s) - t0 )) s"
  "$1" "$2" "$3"
  status=$?
  # Wine goes before its X display does, or its processes die on a broken connection.
  "$4" -k 2>/dev/null
  "$4" -w 2>/dev/null
  exit $status
' run_wine_e2e "$wine" "$e2e" "$tavos_win" "$wineserver"
status=$?
set -e
echo "# finished after $(( $(date +%s) - start )) s with status $status"
[ $status -eq 124 ] && echo "FAIL end-to-end run: expected to finish within $limit s, got a timeout"
exit $status
