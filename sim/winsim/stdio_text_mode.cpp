// fopen on Windows paths, with the C runtime's text mode: CR LF on disk, "\n" in the program.
//
// The stream is a glibc cookie stream over the host file. In text mode it is unbuffered, so
// that ftell and fseek see file offsets as the Windows runtime reports them; the cookie keeps
// its own read-ahead. Ctrl-Z ends the text on reading; "a+" drops one Ctrl-Z at the end of
// the file when it opens, as the Windows runtime does. Opens take part in file sharing as the
// runtime's fopen does (shared reading and writing), and a file that another handle holds
// without sharing fails with EACCES.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include "platform/win32.h"
#include "sim/winsim/windows_pc.h"

using winsim::FileSystem;
using winsim::WindowsPc;

namespace {

constexpr char kCtrlZ = 0x1A;

struct TextFile {
  int fd = -1;
  bool text = true;
  bool ended = false;  // a Ctrl-Z was met
  std::string ahead;   // bytes read from fd but not yet given out
  std::unique_ptr<FileSystem::OpenToken> open;
};

ssize_t ReadSome(TextFile& file) {
  char chunk[4096];
  for (;;) {
    ssize_t got = ::read(file.fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got > 0) file.ahead.append(chunk, size_t(got));
    return got;
  }
}

ssize_t CookieRead(void* cookie, char* buffer, size_t size) {
  TextFile& file = *static_cast<TextFile*>(cookie);
  size_t out = 0;
  while (out < size && !file.ended) {
    if (file.ahead.empty() && ReadSome(file) <= 0) break;
    if (!file.text) {
      size_t take = std::min(size - out, file.ahead.size());
      std::memcpy(buffer + out, file.ahead.data(), take);
      file.ahead.erase(0, take);
      out += take;
      continue;
    }
    char c = file.ahead[0];
    if (c == kCtrlZ) {
      file.ended = true;
      break;
    }
    if (c == '\r') {
      if (file.ahead.size() < 2) ReadSome(file);
      if (file.ahead.size() >= 2 && file.ahead[1] == '\n') {
        buffer[out++] = '\n';
        file.ahead.erase(0, 2);
        continue;
      }
    }
    buffer[out++] = c;
    file.ahead.erase(0, 1);
  }
  return ssize_t(out);
}

// Puts the descriptor back where the program is, dropping the read-ahead.
bool Rewind(TextFile& file) {
  if (file.ahead.empty()) return true;
  off_t back = -off_t(file.ahead.size());
  file.ahead.clear();
  return ::lseek(file.fd, back, SEEK_CUR) >= 0;
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t put = ::write(fd, data, size);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    data += put;
    size -= size_t(put);
  }
  return true;
}

ssize_t CookieWrite(void* cookie, const char* buffer, size_t size) {
  TextFile& file = *static_cast<TextFile*>(cookie);
  if (!Rewind(file)) return -1;
  if (!file.text) return WriteAll(file.fd, buffer, size) ? ssize_t(size) : -1;
  std::string out;
  out.reserve(size + size / 8);
  for (size_t i = 0; i < size; ++i) {
    if (buffer[i] == '\n') out.push_back('\r');
    out.push_back(buffer[i]);
  }
  return WriteAll(file.fd, out.data(), out.size()) ? ssize_t(size) : -1;
}

int CookieSeek(void* cookie, off64_t* offset, int whence) {
  TextFile& file = *static_cast<TextFile*>(cookie);
  off64_t target = *offset;
  if (whence == SEEK_CUR) target -= off64_t(file.ahead.size());
  file.ahead.clear();
  off64_t result = ::lseek64(file.fd, target, whence);
  if (result < 0) return -1;
  file.ended = false;
  *offset = result;
  return 0;
}

int CookieClose(void* cookie) {
  TextFile* file = static_cast<TextFile*>(cookie);
  int result = ::close(file->fd);
  delete file;
  return result;
}

FILE* Refuse(int error) {
  errno = error;
  return nullptr;
}

}  // namespace

FILE* WinSimFopen(const char* path, const char* mode) {
  if (path == nullptr || mode == nullptr) return Refuse(EINVAL);
  char kind = mode[0];
  if (kind != 'r' && kind != 'w' && kind != 'a') return Refuse(EINVAL);
  bool plus = false, binary = false;
  for (const char* m = mode + 1; *m; ++m) {
    if (*m == '+') {
      plus = true;
    } else if (*m == 'b') {
      binary = true;
    } else if (*m != 't' && *m != 'c' && *m != 'n') {
      return Refuse(EINVAL);
    }
  }
  FileSystem& files = WindowsPc::Current().Files();
  std::string winPath, host;
  if (!files.Normalize(path, &winPath) || !files.ToHostPath(winPath, &host)) return Refuse(ENOENT);
  if (files.IsDirectory(winPath)) return Refuse(EACCES);
  const bool exists = files.IsFile(winPath);
  if (!exists && kind == 'r') return Refuse(ENOENT);
  if (!files.ParentExists(winPath)) return Refuse(ENOENT);
  const DWORD attributes = exists ? files.Attributes(winPath) : 0;
  const bool writes = kind != 'r' || plus;
  if (writes && (attributes & FILE_ATTRIBUTE_READONLY)) return Refuse(EACCES);
  // "w" creates with CREATE_ALWAYS and no attributes: a hidden or system file refuses that.
  if (kind == 'w' && (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
    return Refuse(EACCES);
  const DWORD access = (kind == 'r' || plus ? GENERIC_READ : 0) | (writes ? GENERIC_WRITE : 0);
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  if (exists && !files.SharingAllows(winPath, access, share)) return Refuse(EACCES);

  int flags = O_CLOEXEC | (plus ? O_RDWR : kind == 'r' ? O_RDONLY : O_WRONLY);
  if (kind == 'w') flags |= O_CREAT | O_TRUNC;
  if (kind == 'a') flags |= O_CREAT | O_APPEND;
  int fd = ::open(host.c_str(), flags, 0644);
  if (fd < 0) return Refuse(errno == ENOTDIR ? ENOENT : errno);
  if (!exists) files.SetCreatedAttributes(winPath, 0);

  if (kind == 'a' && plus && !binary) {
    struct stat info;
    char last = 0;
    if (::fstat(fd, &info) == 0 && info.st_size > 0 &&
        ::pread(fd, &last, 1, info.st_size - 1) == 1 && last == kCtrlZ)
      if (::ftruncate(fd, info.st_size - 1) != 0) {
        ::close(fd);
        return Refuse(EACCES);
      }
  }

  auto* file = new TextFile;
  file->fd = fd;
  file->text = !binary;
  file->open = files.RegisterOpen(winPath, access, share);
  cookie_io_functions_t io = {CookieRead, CookieWrite, CookieSeek, CookieClose};
  std::string hostMode(1, kind);
  if (plus) hostMode += '+';
  FILE* stream = fopencookie(file, hostMode.c_str(), io);
  if (stream == nullptr) {
    int error = errno;
    CookieClose(file);
    return Refuse(error);
  }
  if (file->text) setvbuf(stream, nullptr, _IONBF, 0);
  return stream;
}
