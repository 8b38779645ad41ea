#!/usr/bin/env bash
# Runs the shipped installer under 32-bit Wine in a fresh prefix of its own: it must refuse a
# Windows it does not support; on Windows XP a silent install must put every file, key and
# entry in place and start the driver service, a second install must upgrade in place and end
# a running Tavos first, and a silent uninstall must take all of it away again while the
# user's settings files stay as they were.
#   tests/images/run_installer_wine.sh DIST_DIR     (dist/i686 after `make windows`)
# Exit status 0 when every check passed, 1 when one failed, 77 when this machine cannot run
# 32-bit programs (the kernel's 32-bit support is off), 2 for a missing file or tool.
set -euo pipefail

if [ "${1:-}" = "--on-display" ]; then
  on_display=1
  shift
fi
dist="$(realpath -m "${1:?usage: $0 DIST_DIR}")"
setup="$dist/TavosSetup.exe"
wine=/usr/lib/wine/wine
wineserver=/usr/lib/wine/wineserver32
[ -x "$wineserver" ] || wineserver=/usr/lib/wine/wineserver
for f in "$setup" "$dist/Tavos.exe" "$dist/portio.sys"; do
  [ -f "$f" ] || { echo "missing $f (run: make windows)"; exit 2; }
done

if [ -z "${on_display:-}" ]; then
  for t in "$wine" xvfb-run timeout; do
    command -v "$t" >/dev/null || { echo "missing tool $t (run: make deps)"; exit 2; }
  done
  if ! "$wine" --version >/dev/null 2>&1; then
    echo "SKIP: this machine cannot run 32-bit programs ($wine does not start; is the kernel's"
    echo "      32-bit support, ia32_emulation, off?), so the installer cannot be run here"
    exit 77
  fi
  # A display of its own: Tavos is started to see the upgrade and the uninstaller end it.
  exec timeout -k 10 "${INSTALLER_TIMEOUT:-400}" xvfb-run -a "$(realpath "$0")" --on-display "$dist"
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/tavos-setup.XXXXXX")"
export WINEPREFIX="$work/prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  local status=$?
  "$wineserver" -k 2>/dev/null || true
  timeout 30 "$wineserver" -w 2>/dev/null || true
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT

failed=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@" >/dev/null 2>&1; then echo "ok   $what"; else echo "FAIL $what"; failed=1; fi
}
reg_has() { "$wine" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | grep -qiF -- "$3"; }
key_exists() { "$wine" reg query "$1" >/dev/null 2>&1; }
tavos_runs() { pgrep -f 'Program Files/Tavos/Tavos.exe' >/dev/null || pgrep -f 'Tavos\\Tavos.exe' >/dev/null; }
wait_until() {  # wait_until SECONDS COMMAND...: polls, as the uninstaller runs on as a copy
  local limit=$1
  shift
  for ((i = 0; i < limit * 2; i++)); do
    if "$@"; then return 0; fi
    sleep 0.5
  done
  return 1
}

c=$WINEPREFIX/drive_c
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavos'
service_key='HKLM\System\CurrentControlSet\Services\portio'

"$wine" wineboot -i >/dev/null 2>&1
# The server stays up between the steps, so the driver service lives on as on Windows.
"$wineserver" -p 600

# A Windows later than XP is refused with the installer's message and nothing is installed.
"$wine" reg add 'HKCU\Software\Wine' /v Version /d win10 /f >/dev/null 2>&1
set +e
"$wine" "$setup" /S
status=$?
set -e
check "on Windows 10 the installer refuses (exit status 3, got $status)" test "$status" -eq 3
check "on Windows 10 nothing is installed" test ! -e "$c/Program Files/Tavos"

"$wine" reg add 'HKCU\Software\Wine' /v Version /d winxp /f >/dev/null 2>&1
# The user's settings from before, which neither install nor uninstall may touch.
printf '[Tavos]\r\nEXECUTE=NULL\r\n' >"$c/windows/SelectFile.ini"
printf 'Tavos state\r\n0\r\n' >"$c/Tavos.ini"
cp "$c/windows/SelectFile.ini" "$work/SelectFile.ini"
cp "$c/Tavos.ini" "$work/Tavos.ini"

set +e
"$wine" "$setup" /S
status=$?
set -e
check "silent install ends with status 0 (got $status)" test "$status" -eq 0
check "Tavos.exe installed in Program Files" cmp "$dist/Tavos.exe" "$c/Program Files/Tavos/Tavos.exe"
check "the uninstaller installed" test -f "$c/Program Files/Tavos/Uninstall.exe"
check "portio.sys installed in the drivers folder" cmp "$dist/portio.sys" "$c/windows/system32/drivers/portio.sys"
check "Run key starts Tavos with Windows" reg_has "$run_key" Tavos 'C:\Program Files\Tavos\Tavos.exe'
check "service key: a kernel driver" reg_has "$service_key" Type 0x1
check "service key: started automatically" reg_has "$service_key" Start 0x2
check "service key: the installed image" reg_has "$service_key" ImagePath 'drivers\portio.sys'
# Starting a running service fails with ERROR_SERVICE_ALREADY_RUNNING.
check "the driver service runs" sh -c "'$wine' sc start portio 2>&1 | tr -d '\r' | grep -q 1056"
check "Add/Remove Programs entry" reg_has "$uninstall_key" DisplayName Tavos
check "Add/Remove Programs entry: uninstaller" reg_has "$uninstall_key" UninstallString 'Uninstall.exe'
lnk=$(find "$c" -iname 'Tavos.lnk' -path '*Start Menu*' | head -1)
check "Start-menu entry" test -n "$lnk"

# An upgrade over a running Tavos: it is ended, replaced, and one entry remains.
"$wine" "$c/Program Files/Tavos/Tavos.exe" &
wait_until 20 tavos_runs || true
check "Tavos runs before the upgrade" tavos_runs
set +e
"$wine" "$setup" /S
status=$?
set -e
check "upgrade in place ends with status 0 (got $status)" test "$status" -eq 0
check "the upgrade ended the running Tavos" wait_until 10 sh -c '! pgrep -f "Tavos.exe" >/dev/null'
check "Tavos.exe still installed after the upgrade" cmp "$dist/Tavos.exe" "$c/Program Files/Tavos/Tavos.exe"
check "one Add/Remove Programs entry after the upgrade" reg_has "$uninstall_key" DisplayName Tavos

# Silent uninstall, with Tavos running again.
"$wine" "$c/Program Files/Tavos/Tavos.exe" &
wait_until 20 tavos_runs || true
"$wine" "$c/Program Files/Tavos/Uninstall.exe" /S
gone() { [ ! -e "$c/Program Files/Tavos" ] && ! key_exists "$uninstall_key"; }
check "the uninstaller finishes" wait_until 60 gone
check "the uninstaller ended Tavos" sh -c '! pgrep -f "Tavos.exe" >/dev/null'
check "Program Files\\Tavos is gone" test ! -e "$c/Program Files/Tavos"
check "portio.sys is gone" test ! -e "$c/windows/system32/drivers/portio.sys"
check "the service key is gone" sh -c "! '$wine' reg query '$service_key' >/dev/null 2>&1"
check "the Run value is gone" sh -c "! '$wine' reg query '$run_key' /v Tavos >/dev/null 2>&1"
check "the uninstall entry is gone" sh -c "! '$wine' reg query '$uninstall_key' >/dev/null 2>&1"
check "the Start-menu entries are gone" sh -c "[ -z \"\$(find '$c' -ipath '*Start Menu*Tavos*')\" ]"
check "SelectFile.ini stays as it was" cmp "$work/SelectFile.ini" "$c/windows/SelectFile.ini"
check "Tavos.ini stays as it was" cmp "$work/Tavos.ini" "$c/Tavos.ini"
# Nothing else of Tavos anywhere on drive C.
left=$(find "$c" -iname '*tavos*' ! -iname 'Tavos.ini' | head -5)
check "no other file named after Tavos is left${left:+: $left}" test -z "$left"

[ $failed -eq 0 ] && echo "all installer checks passed" || echo "some installer checks failed"
exit $failed
