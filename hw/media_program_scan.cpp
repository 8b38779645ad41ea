// Which media program runs, from the process list: the first match in list order wins.
#include "app/instance_match.h"
#include "app/main_frame.h"
#include "procs/process_snapshot_walk.h"

void CMainFrame::DetectMediaPrograms() {
  m_bRecorderRunning = 0;
  m_bMp3PlayerRunning = 0;
  // Run on the driver path only, where the list holds bare names, compared whole.
  WalkProcessSnapshot([this](const PROCESSENTRY32& entry) {
    if (tavos::ProcessNameMatches(entry.szExeFile, "PVCR.EXE", false)) {
      m_bRecorderRunning = 1;
      return false;
    }
    if (tavos::ProcessNameMatches(entry.szExeFile, "MP3PLAYER.EXE", false)) {
      m_bMp3PlayerRunning = 1;
      return false;
    }
    return true;
  });
}
