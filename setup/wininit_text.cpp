// Editing WININIT.INI's text.
#include "setup/wininit_text.h"

#include <cstring>

namespace setup {

namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

// Whether the line from `at` to `end` is "[rename]", blanks around it allowed.
bool IsRenameHeader(const char* at, const char* end) {
  while (at < end && (*at == ' ' || *at == '\t')) ++at;
  while (end > at && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r')) --end;
  const char header[] = "[RENAME]";
  if (size_t(end - at) != sizeof header - 1) return false;
  for (size_t i = 0; i < sizeof header - 1; ++i)
    if (Upper(at[i]) != header[i]) return false;
  return true;
}

void Add(std::vector<char>* result, const char* text) {
  result->insert(result->end(), text, text + std::strlen(text));
}

}  // namespace

void AddWininitDeletion(const char* text, size_t length, const char* shortPath,
                        std::vector<char>* result) {
  result->clear();
  const char* end = text + length;
  for (const char* line = text; line < end;) {
    const char* next = static_cast<const char*>(std::memchr(line, '\n', size_t(end - line)));
    const char* lineEnd = next ? next : end;
    if (IsRenameHeader(line, lineEnd)) {
      result->insert(result->end(), text, lineEnd);
      // The header's own line end, or one where the file ended with it.
      if (next) {
        result->insert(result->end(), lineEnd, next + 1);
      } else {
        Add(result, "\r\n");
      }
      Add(result, "NUL=");
      Add(result, shortPath);
      Add(result, "\r\n");
      if (next) result->insert(result->end(), next + 1, end);
      return;
    }
    line = next ? next + 1 : end;
  }
  result->insert(result->end(), text, end);
  if (length > 0 && end[-1] != '\n') Add(result, "\r\n");
  Add(result, "[rename]\r\nNUL=");
  Add(result, shortPath);
  Add(result, "\r\n");
}

}  // namespace setup
