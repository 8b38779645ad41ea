// The IN and OUT instructions, for the Windows build.
#include <intrin.h>

#include "platform/port_io.h"

BYTE DirectPortIn(WORD port) { return __inbyte(port); }

void DirectPortOut(WORD port, BYTE value) { __outbyte(port, value); }
