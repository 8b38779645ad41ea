// Status bytes and launch targets.
#include "app/key_status.h"

#include <cstring>

PROCESS_WIDE BYTE g_byKeyStatus = 0;
PROCESS_WIDE BYTE g_byKeyStatusA = 0;
PROCESS_WIDE BYTE g_byKeyStatusB = 0;
PROCESS_WIDE BYTE g_byKeyStatusC = 0;
PROCESS_WIDE char g_szBrowserDir[MAX_PATH];
PROCESS_WIDE char g_szBrowserExe[MAX_PATH];
PROCESS_WIDE char g_szMailDir[MAX_PATH];
PROCESS_WIDE char g_szMailExe[MAX_PATH];

namespace tavos {

namespace {
void Set(char (&target)[MAX_PATH], const char* value) {
  std::strncpy(target, value, MAX_PATH - 1);
  target[MAX_PATH - 1] = '\0';
}
}  // namespace

void BuildLaunchTargets(WORD languageId) {
  const bool german = languageId == kLanguageGerman;
  Set(g_szBrowserDir, german ? "C:\\Programme\\Plus!\\Microsoft Internet\\"
                             : "C:\\Program Files\\Plus!\\Microsoft Internet\\");
  Set(g_szBrowserExe, "Iexplore.exe");
  Set(g_szMailDir, german ? "C:\\Programme\\Outlook Express\\" : "C:\\Program Files\\Outlook Express\\");
  Set(g_szMailExe, "Msimn.exe");
}

void ClearKeyStatus() {
  g_byKeyStatus = 0;
  g_byKeyStatusA = 0;
  g_byKeyStatusB = 0;
  g_byKeyStatusC = 0;
}

}  // namespace tavos
