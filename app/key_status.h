// The per-tick hot-key status bytes and the fixed launch targets.
#pragma once

#include "platform/win32.h"

// Filled by a tick's reads, cleared by its closing step. 0 means no key.
extern PROCESS_WIDE BYTE g_byKeyStatus;   // driver path: port 0x040E
extern PROCESS_WIDE BYTE g_byKeyStatusA;  // direct path, model group A
extern PROCESS_WIDE BYTE g_byKeyStatusB;  // direct path, model group B
extern PROCESS_WIDE BYTE g_byKeyStatusC;  // media buttons; direct path model group C

// Programs the Internet and e-mail keys start, and their folders; built once at start.
extern PROCESS_WIDE char g_szBrowserDir[MAX_PATH];
extern PROCESS_WIDE char g_szBrowserExe[MAX_PATH];
extern PROCESS_WIDE char g_szMailDir[MAX_PATH];
extern PROCESS_WIDE char g_szMailExe[MAX_PATH];

namespace tavos {

constexpr WORD kLanguageGerman = 1031;
void BuildLaunchTargets(WORD languageId);
// The status byte a direct read with `model` fills, or null: the frame's port-value byte.
BYTE* KeyStatusForModel(const char* model);
void ClearKeyStatus();

}  // namespace tavos
