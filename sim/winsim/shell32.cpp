// The shell: starting programs by name, and the notification area.
#include <string>
#include <vector>

#include "platform/win32.h"
#include "sim/winsim/notification_area.h"
#include "sim/winsim/resources.h"
#include "sim/winsim/windows_pc.h"

using winsim::WindowsPc;

namespace {

constexpr ULONG_PTR kShellFileNotFound = 2;  // SE_ERR_FNF
constexpr ULONG_PTR kShellStarted = 42;      // any value above 32 means success
constexpr ULONG_PTR kShellOutOfMemory = 8;   // SE_ERR_OOM

std::string Join(const std::string& folder, const std::string& file) {
  if (folder.empty()) return file;
  return folder.back() == '\\' ? folder + file : folder + "\\" + file;
}

// Where the shell finds a program: as given when it has a folder, else in the working
// folder, then the Windows and system folders.
bool FindProgram(const std::string& file, const std::string& folder, std::string* found) {
  winsim::FileSystem& files = WindowsPc::Current().Files();
  if (file.find_first_of("\\:/") != std::string::npos) {
    *found = file;
    return files.Exists(file);
  }
  std::vector<std::string> candidates;
  if (!folder.empty()) candidates.push_back(Join(folder, file));
  candidates.push_back(Join(files.WindowsDirectory(), file));
  candidates.push_back(Join(files.WindowsDirectory() + "\\SYSTEM", file));
  for (const std::string& candidate : candidates) {
    if (files.Exists(candidate) && !(files.Attributes(candidate) & FILE_ATTRIBUTE_DIRECTORY)) {
      *found = candidate;
      return true;
    }
  }
  return false;
}

}  // namespace

HINSTANCE WINAPI ShellExecuteA(HWND, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR, LPCSTR lpDirectory,
                               INT) {
  WindowsPc& pc = WindowsPc::Current();
  std::string verb = lpOperation ? lpOperation : "open";
  std::string file = lpFile ? lpFile : "";
  std::string folder = lpDirectory ? lpDirectory : "";
  pc.Events().Add("shell " + verb + " " + winsim::Quote(file) + " dir " + winsim::Quote(folder));
  std::string program;
  if (file.empty() || !FindProgram(file, folder, &program))
    return reinterpret_cast<HINSTANCE>(kShellFileNotFound);
  if (pc.Processes().size() >= WindowsPc::kMaxRunningProcesses) {
    pc.Events().Add("process refused " +
                    winsim::Quote(program.substr(program.find_last_of('\\') + 1)) +
                    " out of memory");
    return reinterpret_cast<HINSTANCE>(kShellOutOfMemory);
  }
  pc.StartPassiveProcess(program);
  return reinterpret_cast<HINSTANCE>(kShellStarted);
}

BOOL WINAPI Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData) {
  WindowsPc& pc = WindowsPc::Current();
  // Windows NT 3.51 and older have no taskbar.
  if (lpData == nullptr || pc.Profile().major < 4) return FALSE;
  if (!pc.Tray().Notify(dwMessage, *lpData)) return FALSE;
  if (dwMessage == NIM_ADD || dwMessage == NIM_MODIFY) {
    const winsim::NotificationArea::Icon* icon = pc.Tray().Find(lpData->hWnd, lpData->uID);
    pc.Events().Add(std::string("tray ") + (dwMessage == NIM_ADD ? "add" : "modify") +
                    " icon=" + std::to_string(winsim::IconResourceId(icon->icon)) +
                    " tip=" + winsim::Quote(icon->tip));
  }
  return TRUE;
}
