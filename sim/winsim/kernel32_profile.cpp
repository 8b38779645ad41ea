// GetPrivateProfileStringA and WritePrivateProfileStringA on INI files of drive C:.
//
// Read every time from the file (other programs may edit it) and edited in place: lines that
// are not touched keep their bytes, comments and endings; new lines end in CR LF.
// ANSI files only. Where Windows releases differ, this follows Windows XP.
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "sim/winsim/windows_pc.h"

using winsim::FileSystem;
using winsim::WindowsPc;

namespace {

constexpr DWORD kErrorInvalidName = 123;  // ERROR_INVALID_NAME

struct Line {
  std::string text;    // without its ending
  std::string ending;  // "\r\n", "\n", "\r" (files saved on old Macs), or "" at the very end
};

enum class Kind { kBlank, kComment, kSection, kKey, kOther };

struct Parsed {
  Kind kind = Kind::kOther;
  std::string name;   // section or key name, trimmed
  std::string value;  // key value, trimmed
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == 0x1A; }

std::string Trim(const std::string& text) {
  size_t first = 0, last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

std::vector<Line> SplitLines(const std::string& bytes) {
  std::vector<Line> lines;
  size_t start = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n') continue;
    size_t width = (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
    lines.push_back(Line{bytes.substr(start, i - start), bytes.substr(i, width)});
    i += width - 1;
    start = i + 1;
  }
  if (start < bytes.size()) lines.push_back(Line{bytes.substr(start), ""});
  return lines;
}

std::string JoinLines(const std::vector<Line>& lines) {
  std::string bytes;
  for (const Line& line : lines) bytes += line.text + line.ending;
  return bytes;
}

// "[name]", "name=value", "; comment", blank, or anything else. A header's name ends at its
// first ']', or with the line when it has none: Windows lists "[a]b]" as the section "a" and
// "[open" as "open".
Parsed Parse(const std::string& text) {
  Parsed parsed;
  const std::string line = Trim(text);
  if (line.empty()) {
    parsed.kind = Kind::kBlank;
  } else if (line[0] == ';') {
    parsed.kind = Kind::kComment;
  } else if (line[0] == '[') {
    parsed.kind = Kind::kSection;
    const size_t close = line.find(']');
    parsed.name = Trim(line.substr(1, close == std::string::npos ? close : close - 1));
  } else if (line.find('=') != std::string::npos) {
    size_t equals = line.find('=');
    parsed.kind = Kind::kKey;
    parsed.name = Trim(line.substr(0, equals));
    parsed.value = Trim(line.substr(equals + 1));
  }
  return parsed;
}

// A file of the INI file's lines with what each one is.
struct Profile {
  std::vector<Line> lines;
  std::vector<Parsed> parsed;

  explicit Profile(const std::string& bytes) : lines(SplitLines(bytes)) {
    for (const Line& line : lines) parsed.push_back(Parse(line.text));
  }
  // The first header of the section, or -1.
  int FindSection(const std::string& name) const {
    for (size_t i = 0; i < parsed.size(); ++i)
      if (parsed[i].kind == Kind::kSection && SameName(parsed[i].name, name)) return int(i);
    return -1;
  }
  // One past the last line of the section whose header is at `header`.
  size_t SectionEnd(size_t header) const {
    size_t end = header + 1;
    while (end < parsed.size() && parsed[end].kind != Kind::kSection) ++end;
    return end;
  }
  int FindKey(int header, const std::string& name) const {
    if (header < 0) return -1;
    for (size_t i = header + 1; i < SectionEnd(header); ++i)
      if (parsed[i].kind == Kind::kKey && SameName(parsed[i].name, name)) return int(i);
    return -1;
  }
  void Erase(size_t first, size_t last) {
    lines.erase(lines.begin() + first, lines.begin() + last);
    parsed.erase(parsed.begin() + first, parsed.begin() + last);
  }
  void Insert(size_t at, const std::string& text) {
    if (at > 0 && lines[at - 1].ending.empty()) lines[at - 1].ending = "\r\n";
    lines.insert(lines.begin() + at, Line{text, "\r\n"});
    parsed.insert(parsed.begin() + at, Parse(text));
  }
};

// A bare file name lives in the Windows directory; anything with a path is taken as one.
std::string ProfilePath(const FileSystem& files, LPCSTR fileName) {
  std::string name = fileName ? fileName : "win.ini";
  if (name.find_first_of("\\/:") == std::string::npos)
    return files.WindowsDirectory() + "\\" + name;
  return name;
}

// The file's bytes as a reader that shares reading and writing sees them; "" if unreadable.
std::string ReadProfile(const FileSystem& files, const std::string& path) {
  std::string bytes;
  if (!files.IsFile(path) ||
      !files.SharingAllows(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE) ||
      !files.ReadFile(path, &bytes))
    return "";
  return bytes;
}

DWORD CopyString(const std::string& text, LPSTR buffer, DWORD size) {
  DWORD count = DWORD(std::min<size_t>(text.size(), size - 1));
  std::memcpy(buffer, text.data(), count);
  buffer[count] = '\0';
  return count;
}

// Names one after the other, each ended by NUL, and a NUL after the last. When they do not
// fit, the list is cut at size - 2 and ends in two NULs, and size - 2 is returned.
// An empty list is a single NUL (as Windows gives for a missing file).
DWORD CopyList(const std::vector<std::string>& names, LPSTR buffer, DWORD size) {
  std::string list;
  for (const std::string& name : names)
    if (!name.empty()) list += name + '\0';
  if (list.empty() || size == 1) {
    buffer[0] = '\0';
    return 0;
  }
  if (list.size() + 1 < size) {
    std::memcpy(buffer, list.data(), list.size());
    buffer[list.size()] = '\0';
    return DWORD(list.size());
  }
  std::memcpy(buffer, list.data(), size - 2);
  buffer[size - 2] = '\0';
  // Windows XP, when the list would just fit with its final NUL, still returns size - 2 but
  // leaves the last byte unwritten (Wine's profile tests: NT4, 2000 and XP; later releases
  // write it). The list then ends in one NUL only.
  if (list.size() + 1 != size) buffer[size - 1] = '\0';
  return size - 2;
}

}  // namespace

DWORD WINAPI GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                                      LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName) {
  if (lpReturnedString == nullptr || nSize == 0) return 0;
  FileSystem& files = WindowsPc::Current().Files();
  const Profile profile(ReadProfile(files, ProfilePath(files, lpFileName)));

  if (lpAppName == nullptr) {
    std::vector<std::string> sections;
    for (const Parsed& parsed : profile.parsed)
      if (parsed.kind == Kind::kSection) sections.push_back(parsed.name);
    return CopyList(sections, lpReturnedString, nSize);
  }
  const int header = profile.FindSection(Trim(lpAppName));
  if (lpKeyName == nullptr) {
    std::vector<std::string> keys;
    if (header >= 0)
      for (size_t i = header + 1; i < profile.SectionEnd(header); ++i)
        if (profile.parsed[i].kind == Kind::kKey && !profile.parsed[i].name.empty())
          keys.push_back(profile.parsed[i].name);
    // No keys at all (or no such section) gives the default instead, as Wine does.
    if (!keys.empty()) return CopyList(keys, lpReturnedString, nSize);
  } else {
    const int key = profile.FindKey(header, Trim(lpKeyName));
    if (key >= 0) {
      std::string value = profile.parsed[key].value;
      // One pair of matching quotes around the value is taken off.
      if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        value = value.substr(1, value.size() - 2);
      return CopyString(value, lpReturnedString, nSize);
    }
  }
  std::string fallback = lpDefault ? lpDefault : "";
  while (!fallback.empty() && IsBlank(fallback.back())) fallback.pop_back();
  return CopyString(fallback, lpReturnedString, nSize);
}

BOOL WINAPI WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString,
                                       LPCSTR lpFileName) {
  if (lpAppName == nullptr) {
    // All NULL asks to flush a cache; there is none. Otherwise XP's error for no section.
    if (lpKeyName == nullptr && lpString == nullptr) return TRUE;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  FileSystem& files = WindowsPc::Current().Files();
  const std::string given = ProfilePath(files, lpFileName);
  std::string path;
  DWORD error = ERROR_SUCCESS;
  if (!files.Normalize(given, &path)) {
    error = FileSystem::HasInvalidNameCharacters(given) ? kErrorInvalidName : ERROR_PATH_NOT_FOUND;
  } else if (files.IsDirectory(path)) {
    error = ERROR_ACCESS_DENIED;
  } else if (!files.ParentExists(path)) {
    error = ERROR_PATH_NOT_FOUND;
  } else if (files.IsFile(path) && (files.Attributes(path) & FILE_ATTRIBUTE_READONLY)) {
    error = ERROR_ACCESS_DENIED;
  } else if (!files.SharingAllows(path, GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE)) {
    error = ERROR_SHARING_VIOLATION;
  }
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return FALSE;
  }

  std::string bytes;
  if (files.IsFile(path) && !files.ReadFile(path, &bytes)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  Profile profile(bytes);
  const std::string section = Trim(lpAppName);
  bool changed = false;
  if (lpKeyName == nullptr) {
    // The section goes with everything in it, comments included.
    for (int header; (header = profile.FindSection(section)) >= 0; changed = true)
      profile.Erase(header, profile.SectionEnd(header));
  } else {
    const std::string name = Trim(lpKeyName);
    const int header = profile.FindSection(section);
    const int key = profile.FindKey(header, name);
    if (lpString == nullptr) {
      if (key >= 0) {
        profile.Erase(key, key + 1);
        changed = true;
      }
    } else if (key >= 0) {
      profile.lines[key].text = profile.parsed[key].name + "=" + lpString;
      profile.parsed[key] = Parse(profile.lines[key].text);
      changed = true;
    } else if (header >= 0) {
      // After the section's last line that is not blank, so the blank lines before the next
      // section stay where they are.
      size_t at = profile.SectionEnd(header);
      while (at > size_t(header) + 1 && profile.parsed[at - 1].kind == Kind::kBlank) --at;
      profile.Insert(at, name + "=" + lpString);
      changed = true;
    } else {
      profile.Insert(profile.lines.size(), "[" + section + "]");
      profile.Insert(profile.lines.size(), name + "=" + lpString);
      changed = true;
    }
  }
  if (changed && !files.WriteFile(path, JoinLines(profile.lines))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}
