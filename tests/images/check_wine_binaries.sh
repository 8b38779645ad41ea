#!/usr/bin/env bash
# What only shows when the Wine legs run the i686 build, checked on any machine from the images'
# tables: every DLL the legs load or inject exports exactly the names the code asks for
# (GetProcAddress wants "Hook", an i686 stdcall export is "Hook@12" unless linked --kill-at);
# the notebook's hal.dll exports every routine portio.sys imports from the HAL; and every
# program and DLL of the legs imports only libraries a Windows prefix has (a MinGW run-time
# DLL would not be found there).
#   tests/images/check_wine_binaries.sh SOURCE_DIR WINDOWS_BUILD_DIR DIST_DIR
set -euo pipefail
source "$(dirname "$(realpath "$0")")/pe-tables.sh"
src=${1:?source dir}
build=${2:?windows build dir (build/windows-i686)}
dist=${3:?dist dir (dist/i686)}
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# The libraries Windows itself provides to these programs.
system_libraries='^(KERNEL32|USER32|GDI32|SHELL32|ADVAPI32|COMDLG32|MSVCRT|CRTDLL|WINMM|OLE32|SETUPAPI|NTOSKRNL|HAL)\.(DLL|EXE)$'

# requires_exports IMAGE HEADER: the strings of HEADER's "#define NAME_EXPORT "x"" lines.
requires_exports() {
  local image=$1 header=$2 exported wanted name
  exported=$(pe_exports "$image")
  wanted=$(sed -n 's/^#define [A-Z0-9_]*_EXPORT "\([^"]*\)".*/\1/p' "$header")
  [ -n "$wanted" ] || fail "$header names no exports (#define ..._EXPORT \"Name\")"
  for name in $wanted; do
    grep -qxF "$name" <<<"$exported" ||
      fail "$(basename "$image") does not export \"$name\" (asked for in $header); it exports: $(tr '\n' ' ' <<<"$exported")"
  done
}

probe=$build/tests/wine/tavos_probe.dll
e2e_probe=$build/tests/e2e/tavos_e2e_probe.dll
hal=$build/sim/notebook_hal/hal.dll
images=("$dist/Tavos.exe" "$dist/portio.sys" "$dist/TavosSetup.exe" "$probe" "$e2e_probe" "$hal"
        "$build/tests/wine/scenario_host.exe" "$build/tests/wine/stand_in.exe"
        "$build/tests/e2e/tavos_e2e.exe")
for image in "${images[@]}"; do
  [ -f "$image" ] || { echo "FAIL: missing $image (run 'make windows' first)"; exit 1; }
done

requires_exports "$probe" "$src/tests/wine/probe_exports.h"
requires_exports "$e2e_probe" "$src/tests/e2e/menu_probe.h"

for dll in "$probe" "$e2e_probe" "$hal"; do
  decorated=$(pe_exports "$dll" | grep '@' || true)
  [ -z "$decorated" ] || fail "$(basename "$dll") exports decorated names: $(tr '\n' ' ' <<<"$decorated")"
done

hal_exports=$(pe_exports "$hal")
while read -r library routine; do
  [ "$library" = HAL ] || continue
  grep -qxF "$routine" <<<"$hal_exports" ||
    fail "hal.dll does not export $routine, which portio.sys imports from the HAL"
done < <(pe_imports "$dist/portio.sys")

for image in "${images[@]}"; do
  foreign=$(pe_import_libraries "$image" | grep -Ev "$system_libraries" || true)
  [ -z "$foreign" ] || fail "$(basename "$image") imports libraries a Windows prefix lacks: $(tr '\n' ' ' <<<"$foreign")"
done

[ $failed -eq 0 ] && echo "ok: ${#images[@]} images of $build and $dist: exports as asked, imports resolvable"
exit $failed
