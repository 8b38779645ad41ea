// Copying files, and the file operations Windows defers to its next start: MoveFileExA with
// MOVEFILE_DELAY_UNTIL_REBOOT on the NT family (PendingFileRenameOperations in the registry,
// administrators only) and the [rename] section of WININIT.INI on the 95 family, where
// MoveFileExA does not exist.
#include <string>
#include <vector>

#include "platform/win32.h"
#include "sim/winsim/sim_scope.h"
#include "sim/winsim/windows_pc.h"

using winsim::FileSystem;
using winsim::WindowsPc;

namespace {

constexpr DWORD kErrorFileExists = 80;
constexpr char kSessionManager[] = "HKLM\\System\\CurrentControlSet\\Control\\Session Manager";
constexpr char kPendingRenames[] = "PendingFileRenameOperations";

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return text;
}

std::string Trim(const std::string& text) {
  size_t start = text.find_first_not_of(" \t");
  size_t end = text.find_last_not_of(" \t\r");
  return start == std::string::npos ? "" : text.substr(start, end - start + 1);
}

// Deletes or moves one file at start-up, as the system does before any program runs.
void ApplyAtBoot(WindowsPc& pc, const std::string& from, const std::string& to, bool replace) {
  FileSystem& files = pc.Files();
  bool done;
  if (to.empty()) {
    done = files.Remove(from);
  } else {
    if (replace && files.IsFile(to)) files.Remove(to);
    done = files.Move(from, to);
  }
  pc.Events().Add("boot " + std::string(to.empty() ? "delete " : "move ") + winsim::Quote(from) +
                  (to.empty() ? "" : " " + winsim::Quote(to)) + (done ? "" : " failed"));
}

// "\??\C:\x" is how the NT family records a Win32 path.
std::string Win32PathOf(const std::string& ntPath) {
  return ntPath.compare(0, 4, "\\??\\") == 0 ? ntPath.substr(4) : ntPath;
}

}  // namespace

BOOL WINAPI CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  FileSystem& files = pc.Files();
  std::string from, to, bytes;
  if (lpExistingFileName == nullptr || !files.Normalize(lpExistingFileName, &from) ||
      !files.IsFile(from))
    return Fail(lpExistingFileName && files.IsDirectory(lpExistingFileName) ? ERROR_ACCESS_DENIED
                                                                            : ERROR_FILE_NOT_FOUND);
  if (lpNewFileName == nullptr || !files.Normalize(lpNewFileName, &to) || !files.ParentExists(to))
    return Fail(ERROR_PATH_NOT_FOUND);
  // The source is read with others reading too; the target is written by no one else.
  if (!files.SharingAllows(from, GENERIC_READ, FILE_SHARE_READ))
    return Fail(ERROR_SHARING_VIOLATION);
  if (files.IsDirectory(to)) return Fail(ERROR_ACCESS_DENIED);
  if (files.IsFile(to)) {
    if (bFailIfExists) return Fail(kErrorFileExists);
    if (files.Attributes(to) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN))
      return Fail(ERROR_ACCESS_DENIED);
    if (!files.SharingAllows(to, GENERIC_WRITE, 0)) return Fail(ERROR_SHARING_VIOLATION);
  }
  const DWORD attributes = files.Attributes(from);
  if (!files.ReadFile(from, &bytes) || !files.WriteFile(to, bytes))
    return Fail(ERROR_ACCESS_DENIED);
  files.SetAttributes(to, attributes | FILE_ATTRIBUTE_ARCHIVE);
  pc.Events().Add("file copy " + winsim::Quote(from) + " " + winsim::Quote(to));
  return TRUE;
}

BOOL WINAPI MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  if (!pc.Profile().IsNt()) return Fail(ERROR_CALL_NOT_IMPLEMENTED);
  if (!(dwFlags & MOVEFILE_DELAY_UNTIL_REBOOT)) {
    pc.Stub("MoveFileExA without MOVEFILE_DELAY_UNTIL_REBOOT");
    return Fail(ERROR_CALL_NOT_IMPLEMENTED);
  }
  std::string from, to;
  if (lpExistingFileName == nullptr || !pc.Files().Normalize(lpExistingFileName, &from))
    return Fail(ERROR_PATH_NOT_FOUND);
  if (lpNewFileName != nullptr && !pc.Files().Normalize(lpNewFileName, &to))
    return Fail(ERROR_PATH_NOT_FOUND);
  // The list lives in the machine's hive, which only administrators change.
  if (!pc.CallerIsAdministrator()) return Fail(ERROR_ACCESS_DENIED);
  // Pairs of NUL-terminated names, the target empty for a deletion and marked with '!' when it
  // may replace a file; the list ends with one more NUL.
  winsim::Registry& registry = pc.Reg();
  const winsim::Registry::Value* old = registry.FindValue(kSessionManager, kPendingRenames);
  std::string list = old ? old->data : std::string();
  if (!list.empty() && list.back() == '\0') list.pop_back();
  list += "\\??\\" + from + '\0';
  if (!to.empty())
    list += std::string(dwFlags & MOVEFILE_REPLACE_EXISTING ? "!" : "") + "\\??\\" + to;
  list += std::string(1, '\0') + '\0';
  registry.SetValue(kSessionManager, kPendingRenames, {REG_MULTI_SZ, list});
  pc.Events().Add(to.empty()
                      ? "file delete at reboot " + winsim::Quote(from)
                      : "file move at reboot " + winsim::Quote(from) + " " + winsim::Quote(to));
  return TRUE;
}

namespace winsim {

void WindowsPc::ApplyBootFileOperations() {
  if (profile_.IsNt()) {
    const Registry::Value* pending = registry_.FindValue(kSessionManager, kPendingRenames);
    if (pending == nullptr) return;
    std::vector<std::string> names;
    for (size_t start = 0; start < pending->data.size();) {
      size_t end = pending->data.find('\0', start);
      if (end == std::string::npos) end = pending->data.size();
      names.push_back(pending->data.substr(start, end - start));
      start = end + 1;
    }
    for (size_t i = 0; i + 1 < names.size() && !names[i].empty(); i += 2) {
      const bool replace = !names[i + 1].empty() && names[i + 1][0] == '!';
      ApplyAtBoot(*this, Win32PathOf(names[i]), Win32PathOf(names[i + 1].substr(replace)), replace);
    }
    registry_.DeleteValue(kSessionManager, kPendingRenames);
    return;
  }
  // WININIT.INI: "TARGET=SOURCE" lines in [rename], NUL as the target to delete; the file is
  // kept as WININIT.BAK afterwards.
  const std::string wininit = files_.WindowsDirectory() + "\\WININIT.INI";
  std::string text;
  if (!files_.ReadFile(wininit, &text)) return;
  bool inRename = false;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = Trim(text.substr(start, end - start));
    start = end + 1;
    if (!line.empty() && line[0] == '[') {
      inRename = Upper(line) == "[RENAME]";
      continue;
    }
    size_t equals = line.find('=');
    if (!inRename || equals == std::string::npos) continue;
    const std::string target = Trim(line.substr(0, equals));
    ApplyAtBoot(*this, Trim(line.substr(equals + 1)), Upper(target) == "NUL" ? "" : target, true);
  }
  files_.Remove(files_.WindowsDirectory() + "\\WININIT.BAK");
  files_.Move(wininit, files_.WindowsDirectory() + "\\WININIT.BAK");
}

}  // namespace winsim
