// Byte-wide port input and output executed by the program itself. Only the Windows 95
// family lets a user-mode program do this; the NT family stops the process.
#pragma once

#include "platform/win32.h"

BYTE DirectPortIn(WORD port);
void DirectPortOut(WORD port, BYTE value);
