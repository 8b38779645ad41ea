// Stands in for a program under Wine. Opened by Tavos (the browser, the mail program, a user
// program) it ends at once, so that opening it succeeds and nothing else happens. Started by a
// scenario's process statement ("--stay") it stays, so that it shows in the process list,
// until the scenario host ends it (at most an hour).
#include <windows.h>

#include <cstring>

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--stay") == 0) Sleep(60 * 60 * 1000);
  return 0;
}
