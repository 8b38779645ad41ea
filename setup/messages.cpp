// Message boxes and failure texts.
#include "setup/messages.h"

namespace setup {

void ErrorText(const char* before, DWORD error, LineText* text) {
  text->Clear();
  text->Append(before).Append(" (error ").AppendNumber(error).Append(").");
}

int Tell(bool silent, const char* caption, const char* text, UINT type) {
  if (silent) return IDOK;
  return MessageBoxA(nullptr, text, caption, type);
}

}  // namespace setup
