// Which media program runs, from the process list: the first match in list order wins.
#include <cctype>

#include "app/main_frame.h"
#include "procs/process_snapshot_walk.h"

namespace {

bool NameIs(const char* name, const char* upper) {
  size_t i = 0;
  for (; name[i] != '\0' && upper[i] != '\0'; ++i)
    if (std::toupper(static_cast<unsigned char>(name[i])) != upper[i]) return false;
  return name[i] == '\0' && upper[i] == '\0';
}

}  // namespace

void CMainFrame::DetectMediaPrograms() {
  m_bRecorderRunning = 0;
  m_bMp3PlayerRunning = 0;
  WalkProcessSnapshot([this](const PROCESSENTRY32& entry) {
    if (NameIs(entry.szExeFile, "PVCR.EXE")) {
      m_bRecorderRunning = 1;
      return false;
    }
    if (NameIs(entry.szExeFile, "MP3PLAYER.EXE")) {
      m_bMp3PlayerRunning = 1;
      return false;
    }
    return true;
  });
}
