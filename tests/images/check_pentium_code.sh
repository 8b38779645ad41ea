#!/usr/bin/env bash
# Fails when a Windows image holds an instruction the Pentium (i586) lacks: the P6 conditional
# moves and compares (CMOV, FCMOV, FCOMI, FUCOMI), MMX, SSE and later instructions, the P6
# multi-byte NOP, SYSENTER. Windows 95 to XP all run on a Pentium, where any of these stops
# the program (or, in the driver, the machine).
#   tests/images/check_pentium_code.sh IMAGE...
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: $0 IMAGE..."; exit 2; }
objdump=i686-w64-mingw32-objdump
# Mnemonics newer than the Pentium, and any operand naming an MMX or SSE register.
newer='^(cmov|fcmov|fcomi|fucomi|nop[wl]?$|emms|femms|movnt|prefetch|[slm]fence|clflush|sysenter|sysexit|rdpmc|fxsave|fxrstor|ldmxcsr|stmxcsr|pf|pi2f)'
status=0
for image in "$@"; do
  [ -f "$image" ] || { echo "FAIL: missing $image (run 'make windows' first)"; status=1; continue; }
  # Executable sections only; "(bad)" lines are the constructor lists' markers, not code.
  found=$($objdump -d --no-show-raw-insn "$image" | awk -v newer="$newer" -F'\t' '
    /^[0-9a-f]+ <.*>:$/ { where = $0 }
    NF >= 2 {
      split($2, word, " ")
      operands = substr($2, length(word[1]) + 1)
      multiByteNop = word[1] ~ /^nop/ && operands ~ /[^ ]/
      if ((word[1] ~ newer && word[1] !~ /^nop/) || multiByteNop || operands ~ /%x?mm[0-9]/)
        print "  " $1 " " $2 "   in " where
    }')
  if [ -n "$found" ]; then
    echo "FAIL: $image has $(wc -l <<<"$found") instruction(s) the Pentium lacks:"
    head -20 <<<"$found"
    status=1
  else
    echo "ok: $image runs on the Pentium ($($objdump -d "$image" | grep -c $'^ *[0-9a-f]*:\t') instructions checked)"
  fi
done
exit $status
