// File handles, finds and attributes of drive C:, as KERNEL32 gives them.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "sim/winsim/device_files.h"
#include "sim/winsim/windows_pc.h"

using winsim::FileSystem;
using winsim::WindowsPc;

namespace {

constexpr DWORD kErrorFileExists = 80;    // ERROR_FILE_EXISTS
constexpr DWORD kErrorInvalidName = 123;  // ERROR_INVALID_NAME
constexpr DWORD kErrorNoAccess = 998;     // ERROR_NOACCESS

// An open file: a host descriptor, the access it was opened for and its place in sharing.
class FileHandle : public winsim::HandleObject {
 public:
  FileHandle(int fd, DWORD access, std::unique_ptr<FileSystem::OpenToken> open)
      : fd_(fd), access_(access), open_(std::move(open)) {}
  ~FileHandle() override { ::close(fd_); }
  const char* Kind() const override { return "file"; }
  int Fd() const { return fd_; }
  DWORD Access() const { return access_; }

 private:
  int fd_;
  DWORD access_;
  std::unique_ptr<FileSystem::OpenToken> open_;
};

// A search: the matching entries, taken when FindFirstFileA ran.
class FindHandle : public winsim::HandleObject {
 public:
  explicit FindHandle(std::vector<WIN32_FIND_DATAA> rest) : rest_(std::move(rest)) {}
  const char* Kind() const override { return "find"; }
  bool ClosesWithCloseHandle() const override { return false; }
  bool Next(WIN32_FIND_DATAA* data) {
    if (next_ >= rest_.size()) return false;
    *data = rest_[next_++];
    return true;
  }

 private:
  std::vector<WIN32_FIND_DATAA> rest_;
  size_t next_ = 0;
};

bool Fail(DWORD error) {
  SetLastError(error);
  return false;
}


char Upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

// '*' is any run and '?' one character, without regard to case.
bool Matches(const char* pattern, const char* name) {
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name) {
    if (*pattern == '*') {
      star = pattern++;
      resume = name;
    } else if (*pattern == '?' || (*pattern && Upper(*pattern) == Upper(*name))) {
      ++pattern;
      ++name;
    } else if (star) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

// The DOS idioms: "*.*" is every name, and a mask ending in '.' wants names without one.
bool MaskMatches(const std::string& mask, const std::string& name) {
  if (mask == "*.*" || mask == "*") return true;
  if (!mask.empty() && mask.back() == '.' && mask.find_first_of("*?") != std::string::npos) {
    std::string stem = mask.substr(0, mask.size() - 1);
    return (name.find('.') == std::string::npos || name == "." || name == "..") &&
           Matches(stem.c_str(), name.c_str());
  }
  return Matches(mask.c_str(), name.c_str());
}

FILETIME ToFileTime(const struct timespec& time) {
  // 100 ns ticks since 1601-01-01.
  uint64_t ticks = (uint64_t(time.tv_sec) + 11644473600ull) * 10000000ull + time.tv_nsec / 100;
  return FILETIME{DWORD(ticks), DWORD(ticks >> 32)};
}

bool FindData(const FileSystem& files, const std::string& winPath, const std::string& name,
              WIN32_FIND_DATAA* data) {
  std::string host;
  struct stat info;
  if (!files.ToHostPath(winPath, &host) || ::stat(host.c_str(), &info) != 0) return false;
  std::memset(data, 0, sizeof *data);
  data->dwFileAttributes = files.Attributes(winPath);
  data->ftCreationTime = ToFileTime(info.st_ctim);
  data->ftLastAccessTime = ToFileTime(info.st_atim);
  data->ftLastWriteTime = ToFileTime(info.st_mtim);
  if (!S_ISDIR(info.st_mode)) {
    data->nFileSizeHigh = DWORD(uint64_t(info.st_size) >> 32);
    data->nFileSizeLow = DWORD(info.st_size);
  }
  std::strncpy(data->cFileName, name.c_str(), MAX_PATH - 1);
  return true;
}

}  // namespace

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE) {
  if (winsim::IsDevicePath(lpFileName))
    return winsim::CreateDeviceFile(lpFileName, dwDesiredAccess, dwShareMode,
                                    dwCreationDisposition);
  WindowsPc& pc = WindowsPc::Current();
  FileSystem& files = pc.Files();
  if (dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  // TRUNCATE_EXISTING needs GENERIC_WRITE (CreateFile documentation).
  if (dwCreationDisposition == TRUNCATE_EXISTING && !(dwDesiredAccess & GENERIC_WRITE)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::string path;
  if (lpFileName == nullptr || !files.Normalize(lpFileName, &path) || !files.ParentExists(path)) {
    SetLastError(files.WhyMissing(lpFileName));
    return INVALID_HANDLE_VALUE;
  }
  if (files.IsDirectory(path) || path == "C:\\") {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  const bool exists = files.IsFile(path);
  const DWORD attributes = exists ? files.Attributes(path) : 0;
  const bool overwrites = exists && (dwCreationDisposition == CREATE_ALWAYS ||
                                     dwCreationDisposition == TRUNCATE_EXISTING);
  DWORD error = ERROR_SUCCESS;
  if (exists && dwCreationDisposition == CREATE_NEW) {
    error = kErrorFileExists;
  } else if (!exists && (dwCreationDisposition == OPEN_EXISTING ||
                         dwCreationDisposition == TRUNCATE_EXISTING)) {
    error = ERROR_FILE_NOT_FOUND;
  } else if (exists && (attributes & FILE_ATTRIBUTE_READONLY) &&
             (dwDesiredAccess & GENERIC_WRITE || overwrites)) {
    error = ERROR_ACCESS_DENIED;
  } else if (overwrites && (((attributes & FILE_ATTRIBUTE_HIDDEN) &&
                             !(dwFlagsAndAttributes & FILE_ATTRIBUTE_HIDDEN)) ||
                            ((attributes & FILE_ATTRIBUTE_SYSTEM) &&
                             !(dwFlagsAndAttributes & FILE_ATTRIBUTE_SYSTEM)))) {
    // Overwriting a hidden or system file must name those attributes (CreateFile docs).
    error = ERROR_ACCESS_DENIED;
  } else if (exists && !files.SharingAllows(path, dwDesiredAccess, dwShareMode)) {
    error = ERROR_SHARING_VIOLATION;
  }
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
  }

  std::string host;
  files.ToHostPath(path, &host);
  int flags = O_CLOEXEC;
  const DWORD rw = dwDesiredAccess & (GENERIC_READ | GENERIC_WRITE);
  flags |= rw == (GENERIC_READ | GENERIC_WRITE) ? O_RDWR
           : rw == GENERIC_WRITE                ? O_WRONLY
                                                : O_RDONLY;
  if (!exists) flags |= O_CREAT | O_EXCL;
  if (overwrites) flags |= O_TRUNC;
  if (overwrites && !(flags & (O_WRONLY | O_RDWR))) flags = (flags & ~O_RDONLY) | O_RDWR;
  int fd = ::open(host.c_str(), flags, 0644);
  if (fd < 0) {
    SetLastError(errno == EEXIST ? kErrorFileExists : ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  // Attributes count when the file is made, not when it is opened or overwritten.
  if (!exists) files.SetCreatedAttributes(path, dwFlagsAndAttributes);
  HANDLE handle = pc.Handles().Add(
      std::make_unique<FileHandle>(fd, dwDesiredAccess,
                                   files.RegisterOpen(path, dwDesiredAccess, dwShareMode)),
      pc.CurrentPid());
  const bool openedExisting =
      exists && (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS);
  SetLastError(openedExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                     LPDWORD lpNumberOfBytesRead, LPVOID lpOverlapped) {
  WindowsPc& pc = WindowsPc::Current();
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
  FileHandle* file = pc.Handles().Get<FileHandle>(hFile);
  if (file == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (lpOverlapped != nullptr) {
    pc.Stub("ReadFile with OVERLAPPED");
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if (lpNumberOfBytesRead == nullptr) return Fail(ERROR_INVALID_USER_BUFFER);
  if (!(file->Access() & GENERIC_READ)) return Fail(ERROR_ACCESS_DENIED);
  if (lpBuffer == nullptr && nNumberOfBytesToRead > 0) return Fail(kErrorNoAccess);
  DWORD done = 0;
  while (done < nNumberOfBytesToRead) {
    ssize_t got =
        ::read(file->Fd(), static_cast<char*>(lpBuffer) + done, nNumberOfBytesToRead - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Fail(ERROR_GEN_FAILURE);
    if (got == 0) break;
    done += DWORD(got);
  }
  *lpNumberOfBytesRead = done;
  return TRUE;
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                      LPDWORD lpNumberOfBytesWritten, LPVOID lpOverlapped) {
  WindowsPc& pc = WindowsPc::Current();
  if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
  FileHandle* file = pc.Handles().Get<FileHandle>(hFile);
  if (file == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (lpOverlapped != nullptr) {
    pc.Stub("WriteFile with OVERLAPPED");
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if (lpNumberOfBytesWritten == nullptr) return Fail(ERROR_INVALID_USER_BUFFER);
  if (!(file->Access() & GENERIC_WRITE)) return Fail(ERROR_ACCESS_DENIED);
  if (lpBuffer == nullptr && nNumberOfBytesToWrite > 0) return Fail(kErrorNoAccess);
  DWORD done = 0;
  while (done < nNumberOfBytesToWrite) {
    ssize_t put = ::write(file->Fd(), static_cast<const char*>(lpBuffer) + done,
                          nNumberOfBytesToWrite - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      *lpNumberOfBytesWritten = done;
      return Fail(ERROR_GEN_FAILURE);
    }
    done += DWORD(put);
  }
  *lpNumberOfBytesWritten = done;
  return TRUE;
}

HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
  WindowsPc& pc = WindowsPc::Current();
  FileSystem& files = pc.Files();
  if (lpFindFileData == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  if (lpFileName == nullptr || *lpFileName == '\0') {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  // The mask is the last component, taken as written; the folder is an ordinary path.
  std::string pattern = lpFileName;
  for (char& c : pattern)
    if (c == '/') c = '\\';
  size_t split = pattern.find_last_of('\\');
  if (split == std::string::npos && pattern.size() >= 2 && pattern[1] == ':') split = 1;
  std::string folder =
      split == std::string::npos ? std::string("C:\\") : pattern.substr(0, split + 1);
  std::string mask = split == std::string::npos ? pattern : pattern.substr(split + 1);
  if (folder.find_first_of("*?") != std::string::npos) {
    SetLastError(kErrorInvalidName);
    return INVALID_HANDLE_VALUE;
  }
  std::string folderPath;
  if (!files.Normalize(folder, &folderPath) || !files.IsDirectory(folderPath)) {
    SetLastError(files.WhyMissing(folder.c_str()) == kErrorInvalidName ? kErrorInvalidName
                                                                          : ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (mask.empty()) {  // a trailing separator names no file
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (mask.find_first_of("<>:\"|") != std::string::npos) {
    SetLastError(kErrorInvalidName);
    return INVALID_HANDLE_VALUE;
  }
  const std::string prefix = folderPath == "C:\\" ? folderPath : folderPath + "\\";
  std::vector<WIN32_FIND_DATAA> found;
  WIN32_FIND_DATAA data;
  if (mask.find_first_of("*?") == std::string::npos) {
    std::string exact;
    if (files.Normalize(prefix + mask, &exact) && exact != folderPath &&
        FindData(files, exact, exact.substr(exact.find_last_of('\\') + 1), &data))
      found.push_back(data);
  } else {
    // Outside the root, every folder lists "." and ".." first, as NTFS does.
    if (folderPath != "C:\\") {
      for (const char* dots : {".", ".."})
        if (MaskMatches(mask, dots) && FindData(files, folderPath, dots, &data))
          found.push_back(data);
    }
    std::vector<std::string> names;
    files.List(folderPath, &names);
    for (const std::string& name : names)
      if (MaskMatches(mask, name) && FindData(files, prefix + name, name, &data))
        found.push_back(data);
  }
  if (found.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  *lpFindFileData = found.front();
  found.erase(found.begin());
  return pc.Handles().Add(std::make_unique<FindHandle>(std::move(found)), pc.CurrentPid());
}

BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) {
  FindHandle* find = WindowsPc::Current().Handles().Get<FindHandle>(hFindFile);
  if (find == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (lpFindFileData == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (!find->Next(lpFindFileData)) return Fail(ERROR_NO_MORE_FILES);
  return TRUE;
}

BOOL WINAPI FindClose(HANDLE hFindFile) {
  WindowsPc& pc = WindowsPc::Current();
  if (pc.Handles().Get<FindHandle>(hFindFile) == nullptr) return Fail(ERROR_INVALID_HANDLE);
  pc.Handles().Close(hFindFile);
  return TRUE;
}

DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
  FileSystem& files = WindowsPc::Current().Files();
  DWORD attributes = lpFileName ? files.Attributes(lpFileName) : INVALID_FILE_ATTRIBUTES;
  if (attributes == INVALID_FILE_ATTRIBUTES) SetLastError(files.WhyMissing(lpFileName));
  return attributes;
}

BOOL WINAPI SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) {
  FileSystem& files = WindowsPc::Current().Files();
  if (lpFileName == nullptr || !files.Exists(lpFileName))
    return Fail(files.WhyMissing(lpFileName));
  files.SetAttributes(lpFileName, dwFileAttributes);
  return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
  FileSystem& files = WindowsPc::Current().Files();
  if (lpFileName == nullptr || !files.Exists(lpFileName))
    return Fail(files.WhyMissing(lpFileName));
  if (files.IsDirectory(lpFileName)) return Fail(ERROR_ACCESS_DENIED);
  if (files.Attributes(lpFileName) & FILE_ATTRIBUTE_READONLY) return Fail(ERROR_ACCESS_DENIED);
  // A running program's image is mapped: Windows refuses to delete it.
  if (files.IsMappedImage(lpFileName)) return Fail(ERROR_ACCESS_DENIED);
  // Deleting opens the file for DELETE: every open handle must share that.
  if (!files.SharingAllows(lpFileName, 0x00010000 /* DELETE */,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | 0x00000004 /* SHARE_DELETE */))
    return Fail(ERROR_SHARING_VIOLATION);
  if (!files.Remove(lpFileName)) return Fail(ERROR_ACCESS_DENIED);
  return TRUE;
}

UINT WINAPI GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) {
  const std::string folder = WindowsPc::Current().Files().WindowsDirectory();
  // Too small: the size needed, terminator included, and the buffer is left alone.
  if (lpBuffer == nullptr || uSize <= folder.size()) return UINT(folder.size() + 1);
  std::memcpy(lpBuffer, folder.c_str(), folder.size() + 1);
  return UINT(folder.size());
}
