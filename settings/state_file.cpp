// The state file "C:\Tavos.ini": the banner line and the disabled flag, as a text stream.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "app/main_frame.h"
#include "settings/settings_keys.h"

namespace tavos {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The number at the start of `text` as Microsoft's C library reads it: blanks, a sign, digits
// with an optional fraction and exponent; no hexadecimal, "inf" or "nan", which other
// libraries' strtod would take. Only that prefix reaches strtod, so every platform agrees.
double ReadDecimal(const char* text) {
  const char* p = text;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  const char* start = p;
  if (*p == '+' || *p == '-') ++p;
  bool digits = false;
  for (; IsDigit(*p); ++p) digits = true;
  if (*p == '.')
    for (++p; IsDigit(*p); ++p) digits = true;
  if (!digits) return 0.0;
  if (*p == 'e' || *p == 'E') {
    const char* exponent = p + 1;
    if (*exponent == '+' || *exponent == '-') ++exponent;
    if (IsDigit(*exponent))
      for (p = exponent; IsDigit(*p); ++p) {
      }
  }
  char number[32];
  const size_t length = std::min(size_t(p - start), sizeof number - 1);
  std::memcpy(number, start, length);
  number[length] = '\0';
  return std::strtod(number, nullptr);
}

}  // namespace

double ReadDisabledState(FILE* stream) {
  char banner[41] = "";
  char state[21] = "";
  // Each read leaves a terminated (maybe empty) line even when nothing could be read.
  if (stream == nullptr || std::fgets(banner, sizeof banner, stream) == nullptr) banner[0] = '\0';
  if (stream == nullptr || std::fgets(state, sizeof state, stream) == nullptr) state[0] = '\0';
  // Settled here, once: the keys, the icon, the tooltip and the menu all read this one value,
  // so a stray "2", "inf" or "nan" cannot leave some of them enabled and others disabled.
  return ReadDecimal(state) == 1.0 ? 1.0 : 0.0;
}

}  // namespace tavos

void CMainFrame::LoadStateFile() {
  FILE* stream = fopen(tavos::kStateFilePath, "r");
  g_dDisabled = tavos::ReadDisabledState(stream);
  if (stream != nullptr) std::fclose(stream);
}

void CMainFrame::SaveStateFile() {
  FILE* stream = fopen(tavos::kStateFilePath, "w");
  if (stream == nullptr) return;  // the state then lives in memory only
  std::fprintf(stream, "%s\n", tavos::kStateBanner);
  std::fflush(stream);
  std::fprintf(stream, "%s\n", g_dDisabled == 1.0 ? "1" : "0");
  std::fflush(stream);
  std::fclose(stream);
}
