// The state file "C:\Tavos.ini": the banner line and the disabled flag, as a text stream.
#include <cstdlib>
#include <cstring>

#include "app/main_frame.h"
#include "settings/settings_keys.h"

namespace tavos {

double ReadDisabledState(FILE* stream) {
  char banner[41] = "";
  char state[21] = "";
  // Each read leaves a terminated (maybe empty) line even when nothing could be read.
  if (stream == nullptr || std::fgets(banner, sizeof banner, stream) == nullptr) banner[0] = '\0';
  if (stream == nullptr || std::fgets(state, sizeof state, stream) == nullptr) state[0] = '\0';
  // Settled here, once: the keys, the icon, the tooltip and the menu all read this one value,
  // so a stray "2", "inf" or "nan" cannot leave some of them enabled and others disabled.
  return std::strtod(state, nullptr) == 1.0 ? 1.0 : 0.0;
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
