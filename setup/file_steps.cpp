// Folders, payload files and deletions.
#include "setup/file_steps.h"

#include <vector>

#include "setup/bounded_text.h"
#include "setup/wininit_text.h"

namespace setup {

namespace {

// WININIT.INI is small; a larger one is not ours to rewrite.
constexpr DWORD kMaxWininitSize = 64 * 1024;

DWORD WriteWholeFile(const char* path, const void* data, DWORD size) {
  HANDLE file =
      CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  DWORD written = 0;
  DWORD error = WriteFile(file, data, size, &written, nullptr) && written == size
                    ? ERROR_SUCCESS
                    : (GetLastError() ? GetLastError() : DWORD(ERROR_GEN_FAILURE));
  CloseHandle(file);
  if (error != ERROR_SUCCESS) DeleteFileA(path);
  return error;
}

// The whole file, or an error; a missing file is empty.
DWORD ReadSmallFile(const char* path, std::vector<char>* bytes) {
  bytes->clear();
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return GetLastError() == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : GetLastError();
  char chunk[4096];
  DWORD got = 0, error = ERROR_SUCCESS;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) {
    if (bytes->size() + got > kMaxWininitSize) {
      error = ERROR_NOT_ENOUGH_MEMORY;
      break;
    }
    bytes->insert(bytes->end(), chunk, chunk + got);
  }
  CloseHandle(file);
  return error;
}

}  // namespace

DWORD MakeFolderTree(const char* folder) {
  PathText part;
  // "C:\" exists; each folder below it is made in turn.
  for (const char* at = folder; *at; ++at) {
    if (*at != '\\' || at - folder < 3) continue;
    part.Clear();
    part.Append(folder, size_t(at - folder));
    if (!CreateDirectoryA(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
      return GetLastError();
  }
  if (!CreateDirectoryA(folder, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    return GetLastError();
  return ERROR_SUCCESS;
}

DWORD WriteResourceFile(WORD id, const char* path) {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), RT_RCDATA);
  HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  DWORD size = found ? SizeofResource(nullptr, found) : 0;
  if (data == nullptr || size == 0)
    return GetLastError() ? GetLastError() : DWORD(ERROR_INVALID_DATA);
  return WriteWholeFile(path, data, size);
}

DWORD DeleteAtRestart(const char* path, bool ntFamily) {
  if (ntFamily) {
    // Bound by name: only the NT family's KERNEL32 is relied upon to have it.
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    auto moveFileEx = kernel
                          ? reinterpret_cast<decltype(&MoveFileExA)>(
                                reinterpret_cast<void (*)()>(GetProcAddress(kernel, "MoveFileExA")))
                          : nullptr;
    if (moveFileEx == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
    return moveFileEx(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? ERROR_SUCCESS : GetLastError();
  }
  // WININIT.INI is read before long names exist: the short form of the path, where Windows
  // gives one.
  PathText shortPath;
  DWORD length = GetShortPathNameA(path, shortPath.Buffer(), DWORD(PathText::Capacity()));
  if (length > 0 && length < PathText::Capacity()) {
    shortPath.Adopt();
  } else {
    shortPath.Clear();
    shortPath.Append(path);
  }
  PathText wininit;
  UINT folder = GetWindowsDirectoryA(wininit.Buffer(), UINT(PathText::Capacity()));
  if (folder == 0 || folder >= PathText::Capacity()) return ERROR_PATH_NOT_FOUND;
  wininit.Adopt();
  wininit.Append("\\WININIT.INI");
  if (wininit.cut() || shortPath.cut()) return ERROR_FILENAME_EXCED_RANGE;
  std::vector<char> old, updated;
  if (DWORD error = ReadSmallFile(wininit.c_str(), &old)) return error;
  AddWininitDeletion(old.data(), old.size(), shortPath.c_str(), &updated);
  return WriteWholeFile(wininit.c_str(), updated.data(), DWORD(updated.size()));
}

DWORD DeleteNowOrAtRestart(const char* path, bool ntFamily, bool* later) {
  if (DeleteFileA(path)) return ERROR_SUCCESS;
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return ERROR_SUCCESS;
  *later = true;
  return DeleteAtRestart(path, ntFamily);
}

}  // namespace setup
