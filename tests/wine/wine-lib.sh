# What every Wine script of the tests shares; sourced, not run.
#   wine_choose_arch       sets TAVOS_WINE_ARCH (win32|win64), WINE_LOADER and WINE_RAN_ON from
#                          TAVOS_WINE_ARCH (unset: win32 where this kernel runs 32-bit programs,
#                          else win64); exits 77 with a SKIP line when win32 is asked for and
#                          cannot run here
#   wine_step NAME CMD...  runs one step quietly; when it fails, prints the step, the command,
#                          its exit status with what it means, and its output; returns the status
#   wine_exit_meaning N    what an exit status of a Wine program or of the tools around it means

WINE_DIR=/usr/lib/wine
WINESERVER=$WINE_DIR/wineserver

# Why this machine cannot run the 32-bit loader, or nothing when it can.
wine32_unavailable_reason() {
  local out status=0
  [ -x "$WINE_DIR/wine" ] || { echo "no 32-bit Wine ($WINE_DIR/wine missing: wine32:i386 not installed)"; return; }
  out=$("$WINE_DIR/wine" --version 2>&1) || status=$?
  [ $status -eq 0 ] && return
  case $out in
    *"Exec format error"*)
      echo "this kernel runs no 32-bit programs ($WINE_DIR/wine: Exec format error; IA-32 emulation off)" ;;
    *) echo "$WINE_DIR/wine --version failed with status $status: ${out:0:160}" ;;
  esac
}

wine_choose_arch() {
  local why
  why=$(wine32_unavailable_reason)
  case ${TAVOS_WINE_ARCH:-} in
    win32)
      if [ -n "$why" ]; then
        echo "SKIP: the i686 build cannot run here: $why"
        exit 77
      fi ;;
    win64) ;;
    "") if [ -n "$why" ]; then TAVOS_WINE_ARCH=win64; else TAVOS_WINE_ARCH=win32; fi ;;
    *) echo "TAVOS_WINE_ARCH must be win32 or win64, not \"$TAVOS_WINE_ARCH\"" >&2; exit 2 ;;
  esac
  export TAVOS_WINE_ARCH
  if [ "$TAVOS_WINE_ARCH" = win32 ]; then
    WINE_LOADER=$WINE_DIR/wine
    WINE_RAN_ON="i686 build, 32-bit Wine (win32 prefix)"
  else
    WINE_LOADER=$WINE_DIR/wine64
    WINE_RAN_ON="x86_64 stand-in, Wine64 (win64 prefix)${why:+; i686 not run: $why}"
  fi
  export WINE_LOADER WINE_RAN_ON
}

wine_exit_meaning() {
  local n=$1
  case $n in
    0) echo "success" ;;
    1) echo "failure reported by the program" ;;
    2) echo "bad arguments or a missing file or tool" ;;
    3) echo "refused: unsupported Windows version" ;;
    77) echo "skipped" ;;
    124) echo "timed out" ;;
    126) echo "found but cannot be executed (wrong architecture?)" ;;
    127) echo "command not found" ;;
    # Windows reports an unhandled exception as the NTSTATUS; the shell keeps its low byte.
    5) echo "access denied (ERROR_ACCESS_DENIED), or an access violation (0xC0000005, low byte 5)" ;;
    29) echo "illegal instruction (STATUS_ILLEGAL_INSTRUCTION 0xC000001D, low byte 0x1D)" ;;
    53) echo "the program or a DLL it imports was not found (STATUS_DLL_NOT_FOUND 0xC0000135, low byte 0x35)" ;;
    57) echo "an entry point was not found (STATUS_ENTRYPOINT_NOT_FOUND 0xC0000139, low byte 0x39)" ;;
    123) echo "bad image format (STATUS_INVALID_IMAGE_FORMAT 0xC000007B, low byte 0x7B)" ;;
    253) echo "stack overflow (STATUS_STACK_OVERFLOW 0xC00000FD, low byte 0xFD)" ;;
    *) if [ "$n" -gt 128 ] && [ "$n" -lt 160 ]; then
         echo "killed by signal $((n - 128)) ($(kill -l $((n - 128)) 2>/dev/null || echo '?'))"
       else
         echo "exit status $n"
       fi ;;
  esac
}

wine_step() {
  local name=$1 status=0 out
  shift
  echo "# step: $name"
  # A file, not a pipe: a server the step starts keeps its output open for as long as it runs.
  out=$(mktemp)
  "$@" >"$out" 2>&1 || status=$?
  if [ $status -ne 0 ]; then
    echo "FAIL at step \"$name\""
    echo "  command: $*"
    echo "  status:  $status ($(wine_exit_meaning "$status"))"
    head -c 4000 "$out" | sed 's/^/  | /'
  fi
  rm -f "$out"
  return $status
}
