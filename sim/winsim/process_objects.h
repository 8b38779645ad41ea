// Process handles and the modules of a simulated process: what OpenProcess, PSAPI and
// Toolhelp share.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"
#include "sim/winsim/handle_table.h"

namespace winsim {

class SimProcess;
class WindowsPc;

// A handle from OpenProcess.
class ProcessObject : public HandleObject {
 public:
  ProcessObject(DWORD id, DWORD rights) : pid(id), access(rights) {}
  const char* Kind() const override { return "process"; }
  const DWORD pid;
  const DWORD access;
};

struct SimModule {
  HMODULE handle;
  DWORD size;
  std::string path;
};

// The image first, then the system libraries every process of that Windows version maps.
std::vector<SimModule> ModulesOf(WindowsPc& pc, const SimProcess& process);

// The running process behind a handle from OpenProcess that was opened with every right in
// `access`; null, with the last error set, otherwise.
SimProcess* OpenedProcess(HANDLE handle, DWORD access);

// `text` cut to `size` - 1 characters and terminated; `size` must be at least 1.
void CopyCut(char* to, size_t size, const std::string& text);

}  // namespace winsim
