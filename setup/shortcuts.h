// Start menu shortcuts, made by the shell's link object through COM (IShellLinkA and
// IPersistFile, which Windows 95 and NT 4.0 have).
#pragma once

#include "platform/win32.h"

namespace setup {

// Writes the shortcut file `link` to `target`, started in `folder`. S_OK or the failure.
HRESULT MakeShortcut(const char* link, const char* target, const char* folder);

}  // namespace setup
