#!/usr/bin/env bash
# Checks the built driver image: PE32 for i386, native subsystem, not a DLL, relocatable,
# importing from ntoskrnl.exe and HAL.dll only.
set -euo pipefail
image=${1:?path to portio.sys}
[ -f "$image" ] || { echo "missing $image: run 'make windows' first"; exit 1; }
objdump=i686-w64-mingw32-objdump
fail() { echo "FAIL: $*"; exit 1; }
headers=$($objdump -p "$image")
$objdump -f "$image" | grep -q 'file format pei-i386' || fail "not a PE image for i386"
grep -q '^Magic.*010b' <<<"$headers" || fail "not PE32"
grep -q 'Subsystem.*00000001' <<<"$headers" || fail "subsystem is not native"
characteristics=$(awk '/^Characteristics/ {print $2; exit}' <<<"$headers")
(( (16#${characteristics#0x} & 0x2000) == 0 )) || fail "marked as a DLL ($characteristics)"
grep -q 'Base Relocation Directory \[.reloc\]' <<<"$headers" || fail "no relocations"
dlls=$(grep 'DLL Name:' <<<"$headers" | awk '{print $3}' | sort | tr '\n' ' ')
[ "$dlls" = "HAL.dll ntoskrnl.exe " ] || fail "imports from: $dlls"
echo "ok: $image imports from $dlls"
