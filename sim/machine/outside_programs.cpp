// The simulated MP3 player and video recorder: windows whose procedures stand for the
// programs' own behaviour on what Tavos sends them.
#include "sim/machine/outside_programs.h"

#include <strings.h>

#include "sim/winsim/keyboard.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/window_manager.h"

namespace tavos_sim {

namespace {

void EndOwnerOf(HWND hwnd) {
  winsim::WindowsPc& pc = winsim::WindowsPc::Current();
  const winsim::SimWindow* window = pc.Windows().Find(hwnd);
  if (window == nullptr) return;
  if (winsim::SimProcess* process = pc.FindProcess(window->pid)) pc.EndProcess(*process, 0);
}

LRESULT CALLBACK PlayerWindowProc(HWND hwnd, UINT message, WPARAM, LPARAM) {
  if (message == WM_ENDSESSION) EndOwnerOf(hwnd);
  return 0;
}

LRESULT CALLBACK RecorderWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  // Either Ctrl key reads as VK_CONTROL, as Tavos's VK_LCONTROL does.
  const bool control = winsim::WindowsPc::Current().Keys().Down(VK_CONTROL);
  if (message == WM_KEYDOWN && wParam == 'X' && control) EndOwnerOf(hwnd);
  return 0;
}

bool IsProgram(const winsim::SimProcess& process, const char* file) {
  return strcasecmp(process.ImageName().c_str(), file) == 0;
}

}  // namespace

void InstallOutsidePrograms(winsim::WindowsPc& pc) {
  for (const char* path : {"C:\\WINDOWS\\MP3Player.exe", "C:\\Program Files\\CyberLink\\PowerVCRII\\PVCR.EXE",
                           "C:\\Programme\\CyberLink\\PowerVCRII\\PVCR.EXE"})
    pc.Files().WriteFile(path, "MZ");
  pc.SetPassiveStartObserver([&pc](winsim::SimProcess& process) { OpenOutsideProgramWindows(pc, process); });
}

void OpenOutsideProgramWindows(winsim::WindowsPc& pc, winsim::SimProcess& process) {
  if (IsProgram(process, "MP3Player.exe")) {
    pc.AddWindowOf(process, "MP3PlayerMain", "MP3Player", PlayerWindowProc);
  } else if (IsProgram(process, "PVCR.EXE")) {
    pc.AddWindowOf(process, "PVCRMain", "PowerVCR II", RecorderWindowProc);
    pc.AddWindowOf(process, "ActiveMovie", "ActiveMovie Window", RecorderWindowProc);
  }
}

}  // namespace tavos_sim
