// Stands in for a program under Wine. Opened by Tavos (the browser, the mail program, a user
// program) it ends at once, so that opening it succeeds and nothing else happens. Started by a
// scenario's process statement ("--stay") it stays, so that it shows in the process list,
// until the scenario host ends it (at most an hour). Named as one of the notebook's media
// programs, it is that program's stand-in (media_stand_in.cpp), however it was started.
#include <windows.h>

#include <cstring>

#include "tests/wine/media_stand_in.h"
#include "tests/wine/media_stand_ins.h"

int main(int argc, char** argv) {
  const bool stay = argc == 2 && std::strcmp(argv[1], "--stay") == 0;
  char self[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  if (tavos_wine::IsMediaProgram(self)) return tavos_wine::RunMediaStandIn(!stay);
  if (stay) Sleep(60 * 60 * 1000);
  return 0;
}
