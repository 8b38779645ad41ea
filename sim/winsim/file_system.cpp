// Drive C: on a host folder: path mapping, attributes and sharing.
#include "sim/winsim/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace winsim {
namespace {

constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                  0x00000100 /* TEMPORARY */ | 0x00001000 /* OFFLINE */ |
                                  0x00002000 /* NOT_CONTENT_INDEXED */;
constexpr DWORD kDeleteAccess = 0x00010000;  // DELETE
constexpr DWORD kExecuteAccess = 0x20000000;  // GENERIC_EXECUTE: marks an image mapping
constexpr DWORD kShareDelete = 0x00000004;   // FILE_SHARE_DELETE

char Upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

std::string UpperCase(std::string text) {
  for (char& c : text) c = Upper(c);
  return text;
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

bool IsForbidden(char c) {
  return (unsigned char)c < 0x20 || std::strchr("<>:\"|?*", c) != nullptr;
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9, with or without an extension, name devices.
bool IsDeviceName(const std::string& name) {
  std::string base = UpperCase(name.substr(0, name.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

// The components of a Windows path below C:\, or false when it is refused.
bool SplitWindowsPath(const std::string& winPath, std::vector<std::string>* parts) {
  if (winPath.empty() || winPath.size() >= 32768) return false;
  std::string path = winPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  // UNC paths and the device namespaces start with two separators.
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') return false;
  size_t start = 0;
  if (path.size() >= 2 && path[1] == ':') {
    if (Upper(path[0]) != 'C') return false;
    start = 2;
  }
  parts->clear();
  size_t pos = start;
  while (pos <= path.size()) {
    size_t end = path.find('\\', pos);
    if (end == std::string::npos) end = path.size();
    std::string name = path.substr(pos, end - pos);
    const bool last = end == path.size();
    if (last) {
      // Windows drops trailing dots and blanks of the final name.
      if (name != "." && name != "..") {
        while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
      }
    }
    if (name.empty() || name == ".") {
      // nothing
    } else if (name == "..") {
      if (!parts->empty()) parts->pop_back();
    } else {
      for (char c : name)
        if (IsForbidden(c)) return false;
      if (name.size() > 255 || IsDeviceName(name)) return false;
      parts->push_back(name);
    }
    pos = end + 1;
  }
  size_t length = 3;  // "C:\"
  for (const std::string& part : *parts) length += part.size() + 1;
  return length < MAX_PATH;
}

// The entry of `folder` that matches `name`: the exact one first, else one equal but for case.
bool FindEntry(const std::string& folder, const std::string& name, std::string* found) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return false;
  std::vector<std::string> matches;
  while (dirent* entry = readdir(dir)) {
    std::string candidate = entry->d_name;
    if (candidate == name) {
      closedir(dir);
      *found = name;
      return true;
    }
    if (SameName(candidate, name)) matches.push_back(candidate);
  }
  closedir(dir);
  if (matches.empty()) return false;
  *found = *std::min_element(matches.begin(), matches.end());
  return true;
}

bool HostStat(const std::string& host, struct stat* info) {
  return ::stat(host.c_str(), info) == 0;
}

// Plain POSIX I/O: the seam turns fopen into the simulated one.
bool ReadHostFile(const std::string& host, std::string* bytes) {
  int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bytes->clear();
  char chunk[4096];
  for (;;) {
    ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ::close(fd);
      return got == 0;
    }
    bytes->append(chunk, size_t(got));
  }
}

bool WriteHostFile(const std::string& host, const std::string& bytes) {
  int fd = ::open(host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) break;
    done += size_t(put);
  }
  return ::close(fd) == 0 && done == bytes.size();
}

}  // namespace

FileSystem::FileSystem(std::string hostRoot)
    : hostRoot_(std::move(hostRoot)), opens_(std::make_shared<OpenTable>()) {
  while (hostRoot_.size() > 1 && hostRoot_.back() == '/') hostRoot_.pop_back();
  std::error_code error;
  std::filesystem::create_directories(hostRoot_ + "/WINDOWS/SYSTEM", error);
}

std::string FileSystem::WindowsDirectory() const { return "C:\\WINDOWS"; }

bool FileSystem::Resolve(const std::string& winPath, Resolved* resolved) const {
  std::vector<std::string> parts;
  if (!SplitWindowsPath(winPath, &parts)) return false;
  std::string host = hostRoot_;
  std::string windows = "C:\\";
  bool folderExists = true;
  for (size_t i = 0; i < parts.size(); ++i) {
    std::string name = parts[i];
    if (folderExists) {
      std::string found;
      if (FindEntry(host, name, &found)) {
        name = found;
      } else {
        folderExists = false;
      }
    }
    host += "/" + name;
    windows += (i ? "\\" : "") + name;
  }
  resolved->host = host;
  resolved->windows = windows;
  resolved->key = UpperCase(windows);
  return true;
}

bool FileSystem::ToHostPath(const std::string& winPath, std::string* hostPath) const {
  Resolved resolved;
  if (!Resolve(winPath, &resolved)) return false;
  *hostPath = resolved.host;
  return true;
}

bool FileSystem::Normalize(const std::string& winPath, std::string* normalized) const {
  Resolved resolved;
  if (!Resolve(winPath, &resolved)) return false;
  *normalized = resolved.windows;
  return true;
}

bool FileSystem::Exists(const std::string& winPath) const {
  Resolved resolved;
  struct stat info;
  return Resolve(winPath, &resolved) && HostStat(resolved.host, &info);
}

bool FileSystem::IsDirectory(const std::string& winPath) const {
  Resolved resolved;
  struct stat info;
  return Resolve(winPath, &resolved) && HostStat(resolved.host, &info) && S_ISDIR(info.st_mode);
}

bool FileSystem::IsFile(const std::string& winPath) const {
  Resolved resolved;
  struct stat info;
  return Resolve(winPath, &resolved) && HostStat(resolved.host, &info) && S_ISREG(info.st_mode);
}

bool FileSystem::ParentExists(const std::string& winPath) const {
  Resolved resolved;
  if (!Resolve(winPath, &resolved)) return false;
  if (resolved.host == hostRoot_) return true;  // C:\ itself
  struct stat info;
  std::string parent = resolved.host.substr(0, resolved.host.rfind('/'));
  return HostStat(parent, &info) && S_ISDIR(info.st_mode);
}

DWORD FileSystem::Attributes(const std::string& winPath) const {
  Resolved resolved;
  struct stat info;
  if (!Resolve(winPath, &resolved) || !HostStat(resolved.host, &info))
    return INVALID_FILE_ATTRIBUTES;
  auto stored = attributes_.find(resolved.key);
  if (S_ISDIR(info.st_mode))
    return FILE_ATTRIBUTE_DIRECTORY | (stored == attributes_.end() ? 0 : stored->second);
  if (stored == attributes_.end()) return FILE_ATTRIBUTE_ARCHIVE;
  return stored->second ? stored->second : FILE_ATTRIBUTE_NORMAL;
}

bool FileSystem::SetAttributes(const std::string& winPath, DWORD attributes) {
  Resolved resolved;
  struct stat info;
  if (!Resolve(winPath, &resolved) || !HostStat(resolved.host, &info)) return false;
  attributes_[resolved.key] = attributes & kKeptAttributes;
  return true;
}

void FileSystem::SetCreatedAttributes(const std::string& winPath, DWORD attributes) {
  Resolved resolved;
  if (Resolve(winPath, &resolved))
    attributes_[resolved.key] = (attributes & kKeptAttributes) | FILE_ATTRIBUTE_ARCHIVE;
}

bool FileSystem::ReadFile(const std::string& winPath, std::string* bytes) const {
  Resolved resolved;
  struct stat info;
  if (!Resolve(winPath, &resolved) || !HostStat(resolved.host, &info) || !S_ISREG(info.st_mode))
    return false;
  return ReadHostFile(resolved.host, bytes);
}

bool FileSystem::WriteFile(const std::string& winPath, const std::string& bytes) {
  Resolved resolved;
  if (!Resolve(winPath, &resolved) || resolved.host == hostRoot_) return false;
  struct stat info;
  const bool existed = HostStat(resolved.host, &info);
  if (existed && !S_ISREG(info.st_mode)) return false;
  std::error_code error;
  std::filesystem::create_directories(resolved.host.substr(0, resolved.host.rfind('/')), error);
  if (!WriteHostFile(resolved.host, bytes)) return false;
  if (!existed) attributes_.erase(resolved.key);
  return true;
}

bool FileSystem::Remove(const std::string& winPath) {
  Resolved resolved;
  struct stat info;
  if (!Resolve(winPath, &resolved) || resolved.host == hostRoot_ || !HostStat(resolved.host, &info))
    return false;
  int result =
      S_ISDIR(info.st_mode) ? ::rmdir(resolved.host.c_str()) : ::unlink(resolved.host.c_str());
  if (result != 0) return false;
  attributes_.erase(resolved.key);
  return true;
}

bool FileSystem::MakeFolder(const std::string& winPath) {
  Resolved resolved;
  struct stat info;
  if (!Resolve(winPath, &resolved) || resolved.host == hostRoot_ ||
      HostStat(resolved.host, &info) || !ParentExists(winPath))
    return false;
  return ::mkdir(resolved.host.c_str(), 0755) == 0;
}

bool FileSystem::Move(const std::string& fromWinPath, const std::string& toWinPath) {
  Resolved from, to;
  struct stat info;
  if (!Resolve(fromWinPath, &from) || !Resolve(toWinPath, &to) || from.host == hostRoot_ ||
      !HostStat(from.host, &info) || HostStat(to.host, &info) || !ParentExists(toWinPath))
    return false;
  if (::rename(from.host.c_str(), to.host.c_str()) != 0) return false;
  auto stored = attributes_.find(from.key);
  if (stored != attributes_.end()) {
    attributes_[to.key] = stored->second;
    attributes_.erase(from.key);
  }
  return true;
}

bool FileSystem::List(const std::string& winFolder, std::vector<std::string>* names) const {
  Resolved resolved;
  struct stat info;
  if (!Resolve(winFolder, &resolved) || !HostStat(resolved.host, &info) || !S_ISDIR(info.st_mode))
    return false;
  DIR* dir = opendir(resolved.host.c_str());
  if (!dir) return false;
  names->clear();
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names->push_back(name);
  }
  closedir(dir);
  std::sort(names->begin(), names->end(), [](const std::string& a, const std::string& b) {
    std::string ua = UpperCase(a), ub = UpperCase(b);
    return ua != ub ? ua < ub : a < b;
  });
  return true;
}

DWORD FileSystem::WhyMissing(const char* winPath) const {
  constexpr DWORD kErrorInvalidName = 123;  // ERROR_INVALID_NAME
  if (winPath == nullptr || *winPath == '\0') return ERROR_PATH_NOT_FOUND;
  if (HasInvalidNameCharacters(winPath)) return kErrorInvalidName;
  std::string host;
  if (!ToHostPath(winPath, &host) || !ParentExists(winPath)) return ERROR_PATH_NOT_FOUND;
  return ERROR_FILE_NOT_FOUND;
}

bool FileSystem::HasInvalidNameCharacters(const std::string& winPath) {
  for (size_t i = 0; i < winPath.size(); ++i) {
    if (i == 1 && winPath[i] == ':') continue;
    if (IsForbidden(winPath[i])) return true;
  }
  return false;
}

bool FileSystem::SharingAllows(const std::string& winPath, DWORD access, DWORD share) const {
  Resolved resolved;
  if (!Resolve(winPath, &resolved)) return true;
  const bool reads = access & GENERIC_READ, writes = access & GENERIC_WRITE,
             deletes = access & kDeleteAccess;
  // An open for attributes only never conflicts (IoCheckShareAccess skips it).
  if (!reads && !writes && !deletes) return true;
  for (const auto& [id, open] : opens_->entries) {
    if (open.key != resolved.key) continue;
    const bool openReads = open.access & GENERIC_READ, openWrites = open.access & GENERIC_WRITE,
               openDeletes = open.access & kDeleteAccess;
    if (!openReads && !openWrites && !openDeletes) continue;
    if ((reads && !(open.share & FILE_SHARE_READ)) ||
        (writes && !(open.share & FILE_SHARE_WRITE)) || (deletes && !(open.share & kShareDelete)) ||
        (openReads && !(share & FILE_SHARE_READ)) || (openWrites && !(share & FILE_SHARE_WRITE)) ||
        (openDeletes && !(share & kShareDelete)))
      return false;
  }
  return true;
}

std::unique_ptr<FileSystem::OpenToken> FileSystem::RegisterImageMapping(
    const std::string& winPath) {
  return RegisterOpen(winPath, GENERIC_READ | kExecuteAccess, FILE_SHARE_READ | kShareDelete);
}

bool FileSystem::IsMappedImage(const std::string& winPath) const {
  Resolved resolved;
  if (!Resolve(winPath, &resolved)) return false;
  for (const auto& [id, open] : opens_->entries)
    if (open.key == resolved.key && (open.access & kExecuteAccess)) return true;
  return false;
}

bool FileSystem::IsOpen(const std::string& winPath) const {
  Resolved resolved;
  if (!Resolve(winPath, &resolved)) return false;
  for (const auto& [id, open] : opens_->entries)
    if (open.key == resolved.key) return true;
  return false;
}

std::unique_ptr<FileSystem::OpenToken> FileSystem::RegisterOpen(const std::string& winPath,
                                                                DWORD access, DWORD share) {
  Resolved resolved;
  std::string key = Resolve(winPath, &resolved) ? resolved.key : UpperCase(winPath);
  uint64_t id = opens_->next++;
  opens_->entries[id] = OpenEntry{key, access, share};
  return std::make_unique<OpenToken>(opens_, id);
}

}  // namespace winsim
