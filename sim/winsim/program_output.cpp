// printf from program code. A Windows program of the GUI subsystem has no console: what it
// prints reaches a file only when its starter redirected standard output. The simulated PC
// keeps it with the process, so tests can read it and it never mixes into the host's stdout.
#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/win32.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/windows_pc.h"

int WinSimPrintf(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  va_list measuring;
  va_copy(measuring, arguments);
  int length = std::vsnprintf(nullptr, 0, format, measuring);
  va_end(measuring);
  std::string text(length > 0 ? size_t(length) : 0, '\0');
  if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, arguments);
  va_end(arguments);
  if (length < 0) return length;

  winsim::WindowsPc& pc = winsim::WindowsPc::Current();
  winsim::SimProcess* process = pc.FindProcess(pc.CurrentPid());
  if (process == nullptr) return length;  // the owner's thread has no standard output
  // A program printing without end must not eat the host's memory: the first part is kept.
  size_t room = winsim::SimProcess::kMaxStandardOutput - std::min(process->standardOutput.size(),
                                                                 winsim::SimProcess::kMaxStandardOutput);
  process->standardOutput.append(text, 0, std::min(room, text.size()));
  return length;
}
