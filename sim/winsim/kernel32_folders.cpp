// Folders: making and removing them, and where Windows keeps its system and temporary files.
#include <cstring>
#include <string>

#include "platform/win32.h"
#include "sim/winsim/sim_scope.h"
#include "sim/winsim/windows_pc.h"

using winsim::FileSystem;
using winsim::WindowsPc;

namespace {

constexpr DWORD kErrorDirectory = 267;  // ERROR_DIRECTORY: "The directory name is invalid."

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}


// Copies `text` and its terminator when it fits; else the size needed, terminator included.
DWORD CopyOut(const std::string& text, LPSTR buffer, DWORD size) {
  if (buffer == nullptr || size <= text.size()) return DWORD(text.size() + 1);
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return DWORD(text.size());
}

// A name DOS could hold as it is: up to eight characters, a dot and up to three, no blanks.
bool FitsEightDotThree(const std::string& name) {
  size_t dot = name.find('.');
  std::string stem = name.substr(0, dot);
  std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
  return !stem.empty() && stem.size() <= 8 && extension.size() <= 3 &&
         extension.find('.') == std::string::npos &&
         name.find_first_of(" +,;=[]") == std::string::npos;
}

}  // namespace

BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  FileSystem& files = pc.Files();
  std::string path;
  if (lpPathName == nullptr || !files.Normalize(lpPathName, &path))
    return Fail(files.WhyMissing(lpPathName));
  if (files.Exists(path) || path == "C:\\") return Fail(ERROR_ALREADY_EXISTS);
  if (!files.ParentExists(path)) return Fail(ERROR_PATH_NOT_FOUND);
  if (!files.MakeFolder(path)) return Fail(ERROR_ACCESS_DENIED);
  pc.Events().Add("folder create " + winsim::Quote(path));
  return TRUE;
}

BOOL WINAPI RemoveDirectoryA(LPCSTR lpPathName) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  FileSystem& files = pc.Files();
  std::string path;
  if (lpPathName == nullptr || !files.Normalize(lpPathName, &path) || !files.Exists(path))
    return Fail(files.WhyMissing(lpPathName));
  if (path == "C:\\") return Fail(ERROR_ACCESS_DENIED);
  if (!files.IsDirectory(path)) return Fail(kErrorDirectory);
  std::vector<std::string> names;
  if (files.List(path, &names) && !names.empty()) return Fail(ERROR_DIR_NOT_EMPTY);
  if (!files.Remove(path)) return Fail(ERROR_ACCESS_DENIED);
  pc.Events().Add("folder remove " + winsim::Quote(path));
  return TRUE;
}

UINT WINAPI GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize) {
  winsim::SimScope scope;
  return UINT(CopyOut(winsim::SystemDirectory(WindowsPc::Current().Profile()), lpBuffer, uSize));
}

DWORD WINAPI GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) {
  winsim::SimScope scope;
  return CopyOut(winsim::TempDirectory(WindowsPc::Current().Profile()) + "\\", lpBuffer,
                 nBufferLength);
}

// The simulated drive keeps no short names: a path whose every name already fits 8.3 is its
// own short path; a longer name is a stub that fails, so no caller mistakes it for a short one.
DWORD WINAPI GetShortPathNameA(LPCSTR lpszLongPath, LPSTR lpszShortPath, DWORD cchBuffer) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  FileSystem& files = pc.Files();
  std::string path;
  if (lpszLongPath == nullptr || !files.Normalize(lpszLongPath, &path) || !files.Exists(path)) {
    SetLastError(files.WhyMissing(lpszLongPath));
    return 0;
  }
  for (size_t start = 3; start < path.size();) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (!FitsEightDotThree(path.substr(start, end - start))) {
      pc.Stub("GetShortPathNameA of a long name");
      SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
      return 0;
    }
    start = end + 1;
  }
  return CopyOut(path, lpszShortPath, cchBuffer);
}
