// The shell: opening programs, documents and addresses by name, and the notification area.
#include <cctype>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "sim/winsim/notification_area.h"
#include "sim/winsim/resources.h"
#include "sim/winsim/windows_pc.h"

using winsim::WindowsPc;

namespace {

constexpr ULONG_PTR kShellFileNotFound = 2;    // SE_ERR_FNF
constexpr ULONG_PTR kShellPathNotFound = 3;    // SE_ERR_PNF
constexpr ULONG_PTR kShellOutOfMemory = 8;     // SE_ERR_OOM
constexpr ULONG_PTR kShellBadFormat = 11;      // ERROR_BAD_FORMAT: no Windows program
constexpr ULONG_PTR kShellNoAssociation = 31;  // SE_ERR_NOASSOC
constexpr ULONG_PTR kShellStarted = 42;        // any value above 32 means success

std::string Join(const std::string& folder, const std::string& file) {
  if (folder.empty()) return file;
  return folder.back() == '\\' ? folder + file : folder + "\\" + file;
}

std::string Lower(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// "http" for "http://host/": two or more letters before a colon, so a drive ("C:") is none.
std::string SchemeOf(const std::string& file) {
  const size_t colon = file.find(':');
  if (colon == std::string::npos || colon < 2) return "";
  for (size_t i = 0; i < colon; ++i)
    if (!std::isalpha(static_cast<unsigned char>(file[i]))) return "";
  return Lower(file.substr(0, colon));
}

// ".txt" for "C:\Docs\Plan.txt"; "" when the name has none.
std::string ExtensionOf(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  const size_t slash = path.find_last_of('\\');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return Lower(path.substr(dot));
}

// Where the shell finds a file: as given when it has a folder, else in the working folder,
// then the Windows and system folders.
bool FindFile(const std::string& file, const std::string& folder, std::string* found) {
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

// The program the associations name for `type` (".txt", "http:"); the shell's error when
// there is none or its file is gone.
ULONG_PTR Associated(const std::string& type, std::string* program) {
  WindowsPc& pc = WindowsPc::Current();
  const std::string* handler = type.empty() ? nullptr : pc.AssociatedProgram(type);
  if (handler == nullptr) return kShellNoAssociation;
  *program = *handler;
  return pc.Files().Exists(*program) ? kShellStarted : kShellFileNotFound;
}

// What the shell starts to open `file`: the program itself (a Windows program: "MZ" first),
// or the program associated with the document's type or the address's scheme.
ULONG_PTR ProgramFor(const std::string& file, const std::string& folder, std::string* program) {
  winsim::FileSystem& files = WindowsPc::Current().Files();
  const std::string scheme = SchemeOf(file);
  if (!scheme.empty()) return Associated(scheme + ":", program);
  std::string found;
  if (file.empty() || !FindFile(file, folder, &found)) {
    const bool inFolder = file.find('\\') != std::string::npos;
    return inFolder && !files.ParentExists(file) ? kShellPathNotFound : kShellFileNotFound;
  }
  const std::string extension = ExtensionOf(found);
  if (extension == ".exe" || extension == ".com") {
    std::string bytes;
    files.ReadFile(found, &bytes);
    if (bytes.compare(0, 2, "MZ") != 0) return kShellBadFormat;
  }
  if (extension == ".exe" || extension == ".com" || extension == ".bat") {
    *program = found;
    return kShellStarted;
  }
  return Associated(extension, program);
}

}  // namespace

HINSTANCE WINAPI ShellExecuteA(HWND, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                               LPCSTR lpDirectory, INT) {
  WindowsPc& pc = WindowsPc::Current();
  std::string verb = lpOperation ? lpOperation : "open";
  std::string file = lpFile ? lpFile : "";
  std::string folder = lpDirectory ? lpDirectory : "";
  std::string line = "shell " + verb + " " + winsim::Quote(file) + " dir " + winsim::Quote(folder);
  if (lpParameters != nullptr && *lpParameters != '\0')
    line += " args " + winsim::Quote(lpParameters);
  pc.Events().Add(line);
  std::string program;
  const ULONG_PTR found = ProgramFor(file, folder, &program);
  if (found != kShellStarted) return reinterpret_cast<HINSTANCE>(found);
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
