#!/usr/bin/env bash
# tavos-sim as a user meets it on the command line: one row a case (what is given, the exit
# status wanted, a text the output must hold), checked against the built binary.
#   tests/scenarios/tavos_sim_cli_test.sh TAVOS_SIM
set -uo pipefail
sim=${1:?path to tavos-sim}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'start\npress internet\nwait 2600\n' >"$work/internet.scn"
printf '\xEF\xBB\xBFstart\nwait 650\n' >"$work/bom.scn"
printf "Start\n" >"$work/upper.scn"
printf 'file "C:\\Tools\\a.ini" "x"\n' >"$work/path.scn"
failed=0 ran=0

# case NAME STATUS TEXT STDIN ARGS...: stdin "-" is /dev/null, else that file.
case_() {
  local name=$1 want=$2 text=$3 input=$4 status
  shift 4
  [ "$input" = - ] && input=/dev/null
  "$sim" "$@" <"$input" >"$work/out" 2>&1
  status=$?
  ran=$((ran + 1))
  if [ $status -ne "$want" ] || ! grep -qF -- "$text" "$work/out"; then
    echo "FAIL $name: wanted status $want and \"$text\"; got $status:"
    sed 's/^/  | /' "$work/out" | head -8
    failed=$((failed + 1))
  fi
}

case_ "piped scenario"          0 "2600 ec 0xCF 0x81"     "$work/internet.scn"
case_ "script from stdin"       0 "2600 ec 0xCF 0x81"     "$work/internet.scn" --script -
case_ "empty stdin: the demo"   0 'tavos-sim: demo.scn: 9 of 9'   -
case_ "byte-order mark"         0 '650 ec 0xCF 0x81'              - --script "$work/bom.scn"
case_ "closing summary"         0 '3 of 3 statements, 2 600 ms of virtual time, 13 timeline lines, no problems' \
                                  - --script "$work/internet.scn"
case_ "version"                 0 'tavos-sim 1.'                  - --version
case_ "script without a file"   2 '--script needs a FILE'         - --script
case_ "two scripts"             2 'one --script at a time'        - --script a --script b
case_ "script is a folder"      2 'it is a folder'                - --script "$work"
case_ "missing script"          2 'No such file or directory'     - --script "$work/none.scn"
case_ "keyword in upper case"   1 'keywords are lower case: start' "$work/upper.scn"
case_ "single backslash"        1 'write a backslash as \\'       "$work/path.scn"

echo "SUMMARY: $((ran - failed)) of $ran cases passed"
[ $failed -eq 0 ]
