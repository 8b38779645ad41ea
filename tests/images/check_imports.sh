#!/usr/bin/env bash
# Compares a Windows image's import table with the IMPORT lines of its checked-in list, and
# checks that every listed import exists on the oldest Windows of each family the image must
# run on: Windows refuses to start a program, or load a driver, with an unresolved import.
#   tests/images/check_imports.sh LIST IMAGE OLDEST_9X OLDEST_NT
# OLDEST_9X is 95, 98 or Me, or "none" for an image no 9x Windows runs (a kernel driver);
# OLDEST_NT is 3.1, 3.5, 3.51, 4.0, 2000 or XP.
set -euo pipefail
source "$(dirname "$(realpath "$0")")/pe-tables.sh"
list=${1:?path to the list of imports (platform/*_imports.def)}
image=${2:?path to the image}
oldest9x=${3:?oldest 9x version required, or none}
oldestNt=${4:?oldest NT version required}
[ -f "$image" ] || { echo "FAIL: missing $image (run 'make windows' first)"; exit 1; }
status=0

# "LIBRARY function" lines, the library upper case and without ".dll" or ".exe".
listed=$(sed -n 's/^IMPORT(\([^,]*\),[[:space:]]*\([^,[:space:]]*\),.*/\1 \2/p' "$list" |
         awk '{print toupper($1), $2}' | sort)
built=$(PE_OBJDUMP=i686-w64-mingw32-objdump pe_imports "$image")
[ -n "$built" ] || { echo "FAIL: no imports read from $image"; exit 1; }

extra=$(comm -13 <(echo "$listed") <(echo "$built"))
gone=$(comm -23 <(echo "$listed") <(echo "$built"))
if [ -n "$extra" ]; then
  echo "FAIL: imported but not on the list (add each with its first Windows versions, or bind it at run time):"
  sed 's/^/  /' <<<"$extra"
  status=1
fi
if [ -n "$gone" ]; then
  echo "FAIL: on the list but no longer imported (take them off the list):"
  sed 's/^/  /' <<<"$gone"
  status=1
fi

# Every import must be there on the oldest version of each family the image runs on. A
# version text the list should not hold counts as never.
if [ "$oldest9x" = none ]; then required="NT $oldestNt"; else required="Windows $oldest9x and NT $oldestNt"; fi
late=$(sed -n 's/^IMPORT(\([^)]*\)).*/\1/p' "$list" | tr -d ' \t' |
       awk -F, -v oldest9x="$oldest9x" -v oldestNt="$oldestNt" '
  function rank9x(v) { return v == "95" ? 1 : v == "98" ? 2 : v == "Me" ? 3 : 99 }
  function rankNt(v) {
    return v == "3.1" ? 1 : v == "3.5" ? 2 : v == "3.51" ? 3 : v == "4.0" ? 4 : v == "2000" ? 5 : v == "XP" ? 6 : 99
  }
  (oldest9x != "none" && rank9x($3) > rank9x(oldest9x)) || rankNt($4) > rankNt(oldestNt) {
    print "  " $1 " " $2 " (9x " $3 ", NT " $4 ")"
  }')
if [ -n "$late" ]; then
  echo "FAIL: imports missing on $required, where the image would not load:"
  echo "$late"
  status=1
fi
[ $status -eq 0 ] && echo "ok: $image imports exactly the $(wc -l <<<"$built") listed functions, all present from $required"
exit $status
