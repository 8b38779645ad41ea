// The setup's command line.
#include "setup/setup_options.h"

namespace setup {

namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

// Whether `text` starts with `prefix`, without regard to case.
bool StartsWith(const char* text, const char* prefix) {
  for (; *prefix; ++text, ++prefix)
    if (Upper(*text) != Upper(*prefix)) return false;
  return true;
}

bool SameName(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (Upper(*a) != Upper(*b)) return false;
  return *a == *b;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

const char* ArgumentsOf(const char* commandLine) {
  bool quoted = false;
  const char* at = commandLine;
  while (*at != '\0' && (quoted || !IsBlank(*at))) {
    if (*at == '"') quoted = !quoted;
    ++at;
  }
  while (IsBlank(*at)) ++at;
  return at;
}

const char* FileNameOf(const char* path) {
  const char* name = path;
  for (const char* at = path; *at; ++at)
    if (*at == '\\' || *at == '/') name = at + 1;
  return name;
}

bool IsTavosProgramFile(const char* path) { return SameName(FileNameOf(path), "Tavos.exe"); }

bool ParseSetupArguments(const char* arguments, const char* imageName, SetupOptions* options) {
  *options = SetupOptions{};
  bool copy = false, pidGiven = false, folderGiven = false;
  const char* at = arguments;
  while (*at != '\0') {
    while (IsBlank(*at)) ++at;
    if (*at == '\0') break;
    if (StartsWith(at, "/D=")) {
      // The rest of the line, without blanks at its end.
      const char* start = at + 3;
      const char* end = start + std::strlen(start);
      while (end > start && IsBlank(end[-1])) --end;
      options->folder.Append(start, size_t(end - start));
      folderGiven = true;
      break;
    }
    const char* end = at;
    while (*end != '\0' && !IsBlank(*end)) ++end;
    const size_t length = size_t(end - at);
    if (length == 2 && StartsWith(at, "/S")) {
      options->silent = true;
    } else if (StartsWith(at, "/UNINSTALL-COPY=")) {
      copy = true;
      DWORD pid = 0;
      const char* digit = at + 16;
      pidGiven = digit < end;
      for (; digit < end; ++digit) {
        // Digits only, and no more than a DWORD holds: the 95 family's process ids are large
        // (0xFFFB0E5F), and all of them must pass.
        const DWORD value = DWORD(*digit - '0');
        if (*digit < '0' || *digit > '9' || pid > (0xFFFFFFFFu - value) / 10) {
          pidGiven = false;
          break;
        }
        pid = pid * 10 + value;
      }
      options->originalPid = pidGiven ? pid : 0;
    }
    at = end;
  }
  if (copy) {
    options->mode = SetupMode::kUninstallCopy;
    return pidGiven && folderGiven && !options->folder.empty() && !options->folder.cut();
  }
  options->folder.Clear();
  options->mode = SameName(FileNameOf(imageName), "Uninstall.exe") ? SetupMode::kUninstall
                                                                   : SetupMode::kInstall;
  return true;
}

void CopyCommandLine(const char* copyPath, bool silent, DWORD originalPid, const char* folder,
                     LineText* line) {
  line->Clear();
  line->Append('"').Append(copyPath).Append('"');
  if (silent) line->Append(" /S");
  line->Append(" /UNINSTALL-COPY=").AppendNumber(originalPid).Append(" /D=").Append(folder);
}

}  // namespace setup
