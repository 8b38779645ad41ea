// Message boxes, shown only when the setup runs interactively.
#pragma once

#include "platform/win32.h"
#include "setup/bounded_text.h"

namespace setup {

// `before` " (error N)." as the failure texts read.
void ErrorText(const char* before, DWORD error, LineText* text);

// Shows `text` unless `silent`; returns the button (IDOK when silent, as NSIS's /SD IDOK).
int Tell(bool silent, const char* caption, const char* text, UINT type);

}  // namespace setup
