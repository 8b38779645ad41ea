#!/usr/bin/env bash
# Runs the end-to-end check of Tavos.exe under Wine on a virtual X display, in a Wine prefix
# of its own that is thrown away afterwards, and saves the screenshots the check asks for.
#   tests/e2e/run_wine_e2e.sh DIST_DIR E2E_EXE [SHOTS_DIR]
#     DIST_DIR   folder holding Tavos.exe (dist/x86_64 after `make windows`)
#     E2E_EXE    the checking program (build/windows-x86_64/tests/e2e/tavos_e2e.exe), with
#                tavos_e2e_probe.dll beside it
#     SHOTS_DIR  where the PNG screenshots go (default: $E2E_ARTIFACTS, else
#                build/e2e-artifacts/ of the source tree); created when missing
# The shipped pair is 32-bit: where the kernel runs 32-bit programs and the i686 builds are
# named (E2E_DIST_I686, E2E_EXE_I686), they run in a win32 prefix instead (TAVOS_WINE_ARCH
# chooses by hand: tests/wine/wine-lib.sh).
# Exit status: the checking program's (0 when every check passed); 124 when it took longer
# than E2E_TIMEOUT seconds (default 300); 2 for bad arguments or missing tools; 77 when the
# i686 run was asked for and this machine cannot run 32-bit programs.
set -euo pipefail
self="$(realpath "${BASH_SOURCE[0]}")"
source "$(dirname "$self")/../wine/wine-lib.sh"
# The run on the display is this script again: the loader chosen below reaches it by name.
wine=${E2E_WINE_LOADER:-}
wineserver=$WINESERVER

# Runs inside xvfb-run: makes the prefix, then the checking program. The program asks for a
# screenshot with the line "screenshot NAME WxH+X+Y" and waits until NAME.png (or NAME.failed,
# holding the reason) appears in the folder, so picture and program stay in step.
on_display() {
  local e2e=$1 tavos_win=$2 shots=$3 shots_win=$4
  local t0 status line name geometry
  t0=$(date +%s)
  wine_step "make the prefix" "$wine" wineboot -i || return
  wine_step "wait for the prefix's server" "$wineserver" -w || return
  # There is no window manager on the display: Wine draws the captions itself, so that the
  # screenshots show them, with the caption buttons' glyphs from its Marlett font, which this
  # Wine does not find on its own.
  wine_step "undecorated windows" \
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f || return
  local marlett=/usr/share/wine/fonts/marlett.ttf
  [ ! -f "$marlett" ] || cp "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/"
  echo "# wine prefix ready after $(( $(date +%s) - t0 )) s"
  set +e
  "$wine" "$e2e" "$tavos_win" "$shots_win" | while IFS= read -r line; do
    line=${line%$'\r'}
    printf '%s\n' "$line"
    case $line in
      "screenshot "*)
        read -r _ name geometry <<<"$line"
        take_screenshot "$shots" "$name" "$geometry"
        ;;
    esac
  done
  status=${PIPESTATUS[0]}
  [ "$status" -eq 0 ] || echo "FAIL tavos_e2e.exe ended with status $status ($(wine_exit_meaning "$status"))"
  # Wine goes before its X display does, or its processes die on a broken connection.
  "$wineserver" -k 2>/dev/null
  "$wineserver" -w 2>/dev/null
  return "$status"
}

take_screenshot() {
  local shots=$1 name=$2 geometry=$3
  # The name becomes a file name (a bad one is left unanswered: the program's wait runs out);
  # the geometry is ImageMagick's WxH+X+Y.
  if [[ ! $name =~ ^[A-Za-z0-9_-]+$ ]]; then
    echo "# bad screenshot name \"$name\""
    return
  fi
  if [[ ! $geometry =~ ^[0-9]+x[0-9]+\+[0-9]+\+[0-9]+$ ]]; then
    echo "bad geometry \"$geometry\"" >"$shots/$name.failed"
    echo "# bad screenshot geometry \"$geometry\""
    return
  fi
  local part="$shots/.$name.png.part" err="$shots/.$name.err" status=0
  # Written under another name and renamed, so the program never sees half a file.
  timeout 10 import -display "$DISPLAY" -window root -crop "$geometry" +repage "png:$part" \
    2>"$err" || status=$?
  if [ $status -eq 0 ]; then
    mv -f "$part" "$shots/$name.png"
    rm -f "$err"
    echo "# saved $shots/$name.png ($geometry)"
  else
    rm -f "$part"
    echo "import ended with status $status" >>"$err"
    mv -f "$err" "$shots/$name.failed"
    echo "# screenshot $name failed: $(tr '\n' ' ' <"$shots/$name.failed")"
  fi
}

if [ "${1:-}" = "--on-display" ]; then
  shift
  on_display "$@"
  exit
fi

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: $0 DIST_DIR E2E_EXE [SHOTS_DIR]" >&2
  exit 2
fi
source_dir="$(cd "$(dirname "$self")/../.." && pwd)"
dist="$(realpath -m "$1")"
e2e="$(realpath -m "$2")"
[ -n "${E2E_DIST_I686:-}" ] && [ -n "${E2E_EXE_I686:-}" ] || TAVOS_WINE_ARCH=win64
wine_choose_arch
arch=$TAVOS_WINE_ARCH
export E2E_WINE_LOADER=$WINE_LOADER
wine=$WINE_LOADER
if [ "$arch" = win32 ]; then
  dist="$(realpath -m "$E2E_DIST_I686")"
  e2e="$(realpath -m "$E2E_EXE_I686")"
fi
shots="$(realpath -m "${3:-${E2E_ARTIFACTS:-$source_dir/build/e2e-artifacts}}")"
limit="${E2E_TIMEOUT:-300}"

for f in "$dist/Tavos.exe" "$e2e" "$(dirname "$e2e")/tavos_e2e_probe.dll"; do
  [ -f "$f" ] || { echo "missing $f (run: make windows)" >&2; exit 2; }
done
for t in "$wine" "$wineserver" xvfb-run xauth timeout import; do
  command -v "$t" >/dev/null || { echo "missing tool $t (run: make deps)" >&2; exit 2; }
done
mkdir -p "$shots"

work="$(mktemp -d "${TMPDIR:-/tmp}/tavos-e2e.XXXXXX")"
export WINEPREFIX="$work/prefix" WINEARCH=$arch WINEDEBUG=-all
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
shots_win="Z:${shots//\//\\}"

echo "# ran on: $WINE_RAN_ON"
echo "# prefix $WINEPREFIX ($arch)"
echo "# Tavos  $tavos_win"
echo "# shots  $shots"
start=$(date +%s)
set +e
# The prefix is made first so that its 10-20 s do not count against the checks' own limits.
# The screen is large enough for the menu and the about box at their usual places.
timeout -k 10 "$limit" xvfb-run -a -s "-screen 0 1024x768x24" \
  "$self" --on-display "$e2e" "$tavos_win" "$shots" "$shots_win" 2>&1 | tee "$work/output"
status=${PIPESTATUS[0]}
set -e
echo "# finished after $(( $(date +%s) - start )) s with status $status ($(wine_exit_meaning "$status"))"
[ $status -eq 124 ] && echo "FAIL end-to-end run: expected to finish within $limit s, got a timeout"
counts=$(grep -Eo '^[0-9]+ checks, [0-9]+ failed' "$work/output" | tail -1 || true)
echo "SUMMARY: ${counts:-no checks reported}, status $status"
exit $status
