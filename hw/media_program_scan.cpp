// Which media program runs, from a Toolhelp snapshot: the first match in snapshot order wins.
#include <cctype>
#include <cstring>

#include "app/main_frame.h"

namespace {

bool NameIs(const char* name, const char* upper) {
  size_t i = 0;
  for (; name[i] != '\0' && upper[i] != '\0'; ++i)
    if (std::toupper(static_cast<unsigned char>(name[i])) != upper[i]) return false;
  return name[i] == '\0' && upper[i] == '\0';
}

}  // namespace

void CMainFrame::DetectMediaPrograms() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPALL, 0);
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  BOOL more = Process32First(snapshot, &entry);
  m_bRecorderRunning = 0;
  m_bMp3PlayerRunning = 0;
  for (; more; more = Process32Next(snapshot, &entry)) {
    if (NameIs(entry.szExeFile, "PVCR.EXE")) {
      m_bRecorderRunning = 1;
      break;
    }
    if (NameIs(entry.szExeFile, "MP3PLAYER.EXE")) {
      m_bMp3PlayerRunning = 1;
      break;
    }
  }
  CloseHandle(snapshot);  // a failed snapshot closes harmlessly
}
