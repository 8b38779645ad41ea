// Functions looked up by name at run time, so that the program still loads on Windows
// versions that lack them.
#pragma once

#include "platform/win32.h"

// `*function` becomes the export `name` of `module`, or null when either is missing.
template <class Function>
void BindFunction(HMODULE module, const char* name, Function* function) {
  *function =
      module
          ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
          : nullptr;
}
