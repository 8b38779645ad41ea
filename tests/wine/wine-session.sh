#!/usr/bin/env bash
# A Wine session with the real portio driver behind our simulated notebook: makes a prefix of
# its own, puts hal.dll (the notebook), portio.sys, Tavos.exe, the scenario host with its probe
# and the stand-in programs into it, installs portio as a kernel service and starts it, runs
# COMMAND on a virtual X display with TAVOS_WINE_LOADER set, and at the end stops portio,
# checks that it unloaded (its device link is gone) and throws the prefix away.
#   tests/wine/wine-session.sh COMMAND [ARGS...]
# Environment:
#   TAVOS_WINE_ARCH  win32 (the shipped i686 pair) or win64 (the x86_64 build); by default
#                    win32 where this kernel runs 32-bit programs, else win64
#   TAVOS_SOURCE     the source tree with dist/ and build/ (default: this script's)
# Exit status: COMMAND's; 4 when the session could not be set up or portio did not unload.
# 77 when TAVOS_WINE_ARCH=win32 is asked for where 32-bit programs cannot run.
set -euo pipefail

self="$(realpath "${BASH_SOURCE[0]}")"
source_dir="${TAVOS_SOURCE:-$(cd "$(dirname "$self")/../.." && pwd)}"
source "$(dirname "$self")/wine-lib.sh"

if [ "${1:-}" = "--on-display" ]; then
  shift
  wine=$TAVOS_WINE_LOADER
  say() { echo "# wine-session: $*" >&2; }
  # Steps report to standard error: standard output is COMMAND's.
  step() { wine_step "$@" >&2; }
  t0=$(date +%s)
  step "make the prefix" "$wine" wineboot -i || exit 4
  # The prefix is complete once every process of its making has ended.
  step "wait for the prefix's server" "$WINESERVER" -w || exit 4
  # The service lives as long as the Wine server does, so the server stays up until the end.
  step "start a persistent wineserver" "$WINESERVER" -p || exit 4
  c="$WINEPREFIX/drive_c"
  [ -d "$c/windows/system32" ] || { say "no prefix made"; exit 4; }
  # Our notebook in place of Wine's HAL (WINEDLLOVERRIDES makes Wine load this native copy).
  cp "$TAVOS_WINE_BUILD/sim/notebook_hal/hal.dll" "$c/windows/system32/hal.dll"
  cp "$TAVOS_WINE_DIST/portio.sys" "$c/windows/system32/drivers/portio.sys"
  mkdir -p "$c/Program Files/Tavos" "$c/tavos-wine" "$c/notebook"
  cp "$TAVOS_WINE_DIST/Tavos.exe" "$c/Program Files/Tavos/"
  cp "$TAVOS_WINE_BUILD/tests/wine/scenario_host.exe" "$TAVOS_WINE_BUILD/tests/wine/tavos_probe.dll" \
     "$TAVOS_WINE_BUILD/tests/wine/stand_in.exe" "$c/tavos-wine/"
  # The programs the hot keys open, where an English and a German Windows keep them.
  for dir in "Program Files" Programme; do
    mkdir -p "$c/$dir/Plus!/Microsoft Internet" "$c/$dir/Outlook Express"
    cp "$TAVOS_WINE_BUILD/tests/wine/stand_in.exe" "$c/$dir/Plus!/Microsoft Internet/Iexplore.exe"
    cp "$TAVOS_WINE_BUILD/tests/wine/stand_in.exe" "$c/$dir/Outlook Express/Msimn.exe"
    # The video recorder (English and German), which knows itself by its file name.
    mkdir -p "$c/$dir/CyberLink/PowerVCRII"
    cp "$TAVOS_WINE_BUILD/tests/wine/stand_in.exe" "$c/$dir/CyberLink/PowerVCRII/PVCR.EXE"
  done
  # The MP3 player in the Windows directory (Wine's is C:\windows).
  cp "$TAVOS_WINE_BUILD/tests/wine/stand_in.exe" "$c/windows/MP3Player.exe"
  step "create the portio service" \
    "$wine" sc create portio type= kernel 'binPath=' 'C:\windows\system32\drivers\portio.sys' || exit 4
  step "start the portio service" "$wine" sc start portio || exit 4
  host='C:\tavos-wine\scenario_host.exe'
  step "open \\\\.\\DRV1 (portio started)" "$wine" "$host" --device present || exit 4
  # What docs/wine.md says of journal playback, which the media scenarios rely on: shown, and
  # said loudly when this Wine does otherwise (the comparison then shows it as differences).
  "$wine" "$host" --journal-check | tr -d '\r' | sed 's/^/# wine-session: /' >&2 ||
    say "this Wine's journal playback is not what docs/wine.md says: see the line above"
  say "prefix and portio ready after $(( $(date +%s) - t0 )) s ($TAVOS_WINE_ARCH)"
  set +e
  "$@"
  status=$?
  set -e
  step "stop the portio service" "$wine" sc stop portio || true
  state=$("$wine" sc query portio | tr -d '\r' | awk '/STATE/ {print $4}')
  if [ "$state" != STOPPED ] || ! step "\\\\.\\DRV1 is gone" "$wine" "$host" --device absent; then
    say "portio did not unload (state ${state:-unknown})"
    status=4
  else
    say "portio stopped and unloaded"
  fi
  "$wine" sc delete portio >/dev/null || true
  "$WINESERVER" -k 2>/dev/null || true
  "$WINESERVER" -w 2>/dev/null || true
  exit $status
fi

[ $# -ge 1 ] || { echo "usage: $0 COMMAND [ARGS...]" >&2; exit 2; }
# Some kernels run no 32-bit code at all (execve of an i386 program fails): Wine32 cannot start.
wine_choose_arch >&2
echo "# wine-session: ran on: $WINE_RAN_ON" >&2
export TAVOS_WINE_LOADER=$WINE_LOADER
case $TAVOS_WINE_ARCH in
  win32) export TAVOS_WINE_DIST="$source_dir/dist/i686" TAVOS_WINE_BUILD="$source_dir/build/windows-i686" ;;
  win64) export TAVOS_WINE_DIST="$source_dir/dist/x86_64" TAVOS_WINE_BUILD="$source_dir/build/windows-x86_64" ;;
esac
for f in "$TAVOS_WINE_DIST/Tavos.exe" "$TAVOS_WINE_DIST/portio.sys" \
         "$TAVOS_WINE_BUILD/sim/notebook_hal/hal.dll" "$TAVOS_WINE_BUILD/tests/wine/scenario_host.exe"; do
  [ -f "$f" ] || { echo "missing $f (run: make windows)" >&2; exit 4; }
done
work="$(mktemp -d "${TMPDIR:-/tmp}/tavos-wine.XXXXXX")"
export WINEPREFIX="$work/prefix" WINEARCH=$TAVOS_WINE_ARCH WINEDEBUG=-all
# Wine takes the system language from the Linux locale a program starts with; Debian installs
# only C and POSIX, so a run builds the locale its scenario asks for (localedef) into this
# folder, and starts the scenario host with it (tools/tavos-sim/wine_machine.cpp).
export LOCPATH="$work/locale"
mkdir -p "$LOCPATH"
# No Mono, Gecko or sound driver (their absence is what Tavos meets anyway), no debugger
# waiting on a crashed program (it ends instead, and the run says so); our HAL.
export WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv=;winedbg.exe=d;hal=n"
cleanup() {
  local status=$?
  trap - EXIT INT TERM
  "$WINESERVER" -k 2>/dev/null || true
  timeout 30 "$WINESERVER" -w 2>/dev/null || true
  rm -rf "$work"
  exit $status
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
xvfb-run -a -s "-screen 0 1024x768x24" ${TAVOS_WINE_TRACE:+bash -x} "$self" --on-display "$@"
