#!/usr/bin/env bash
# Runs the shipped setup, TavosSetup.exe, under Wine in a prefix of its own that is thrown away
# afterwards: it must refuse the Windows versions it does not support (exit code 3); on the XP
# setting a silent install must put every file, key, link and the running driver service in
# place, a silent upgrade over a running Tavos must end it, replace it and start it again, and
# a silent uninstall must take all of it away while the user's settings stay byte for byte; on
# a 95-family setting (win98) the same without the driver service.
#   tests/images/run_installer_wine.sh DIST_I686 DIST_X86_64
# The i686 build runs in a win32 prefix where this kernel runs 32-bit programs; elsewhere its
# x86_64 build runs under Wine64 in a win64 prefix as a stand-in (TAVOS_WINE_ARCH=win32|win64
# chooses; tests/wine/wine-lib.sh). The output says which ran.
# Exit status: 0 when every check passed, 1 when one failed, 2 for a missing file or tool,
# 77 when it cannot run at all (a "SKIP: reason" line says why). Its last line:
#   SUMMARY: N checks passed, M failed (ran on: ...)
set -uo pipefail
self="$(realpath "${BASH_SOURCE[0]}")"
source "$(dirname "$self")/../wine/wine-lib.sh"

if [ "${1:-}" = "--on-display" ]; then
  on_display=1
  shift
fi
if [ $# -ne 2 ]; then
  echo "usage: $0 DIST_I686 DIST_X86_64" >&2
  exit 2
fi
dist_i686="$(realpath -m "$1")"
dist_x86_64="$(realpath -m "$2")"

wine_choose_arch  # exits 77 with a SKIP line when win32 is asked for and cannot run
why32=$(wine32_unavailable_reason)
if [ "$TAVOS_WINE_ARCH" = win32 ]; then
  dist=$dist_i686
  ran_on="i686 win32 prefix"
elif [ -n "$why32" ]; then
  dist=$dist_x86_64
  ran_on="x86_64 stand-in under Wine64, this kernel runs no 32-bit programs"
else
  dist=$dist_x86_64
  ran_on="x86_64 stand-in under Wine64, as asked (TAVOS_WINE_ARCH=win64)"
fi

if [ -z "${on_display:-}" ]; then
  for f in "$dist/TavosSetup.exe" "$dist/Tavos.exe" "$dist/portio.sys"; do
    [ -f "$f" ] || { echo "missing $f (run: make windows)"; exit 2; }
  done
  for t in "$WINE_LOADER" "$WINESERVER" xvfb-run xauth timeout cmp; do
    command -v "$t" >/dev/null || { echo "missing tool $t (run: make deps)"; exit 2; }
  done
  echo "# ran on: $ran_on"
  # A display of its own: Tavos creates its windows and tray icon.
  exec timeout -k 10 "${INSTALLER_TIMEOUT:-400}" xvfb-run -a "$self" --on-display "$@"
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/tavos-setup.XXXXXX")"
export WINEPREFIX="$work/prefix" WINEARCH=$TAVOS_WINE_ARCH WINEDEBUG=-all
# No Mono or Gecko: the prefix would otherwise offer to download them.
export WINEDLLOVERRIDES="mscoree,mshtml="
wine=$WINE_LOADER
cleanup() {
  local status=$?
  trap - EXIT
  # Whatever the outcome, no Wine process of this prefix outlives the run.
  "$WINESERVER" -k 2>/dev/null || true
  timeout 30 "$WINESERVER" -w 2>/dev/null || true
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT

passed=0
failed=0
pass() { echo "ok   $1"; passed=$((passed + 1)); }
fail() {
  echo "FAIL $1"
  shift
  for line in "$@"; do echo "     $line"; done
  failed=$((failed + 1))
}
# check WHAT EXPECTED GOT
check() {
  if [ "$2" = "$3" ]; then pass "$1"; else fail "$1" "expected: $2" "got:      $3"; fi
}
# check_true WHAT COMMAND...: the command succeeds; else its output and status are shown.
check_true() {
  local what=$1 out status=0
  shift
  out=$("$@" 2>&1) || status=$?
  if [ $status -eq 0 ]; then
    pass "$what"
  else
    fail "$what" "command: $*" "status:  $status ($(wine_exit_meaning "$status"))" \
      "output:  $(head -c 600 <<<"$out" | tr -d '\r' | tr '\n' '|')"
  fi
}
# What an exit code of the setup means (README, "Installing on Windows"); the others as Wine's.
setup_exit_meaning() {
  case $1 in
    0) echo "the setup succeeded" ;;
    1) echo "the setup was cancelled" ;;
    2) echo "the setup could not write a file, folder, link or key" ;;
    3) echo "the setup refused an unsupported Windows" ;;
    4) echo "the setup had no administrator rights" ;;
    5) echo "the setup could not create the driver service" ;;
    *) wine_exit_meaning "$1" ;;
  esac
}
# Runs a Windows program of the prefix and checks its exit code: run_expecting CODE WHAT PROGRAM ARGS...
run_expecting() {
  local expected=$1 what=$2 out status=0
  shift 2
  echo "# step: $what"
  # A file, not a pipe: what the program starts (Tavos, the uninstaller's copy, a driver's
  # host) inherits its output and would keep a pipe open for as long as it runs.
  "$wine" "$@" >"$work/output" 2>&1 || status=$?
  out=$(cat "$work/output")
  if [ "$status" -eq "$expected" ]; then
    pass "$what: exit code $status ($(setup_exit_meaning "$status"))"
  else
    fail "$what: exit code" "command:  wine $*" \
      "expected: $expected ($(setup_exit_meaning "$expected"))" \
      "got:      $status ($(setup_exit_meaning "$status"))" \
      "output:   $(head -c 600 <<<"$out" | tr -d '\r' | tr '\n' '|')"
  fi
}
# A setup step that must work for the rest to mean anything: stops the run when it fails.
must() {
  wine_step "$@" || {
    echo "SUMMARY: $passed checks passed, $((failed + 1)) failed (ran on: $ran_on)"
    exit 1
  }
}

# A registry value as `reg query` prints it ("" when there is none). Each `wine reg` costs
# a second, so a key is read once (read_key) and its values taken from that (value_of).
read_key() { key_text=$("$wine" reg query "$1" 2>/dev/null | tr -d '\r'); }
value_of() {
  awk -v name="$1" '$1 == name { $1 = ""; $2 = ""; sub(/^ +/, ""); print; exit }' <<<"$key_text"
}
reg_value() {
  read_key "$1"
  value_of "$2"
}
key_exists() { "$wine" reg query "$1" >/dev/null 2>&1; }
service_state() {  # RUNNING, STOPPED, ... or "none"
  local state
  state=$("$wine" sc query portio 2>/dev/null | tr -d '\r' | awk '$1 == "STATE" { print $4; exit }')
  echo "${state:-none}"
}
set_version() {
  must "Windows version $1" "$wine" reg add 'HKCU\Software\Wine' /v Version /d "$1" /f
}
# What the prefix's Windows says it is ("Microsoft Windows 5.1.2600").
reported_version() { "$wine" cmd /c ver 2>/dev/null | tr -d '\r' | grep -m1 Windows; }

# The processes of this prefix (never another prefix's, never this shell) whose program file
# is Tavos.exe: Wine shows a program's Windows path as its command line.
tavos_pids() {
  local dir env cmd
  for dir in /proc/[0-9]*; do
    env=$(tr '\0' '\n' 2>/dev/null <"$dir/environ") || continue
    grep -qxF "WINEPREFIX=$WINEPREFIX" <<<"$env" || continue
    cmd=$(tr '\0' ' ' 2>/dev/null <"$dir/cmdline") || continue
    shopt -s nocasematch
    [[ $cmd =~ (^|[\\/])Tavos\.exe( |$) ]] && echo "${dir#/proc/}"
    shopt -u nocasematch
  done | sort -n | tr '\n' ' ' | sed 's/ $//'
}
wait_until() {  # wait_until SECONDS COMMAND...
  local limit=$1 i
  shift
  for ((i = 0; i < limit * 4; i++)); do
    "$@" && return 0
    sleep 0.25
  done
  return 1
}
tavos_runs() { [ -n "$(tavos_pids)" ]; }
tavos_gone() { [ -z "$(tavos_pids)" ]; }

c=$WINEPREFIX/drive_c
installed="$c/Program Files/Tavos"
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavos'
service_key='HKLM\System\CurrentControlSet\Services\portio'
setup_win='C:\users\Public\TavosSetup.exe'

echo "# prefix $WINEPREFIX ($WINEARCH), setup from $dist"
must "make the prefix" "$wine" wineboot -i
# The server that made the prefix must be gone before one that stays is started.
must "wait for the prefix's server to end" "$WINESERVER" -w
# It stays between the steps, so that the driver service lives on as on Windows.
must "start a server that stays" "$WINESERVER" -p 600
mkdir -p "$c/users/Public"
cp "$dist/TavosSetup.exe" "$c/users/Public/TavosSetup.exe"
# The user's settings from before, which neither install nor uninstall may touch.
printf '[ENABLESTART]\r\nCHECK=ENABLE\r\n[USERDEFINE]\r\nEXECUTE=\tNULL' >"$c/windows/SelectFile.ini"
printf '[ Tavo Buttons Config File ]\r\n0' >"$c/Tavos.ini"
cp "$c/windows/SelectFile.ini" "$work/SelectFile.ini"
cp "$c/Tavos.ini" "$work/Tavos.ini"

# ---- Windows versions the setup refuses, where this Wine can pretend to be them.
for version in win10 nt351; do
  set_version "$version"
  reported=$(reported_version)
  case "$version:$reported" in
    win10:*" 10."* | nt351:*" 3.51."*) ;;
    *)
      echo "# not checked: this Wine does not offer $version (it says \"$reported\")"
      continue
      ;;
  esac
  run_expecting 3 "on $version ($reported) the setup refuses" "$setup_win" /S
  check "on $version nothing is installed" absent "$([ -e "$installed" ] && echo present || echo absent)"
done

# settings_kept ROUND: the user's files byte for byte.
settings_kept() {
  check_true "$1: SelectFile.ini is as it was" cmp "$work/SelectFile.ini" "$c/windows/SelectFile.ini"
  check_true "$1: C:\\Tavos.ini is as it was" cmp "$work/Tavos.ini" "$c/Tavos.ini"
}

# Ends the Wine session and starts another, as a restart of Windows would: programs end, and
# the services set to start with Windows start.
restart_wine() {
  must "$1: end the Wine session" "$WINESERVER" -k
  must "$1: wait for its server to end" "$WINESERVER" -w
  must "$1: start a server that stays" "$WINESERVER" -p 600
  must "$1: start Windows" "$wine" wineboot -r
}

# The driver's service runs. Windows starts it again after an upgrade at once; Wine cannot load
# a driver a second time in a session in which a program had its device open (ZwLoadDriver
# fails with 0xC0000024, STATUS_OBJECT_TYPE_MISMATCH, for the driver object left behind), so
# there it is checked as Windows would start it next: at its next start.
check_service_runs() {
  local state
  state=$(service_state)
  if [ "$state" = RUNNING ]; then
    pass "$1: sc query portio: RUNNING"
    return
  fi
  echo "# $1: the service is $state in this Wine session; Wine loads a driver only once in a"
  echo "#   session in which a program had its device open. Restarting, where it starts with Windows:"
  restart_wine "$1"
  check "$1: sc query portio after the restart (started with Windows)" RUNNING "$(service_state)"
}

# install_checks ROUND NT: what a silent install leaves.
install_checks() {
  local round=$1 nt=$2 menu
  check_true "$round: Tavos.exe in Program Files\\Tavos" cmp "$dist/Tavos.exe" "$installed/Tavos.exe"
  check_true "$round: the uninstaller beside it" cmp "$dist/TavosSetup.exe" "$installed/Uninstall.exe"
  check "$round: Run value" "\"C:\\Program Files\\Tavos\\Tavos.exe\"" "$(reg_value "$run_key" Tavos)"
  read_key "$uninstall_key"
  check "$round: uninstall entry DisplayName" Tavos "$(value_of DisplayName)"
  check "$round: uninstall entry UninstallString" "\"C:\\Program Files\\Tavos\\Uninstall.exe\"" \
    "$(value_of UninstallString)"
  check "$round: uninstall entry QuietUninstallString" \
    "\"C:\\Program Files\\Tavos\\Uninstall.exe\" /S" "$(value_of QuietUninstallString)"
  check "$round: uninstall entry InstallLocation" 'C:\Program Files\Tavos' "$(value_of InstallLocation)"
  check "$round: uninstall entry DisplayIcon" 'C:\Program Files\Tavos\Tavos.exe' "$(value_of DisplayIcon)"
  check "$round: uninstall entry NoModify" 0x1 "$(value_of NoModify)"
  check "$round: uninstall entry NoRepair" 0x1 "$(value_of NoRepair)"
  menu=$(find "$c" -ipath '*Start Menu/Programs/Tavos' -type d | head -1)
  check_true "$round: Start menu link Tavos.lnk" test -f "$menu/Tavos.lnk"
  check_true "$round: Start menu link Uninstall Tavos.lnk" test -f "$menu/Uninstall Tavos.lnk"
  if [ "$nt" = nt ]; then
    check_true "$round: portio.sys in the drivers folder" cmp "$dist/portio.sys" "$c/windows/system32/drivers/portio.sys"
    read_key "$service_key"
    check "$round: service: a kernel driver" 0x1 "$(value_of Type)"
    check "$round: service: started with Windows" 0x2 "$(value_of Start)"
    check "$round: service: errors logged normally" 0x1 "$(value_of ErrorControl)"
    check "$round: service: the installed image" '\SystemRoot\System32\drivers\portio.sys' \
      "$(value_of ImagePath)"
    check_service_runs "$round"
  else
    check "$round: no driver service on the 95 family" none "$(service_state)"
    check "$round: no portio.sys on the 95 family" absent \
      "$([ -e "$c/windows/system32/drivers/portio.sys" ] && echo present || echo absent)"
  fi
}

# uninstall_checks ROUND: everything gone but the settings; the uninstaller's copy goes with
# the next start of Windows.
uninstall_checks() {
  local round=$1 copy left
  echo "# step: $round: silent uninstall (Uninstall.exe returns at once; its copy finishes)"
  run_expecting 0 "$round: Uninstall.exe /S" 'C:\Program Files\Tavos\Uninstall.exe' /S
  gone() { [ ! -e "$installed" ] && ! key_exists "$uninstall_key"; }
  check_true "$round: the uninstaller's copy finishes within 60 s" wait_until 60 gone
  check "$round: the uninstall ended Tavos" "" "$(tavos_pids)"
  check "$round: Program Files\\Tavos is gone" absent "$([ -e "$installed" ] && echo present || echo absent)"
  check "$round: portio.sys is gone" absent \
    "$([ -e "$c/windows/system32/drivers/portio.sys" ] && echo present || echo absent)"
  check "$round: the driver service is gone" none "$(service_state)"
  check "$round: the service's key is gone" absent "$(key_exists "$service_key" && echo present || echo absent)"
  check "$round: the Run value is gone" "" "$(reg_value "$run_key" Tavos)"
  check "$round: the Add/Remove Programs entry is gone" absent "$(key_exists "$uninstall_key" && echo present || echo absent)"
  check "$round: the Start menu folder is gone" "" "$(find "$c" -ipath '*Start Menu*' -iname 'Tavos*')"
  settings_kept "$round"
  copy=$(find "$c" -iname 'TavosUn.exe' | head -1)
  check_true "$round: the uninstaller's copy waits for the restart" test -n "$copy"
  must "$round: restart Windows" "$wine" wineboot -r
  check "$round: the uninstaller's copy is gone after the restart" "" "$(find "$c" -iname 'TavosUn.exe')"
  left=$(find "$c" -iname '*tavos*' ! -iname 'Tavos.ini' ! -path "$c/users/Public/TavosSetup.exe" |
         head -5 | tr '\n' ' ')
  check "$round: nothing else named after Tavos on drive C" "" "$left"
}

# ---- the XP setting: install, upgrade over a running Tavos, uninstall.
set_version winxp
echo "# Windows says: $(reported_version)"
run_expecting 0 "XP: silent install" "$setup_win" /S
install_checks XP nt
check "XP: a silent install leaves Tavos to the next logon" "" "$(tavos_pids)"

echo "# step: XP: Tavos started as Windows starts it at logon"
"$wine" 'C:\Program Files\Tavos\Tavos.exe' >/dev/null 2>&1 &
check_true "XP: Tavos runs before the upgrade" wait_until 20 tavos_runs
before=$(tavos_pids)
echo "# Tavos before the upgrade: pid $before"
run_expecting 0 "XP: silent upgrade over the running Tavos" "$setup_win" /S
after=$(tavos_pids)
echo "# Tavos after the upgrade: pid ${after:-none}"
still=$(comm -12 <(tr ' ' '\n' <<<"$before" | sort) <(tr ' ' '\n' <<<"$after" | sort) | tr '\n' ' ')
check "XP: the upgrade ended the Tavos that ran (pid $before); still running" "" "${still% }"
if [ -n "$after" ]; then
  pass "XP: the upgrade started Tavos again (pid $after)"
else
  fail "XP: the upgrade started Tavos again" "expected: a Tavos.exe process of this prefix" "got:      none"
fi
install_checks "XP upgrade" nt
if [ -z "$(tavos_pids)" ]; then
  echo "# step: XP: Tavos started again as at logon (the restart above ended it)"
  "$wine" 'C:\Program Files\Tavos\Tavos.exe' >/dev/null 2>&1 &
  check_true "XP: Tavos runs before the uninstall" wait_until 20 tavos_runs
fi
uninstall_checks XP

# ---- a 95-family setting: no driver service.
set_version win98
echo "# Windows says: $(reported_version)"
run_expecting 0 "98: silent install" "$setup_win" /S
install_checks 98 9x
if [ "$TAVOS_WINE_ARCH" = win32 ]; then
  echo "# step: 98: Tavos started as Windows starts it at logon"
  "$wine" 'C:\Program Files\Tavos\Tavos.exe' >/dev/null 2>&1 &
  check_true "98: Tavos runs before the upgrade" wait_until 20 tavos_runs
  before=$(tavos_pids)
  run_expecting 0 "98: silent upgrade over the running Tavos" "$setup_win" /S
  after=$(tavos_pids)
  echo "# Tavos before the upgrade: pid $before; after: pid ${after:-none}"
  if [ -n "$after" ] && [ "$after" != "$before" ]; then
    pass "98: the upgrade started Tavos again (pid $before, now $after)"
  else
    fail "98: the upgrade started Tavos again" "expected: a new Tavos.exe process (not $before)" \
      "got:      ${after:-none}"
  fi
else
  # On the 95 family Tavos reads the ports itself; Wine64 faults on those instructions
  # (docs/wine.md), so the x86_64 stand-in is not run there: the setup is.
  echo "# not checked under Wine64: Tavos running on the 95-family setting (its port instructions fault)"
  run_expecting 0 "98: silent upgrade" "$setup_win" /S
  check "98: a silent upgrade does not start a Tavos that did not run" "" "$(tavos_pids)"
fi
uninstall_checks 98

echo "SUMMARY: $passed checks passed, $failed failed (ran on: $ran_on)"
[ $failed -eq 0 ]
