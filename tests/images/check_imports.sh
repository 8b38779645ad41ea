#!/usr/bin/env bash
# Compares a Windows image's import table with the IMPORT lines of the checked-in list, and
# checks that every listed import exists on the oldest Windows of each family the program
# starts on (95, NT 3.51): Windows refuses to start a program with an unresolved import.
#   tests/images/check_imports.sh LIST IMAGE
set -euo pipefail
list=${1:?path to windows_imports.def}
image=${2:?path to the image}
[ -f "$image" ] || { echo "FAIL: missing $image (run 'make windows' first)"; exit 1; }
status=0

# "LIBRARY function" lines, the library upper case and without ".dll".
listed=$(sed -n 's/^IMPORT(\([^,]*\),[[:space:]]*\([^,[:space:]]*\),.*/\1 \2/p' "$list" |
         awk '{print toupper($1), $2}' | sort)
built=$(i686-w64-mingw32-objdump -p "$image" | awk '
  /^\tDLL Name: / { dll = toupper($3); sub(/\.DLL$/, "", dll) }
  /^\tvma:/ { inTable = 1; next }
  /^ *$/ { inTable = 0 }
  inTable && NF >= 3 && $1 ~ /^[0-9a-f]+$/ { print dll, $3 }' | sort)
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

# Every import must be there on Windows 95 and on NT 3.51.
late=$(sed -n 's/^IMPORT(\([^)]*\)).*/\1/p' "$list" | tr -d ' \t' | awk -F, '
  $3 != "95" || ($4 != "3.1" && $4 != "3.5" && $4 != "3.51") { print "  " $1 " " $2 " (9x " $3 ", NT " $4 ")" }')
if [ -n "$late" ]; then
  echo "FAIL: imports missing on Windows 95 or NT 3.51, where the program would not start:"
  echo "$late"
  status=1
fi
[ $status -eq 0 ] && echo "ok: $image imports exactly the $(wc -l <<<"$built") listed functions, all present from Windows 95 and NT 3.51"
exit $status
