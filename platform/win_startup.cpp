// The Windows image's entry point, in place of mingw-w64's start-up object (built for the
// Pentium Pro). The C library (CRTDLL.DLL) has set itself up before this runs; what is left is to
// run the program's static constructors, call WinMain and leave through exit, which runs the
// destructors and flushes the C streams.
#include <windows.h>

#include <cstdlib>

extern "C" {
void __main();  // the compiler's static constructors, once (its destructors via atexit)
extern int(__cdecl* __MINGW_IMP_SYMBOL(atexit))(void (*)());

// What __main registers goes to the C library's own exit list.
int __cdecl atexit(void (*function)()) { return __MINGW_IMP_SYMBOL(atexit)(function); }

// The command line after the program's own name, as WinMain receives it.
static LPSTR ArgumentsOf(LPSTR line) {
  bool quoted = false;
  while (*line != '\0' && (quoted || (*line != ' ' && *line != '\t'))) {
    if (*line == '"') quoted = !quoted;
    ++line;
  }
  while (*line == ' ' || *line == '\t') ++line;
  return line;
}

void __cdecl TavosStartup() {
  __main();
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
  std::exit(WinMain(GetModuleHandleA(nullptr), nullptr, ArgumentsOf(GetCommandLineA()), show));
}
}
