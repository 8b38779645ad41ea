// Simulated processes and their user-interface threads: message queue, timers, last error.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32.h"
#include "sim/winsim/file_system.h"
#include "sim/winsim/resources.h"

namespace winsim {

class SimProcess;

// Unwinds a simulated thread whose process was ended from outside.
struct ThreadTerminated {};

struct TimerEntry {
  HWND hwnd;
  UINT_PTR id;
  UINT period;
  uint64_t nextDue;
  TIMERPROC proc;
};

// A message sent from the owner's thread to a window of a simulated thread.
struct SentMessage {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT result = 0;
  bool done = false;
};

// What the thread's GetMessageA waits for: the window and message range it asked for.
struct MessageFilter {
  HWND hwnd = nullptr;
  UINT first = 0;
  UINT last = 0;
  bool Matches(HWND target, UINT message) const;
};

// A thread blocked in WaitForSingleObject on a process: it runs again when that process has
// ended or when the clock reaches the deadline.
struct ObjectWait {
  bool active = false;
  DWORD pid = 0;
  bool timed = false;
  uint64_t deadline = 0;
};

class SimThread {
 public:
  SimThread(DWORD id, SimProcess* owner) : tid(id), process(owner) {}
  const DWORD tid;
  SimProcess* const process;
  bool begun = false;  // has had its first turn (a program started by a program waits for it)
  ObjectWait objectWait;
  DWORD lastError = 0;
  std::deque<MSG> posted;
  std::deque<SentMessage*> sent;
  bool quitPosted = false;
  int quitCode = 0;
  std::vector<TimerEntry> timers;
  MessageFilter waitingFor;
  bool finished = false;
  bool terminating = false;
  // Key input for the thread's windows, taken after the posted messages.
  std::deque<MSG> input;
  // The thread's own view of the keys (0x80 down, 0x01 toggled), as of the key input it has
  // taken from its queue or set with SetKeyboardState.
  std::array<uint8_t, 256> keyState{};
  bool playingJournal = false;  // inside its journal-playback hook
  // A popup menu was tracked and nothing was posted to the thread since: as on Windows, the
  // next popup then closes as soon as it opens.
  bool menuOwesTaskSwitch = false;
  std::thread host;
};

// A 16-bit Windows program running inside an NTVDM process.
struct WowTask {
  DWORD threadId;
  WORD hMod16;
  WORD hTask16;
  std::string moduleName;  // "SOL"
  std::string fileName;    // "C:\WINDOWS\SOL.EXE"
};

class SimProcess {
 public:
  SimProcess(DWORD id, std::string path, bool hasCode)
      : pid(id), exePath(std::move(path)), passive(!hasCode) {}
  const DWORD pid;
  const std::string exePath;
  const bool passive;  // no code of its own: a program the simulation only lists
  bool running = true;
  DWORD exitCode = 259;  // STILL_ACTIVE
  std::unique_ptr<SimThread> thread;
  ResourceModule resources;  // the program image's resources
  std::string commandLine;   // as GetCommandLineA gives it
  // The image file stays mapped while the process runs.
  std::unique_ptr<FileSystem::OpenToken> imageMapping;
  // What another process may learn of this one: system processes refuse OpenProcess
  // (ERROR_ACCESS_DENIED); a process may be opened yet have its loader data unreadable
  // (EnumProcessModules, or GetModuleFileNameExA alone, fail with ERROR_PARTIAL_COPY).
  bool openable = true;
  bool modulesReadable = true;
  bool moduleNamesReadable = true;
  bool system = false;  // started with Windows; replaced when the PC changes Windows version
  std::vector<WowTask> wowTasks;  // in start order; only an NTVDM has any
  // The libraries its image imports from ("USER32"); empty when the program declared no
  // import list, and then it is taken to import from every library.
  std::vector<std::string> importedLibraries;
  bool Imports(const std::string& library) const;
  // LoadLibraryA calls minus FreeLibrary calls the process made, by library ("PSAPI").
  std::map<std::string, int> libraryReferences;
  // What the program printed (standard output, where its starter redirected it); the first
  // kMaxStandardOutput bytes are kept.
  static constexpr size_t kMaxStandardOutput = 64 * 1024;
  std::string standardOutput;
  // Every program image loads at the same address, as on Windows.
  static HINSTANCE ImageBase() { return reinterpret_cast<HINSTANCE>(0x00400000); }
  // The file name without its folder ("Iexplore.exe").
  std::string ImageName() const;
};

}  // namespace winsim
