// Drive C: of the simulated PC: Windows paths mapped onto a host folder, with the file
// attributes the host cannot keep and the sharing modes of every open file.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace winsim {

// Paths: "C:\x", "c:/x", "\x" and relative ones ("x", "C:x") all name C:\x, since every
// process's current folder is C:\. Names compare without regard to ASCII case; an existing
// entry is found whatever case it is asked for, and a new one keeps the case it was given.
// "." and ".." are resolved (never above C:\), trailing dots and blanks of the last name are
// dropped as Windows drops them. Refused (false from ToHostPath, "missing" everywhere else):
// other drives, UNC and device paths, the characters < > : " | ? * and control characters in
// a name, DOS device names (CON, NUL, COM1, ...), and anything of MAX_PATH characters or more.
//
// Attributes: the host keeps none, so they live here in memory, keyed by the normalised path,
// and are forgotten when the file is removed. A file that was never given any reports
// FILE_ATTRIBUTE_ARCHIVE (what Windows gives a newly created file); one whose attributes were
// all cleared reports FILE_ATTRIBUTE_NORMAL (as GetFileAttributes does on NTFS); folders
// always have FILE_ATTRIBUTE_DIRECTORY.
class FileSystem {
 public:
  explicit FileSystem(std::string hostRoot);  // creates hostRoot, WINDOWS, WINDOWS\SYSTEM

  std::string WindowsDirectory() const;  // "C:\\WINDOWS"
  // False when the path is not on C: or is malformed.
  bool ToHostPath(const std::string& winPath, std::string* hostPath) const;
  bool Exists(const std::string& winPath) const;
  DWORD Attributes(const std::string& winPath) const;  // INVALID_FILE_ATTRIBUTES when missing
  // Keeps READONLY, HIDDEN, SYSTEM, ARCHIVE, TEMPORARY, OFFLINE and NOT_CONTENT_INDEXED.
  bool SetAttributes(const std::string& winPath, DWORD attributes);
  bool ReadFile(const std::string& winPath, std::string* bytes) const;
  // Replaces the content, creating missing folders; the attributes of an existing file stay.
  bool WriteFile(const std::string& winPath, const std::string& bytes);
  bool Remove(const std::string& winPath);  // a file, or an empty folder
  // Makes one folder whose parent exists; false when it exists or cannot be made.
  bool MakeFolder(const std::string& winPath);
  // Moves a file or folder to a name that does not exist yet (its attributes go with it).
  bool Move(const std::string& fromWinPath, const std::string& toWinPath);

  // ---- what the Win32 functions need beyond the above
  // The normalised Windows form ("C:\WINDOWS\Tavos.ini", in the case of existing entries).
  bool Normalize(const std::string& winPath, std::string* normalized) const;
  bool IsDirectory(const std::string& winPath) const;
  bool IsFile(const std::string& winPath) const;
  // True when the folder that would hold the path exists.
  bool ParentExists(const std::string& winPath) const;
  // The names in a folder (host case), sorted without regard to case as NTFS lists them.
  bool List(const std::string& winFolder, std::vector<std::string>* names) const;
  // Records the attributes a new file was created with (ARCHIVE is added, as Windows does).
  void SetCreatedAttributes(const std::string& winPath, DWORD attributes);
  // Characters that make ERROR_INVALID_NAME rather than a missing path.
  static bool HasInvalidNameCharacters(const std::string& winPath);
  // The last error for a path that names nothing: ERROR_INVALID_NAME for a bad name,
  // ERROR_PATH_NOT_FOUND for a missing folder on the way (or no path), else
  // ERROR_FILE_NOT_FOUND.
  DWORD WhyMissing(const char* winPath) const;

  // ---- sharing: each open file handle or stream registers its access and share mode
  // Whether a new open with this access (GENERIC_READ/WRITE) and share mode would conflict
  // with the opens already registered on the same file, as Windows checks them.
  bool SharingAllows(const std::string& winPath, DWORD access, DWORD share) const;
  bool IsOpen(const std::string& winPath) const;
  // Registers an open; it lasts as long as the returned object (which may outlive this one).
  class OpenToken;
  std::unique_ptr<OpenToken> RegisterOpen(const std::string& winPath, DWORD access, DWORD share);
  // A running program's image file: others may read it but not write it, and deleting it is
  // refused (ERROR_ACCESS_DENIED, the file is mapped) while the returned object lives.
  std::unique_ptr<OpenToken> RegisterImageMapping(const std::string& winPath);
  bool IsMappedImage(const std::string& winPath) const;

 private:
  struct OpenEntry {
    std::string key;
    DWORD access;
    DWORD share;
  };
  struct OpenTable {
    std::map<uint64_t, OpenEntry> entries;
    uint64_t next = 1;
  };

  struct Resolved {
    std::string windows;  // normalised Windows path
    std::string host;     // host path
    std::string key;      // upper-case Windows path: the key of attributes and opens
  };
  bool Resolve(const std::string& winPath, Resolved* resolved) const;

  std::string hostRoot_;
  std::map<std::string, DWORD> attributes_;
  std::shared_ptr<OpenTable> opens_;
};

class FileSystem::OpenToken {
 public:
  OpenToken(std::shared_ptr<OpenTable> table, uint64_t id) : table_(std::move(table)), id_(id) {}
  ~OpenToken() { table_->entries.erase(id_); }
  OpenToken(const OpenToken&) = delete;
  OpenToken& operator=(const OpenToken&) = delete;

 private:
  std::shared_ptr<OpenTable> table_;
  uint64_t id_;
};

}  // namespace winsim
