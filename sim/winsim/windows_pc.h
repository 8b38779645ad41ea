// The simulated Windows PC: one machine with its Windows version, drive C:, processes,
// windows and timers on a virtual clock, keyboard, shell, devices and the notebook beneath.
//
// Built for tests: everything observable goes to the timeline, everything a user or the
// hardware does is a method here, and time only moves when the owner moves it.
//
// Threads: each simulated process runs its code on a thread of its own, but only one thread
// runs at a time. The owner (a test or the scenario runner) hands the turn to a process,
// which runs until it waits for messages with nothing to do, or ends. So everything here is
// touched by one thread at a time and needs no locks beyond the turn itself.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32.h"
#include "sim/winsim/file_system.h"
#include "sim/winsim/gdi_objects.h"
#include "sim/winsim/handle_table.h"
#include "sim/winsim/menu_table.h"
#include "sim/winsim/os_profile.h"
#include "sim/winsim/registry.h"
#include "sim/winsim/service_manager.h"
#include "sim/winsim/timeline.h"
#include "sim/winsim/windows_functions.h"

namespace sim {
class Notebook;
class SimKernel;
struct AccessToken;
}  // namespace sim

namespace winsim {

class SimProcess;
class SimThread;
class WindowManager;
class Keyboard;
class SoundCard;
class DeviceInterfaces;
class NotificationArea;

// What a program file runs when it is started: the simulated PC knows programs by the bytes of
// their files, so a copy of a program runs the same program, and a file no program was
// registered for is no program at all (ERROR_BAD_EXE_FORMAT).
struct ProgramImage {
  std::function<int()> entry;            // its WinMain
  std::string resourceFile;              // compiled resources (.res), may be empty
  std::map<WORD, std::string> rawData;   // RT_RCDATA resources by id, besides those
  std::vector<WindowsFunction> imports;  // what it declares to the loader
};

class WindowsPc {
 public:
  // `sandbox` is the host folder that holds drive C:. The notebook and kernel may be null:
  // then there are no ports and no NT kernel (as on a PC without the driver's hardware).
  WindowsPc(const std::string& sandbox, const OsProfile& profile, LANGID language,
            sim::Notebook* notebook, sim::SimKernel* kernel);
  ~WindowsPc();
  WindowsPc(const WindowsPc&) = delete;
  WindowsPc& operator=(const WindowsPc&) = delete;

  // The PC that the Win32 functions act on; aborts when there is none.
  static WindowsPc& Current();

  // ---- machine
  const OsProfile& Profile() const { return profile_; }
  // Another Windows version: its system processes replace those of the one before.
  void SetProfile(const OsProfile& profile);
  LANGID Language() const { return language_; }
  void SetLanguage(LANGID language) { language_ = language; }
  // A process whose turn never ends (it always has work) is stopped after this many turns.
  static constexpr int kMaxTurnsPerSettle = 100000;
  // The next `count` version queries (GetVersionExA) fail.
  void FailVersionQueries(int count) { failVersionQueries_ = count; }
  bool TakeVersionQueryFailure();
  sim::Notebook* Notebook() const { return notebook_; }
  sim::SimKernel* Kernel() const { return profile_.IsNt() ? kernel_ : nullptr; }

  FileSystem& Files() { return files_; }
  Registry& Reg() { return registry_; }
  ServiceManager& Services() { return services_; }
  HandleTable& Handles() { return handles_; }
  MenuTable& Menus() { return menus_; }
  WindowManager& Windows() { return *windows_; }
  Keyboard& Keys() { return *keyboard_; }
  DeviceInterfaces& Interfaces() { return *interfaces_; }
  NotificationArea& Tray() { return *tray_; }
  SoundCard& Sound() { return *sound_; }
  GdiObjects& Gdi() { return gdi_; }
  // Installed journal-playback hooks, and every event they played (for tests).
  struct JournalHook {
    uintptr_t handle;
    HOOKPROC proc;
    SimThread* thread;
  };
  std::vector<JournalHook>& JournalHooks() { return journalHooks_; }
  // Ctrl+Esc, Ctrl+Alt+Del: Windows removes every journal-playback hook and posts
  // WM_CANCELJOURNAL to the thread of each. With `afterEvents` the keys are pressed while
  // the next playback runs, once it played that many events. False when `keys` is unknown.
  bool PressSystemKeys(const std::string& keys, int afterEvents = 0);
  // Called by the playback after each event it played.
  void JournalEventPlayed(int played);
  // Keyboard input that came while a playback ran waits, in order, until no journal-playback
  // hook is left; a full queue loses it (false).
  static constexpr size_t kMaxHeldInput = 256;
  bool HoldInput(uint8_t vk, bool up);
  void ReleaseHeldInput();
  // WH_GETMESSAGE hooks, each on the thread that installed it (thread hooks only).
  struct MessageHook {
    uintptr_t handle;
    HOOKPROC proc;
    SimThread* thread;
  };
  std::vector<MessageHook>& MessageHooks() { return messageHooks_; }
  uintptr_t NextHookHandle() { return nextHook_ += 4; }
  // The next `count` hook installations fail (as when the system refuses journal hooks).
  void FailHookInstalls(int count) { failHookInstalls_ = count; }
  bool TakeHookInstallFailure() { return failHookInstalls_ > 0 && failHookInstalls_-- > 0; }
  struct PlayedEvent {
    EVENTMSG event;
    HWND foreground;
  };
  std::vector<PlayedEvent>& PlayedEvents() { return playedEvents_; }
  Timeline& Events() { return timeline_; }

  // What Windows does with files when it next starts, before any program runs: the NT
  // family's pending renames and deletions (MoveFileExA), the 95 family's WININIT.INI. The
  // programs, windows and devices stay as they are: only the deferred file work is done.
  void ApplyBootFileOperations();

  // ---- time
  uint64_t Now() const { return clock_; }
  // Moves the clock to `time`, letting every process handle each timer that falls due and
  // every message it gets, in time order.
  void AdvanceTo(uint64_t time);
  void Advance(uint64_t milliseconds) { AdvanceTo(clock_ + milliseconds); }
  // Sleep: the caller's time passes; nothing else runs meanwhile.
  void SleepCurrent(uint64_t milliseconds);
  // Called whenever simulated code pauses: after each turn of a process, and before a
  // Sleep lets time pass. Observers of the hardware report what happened up to here.
  void SetPauseObserver(std::function<void(bool sleeping)> observer) { pauseObserver_ = observer; }

  // ---- processes
  // Starts a program whose code is `entry` (its WinMain), with the compiled resources in the
  // host file `resourceFile` (may be empty): it runs until it first waits. As Windows' loader
  // does, it refuses a program whose `imports` this version lacks: none of its code runs, the
  // system reports the first missing function, and the process is over before it began.
  SimProcess& StartProgram(const std::string& exePath, std::function<int()> entry,
                           const std::string& resourceFile = "",
                           const std::vector<WindowsFunction>& imports = {});
  // The program a file whose bytes are `bytes` runs.
  void InstallProgramImage(const std::string& bytes, ProgramImage image);
  const ProgramImage* ProgramImageOf(const std::string& bytes) const;
  // Starts the program file `exePath` with `commandLine` (quoted path when empty), as
  // CreateProcessA does; null with `error` set when the file is missing or no program. From
  // a simulated program it only creates the process, which runs at the owner's next turn.
  SimProcess* Launch(const std::string& exePath, const std::string& commandLine, DWORD* error);
  // Starts a program without code of its own (the browser, a mail program, ...).
  SimProcess& StartPassiveProcess(const std::string& exePath);
  // A top-level window of a program without code, with its class and title.
  HWND AddWindowOf(SimProcess& process, const std::string& className, const std::string& title,
                   WNDPROC proc = DefWindowProcA);
  // The shell's file associations: the program that opens a document type (".txt") or an
  // address scheme ("http:"), both lower case; null when none is registered.
  void Associate(const std::string& type, const std::string& program) {
    associations_[type] = program;
  }
  const std::string* AssociatedProgram(const std::string& type) const {
    auto found = associations_.find(type);
    return found == associations_.end() ? nullptr : &found->second;
  }
  // Called for every program without code that starts (its simulated behaviour, if any).
  void SetPassiveStartObserver(std::function<void(SimProcess&)> observer) {
    passiveStarted_ = observer;
  }
  // Starts the 16-bit Windows program `filePath` inside `ntvdm`, a running process whose file
  // is "NTVDM.EXE". Returns its task handle; 0, starting nothing, for any other process.
  WORD StartWowTask(SimProcess& ntvdm, const std::string& filePath);
  void EndProcess(SimProcess& process, DWORD exitCode);
  // Ends every program as a shutdown would: each unwinds on its own thread while the machine
  // is still whole. The PC may be asked what happened afterwards; nothing runs on it again.
  void ShutDown();
  std::vector<SimProcess*> Processes() const;  // running ones, in start order
  // At most this many programs run at once; the shell refuses another as Windows does when
  // memory or resources run out. A notebook of that time ran out far sooner (the 9x family's
  // 64 KB USER heap, the NT family's desktop heap); the number is ours, above any list Tavos
  // sizes a buffer for (256), and it bounds what every walk of the process list costs.
  static constexpr size_t kMaxRunningProcesses = 1024;
  SimProcess* FindProcess(DWORD pid) const;
  // Running or ended.
  SimProcess* FindAnyProcess(DWORD pid) const;
  // Lets every process handle what it has pending, until all wait.
  void Settle();

  // ---- accounts: who opens, for the NT kernel's access checks
  // Programs run as the logged-on user (an administrator at the keyboard unless set), or as
  // the account set for their process; the owner's thread acts as the logged-on user.
  void SetLoggedOnUser(const sim::AccessToken& token);
  void SetProcessAccount(DWORD pid, const sim::AccessToken& token);
  const sim::AccessToken& CallerAccount() const;
  // Whether the caller may do what only administrators may: always on the 95 family, which
  // has no such notion; on the NT family a member of the Administrators or SYSTEM.
  bool CallerIsAdministrator() const;

  // ---- COM: whether each thread initialised it (by thread id, 0 for the owner's), and what
  // is alive, so that a test sees a program release its objects and free the shell's memory.
  struct ComState {
    std::map<DWORD, int> initialized;
    int liveObjects = 0;
    int shellBlocks = 0;
  };
  ComState& Com() { return com_; }

  // ---- what the simulation could not do, and what a program did wrong
  void Stub(const std::string& what);
  const std::vector<std::string>& Stubs() const { return stubs_; }
  void Violation(const std::string& what);
  const std::vector<std::string>& Violations() const { return violations_; }
  // What programs left behind: a program that ended on its own must have removed every hook
  // and timer and freed every window, handle and library it took ("Tavos.exe left 1 file
  // handle open"); a program still running when the PC shuts down must hold no hook, since a
  // hook is only ever needed while its thread is busy with it.
  const std::vector<std::string>& Leaks() const { return leaks_; }

  // ---- scheduling (used by the Win32 functions)
  SimThread* CurrentThread() const;  // null on the owner's thread
  // Whether the calling host thread runs a simulated program (safe without a PC).
  static bool OnSimulatedThread();
  DWORD CurrentPid() const;  // 0 on the owner's thread
  // The thread's turn ends until it has work again (messages, due timers) or ends.
  void WaitForWork(SimThread& thread);
  bool HasWork(const SimThread& thread) const;
  void RunUntilIdle(SimThread& thread);

 private:
  void RunThread(SimThread* thread, std::function<int()> entry);
  SimProcess& Start(const std::string& exePath, std::function<int()> entry,
                    const std::string& resourceFile, const std::map<WORD, std::string>& rawData,
                    const std::vector<WindowsFunction>& imports, const std::string& commandLine);
  // Adds to Leaks() what `process` holds: everything, or only its hooks.
  void RecordLeftBehind(const SimProcess& process, bool hooksOnly);
  DWORD NextId() { return nextId_ += 4; }
  // The processes Windows runs before any user program: silent, and with fixed ids apart
  // from the programs' ones, so that program ids stay the same on every version.
  void BootSystemProcesses();
  // The folders every installation of the profile's version has (Program Files, the system
  // and temporary folders, the Start menu's).
  void BootFolders();

  OsProfile profile_;
  LANGID language_;
  int failVersionQueries_ = 0;
  sim::Notebook* notebook_;
  sim::SimKernel* kernel_;
  std::unique_ptr<sim::AccessToken> loggedOnUser_;
  std::map<DWORD, std::unique_ptr<sim::AccessToken>> processAccounts_;
  uint64_t clock_ = 0;
  Timeline timeline_{clock_};
  // Declared before the handles: open file handles are destroyed while the drive still exists.
  FileSystem files_;
  Registry registry_;
  ServiceManager services_{registry_};
  HandleTable handles_;
  MenuTable menus_;
  std::unique_ptr<WindowManager> windows_;
  std::unique_ptr<Keyboard> keyboard_;
  std::unique_ptr<DeviceInterfaces> interfaces_;
  std::unique_ptr<NotificationArea> tray_;
  std::unique_ptr<SoundCard> sound_;
  GdiObjects gdi_;
  std::vector<JournalHook> journalHooks_;
  std::vector<MessageHook> messageHooks_;
  std::vector<std::pair<uint8_t, bool>> heldInput_;  // key, up
  std::string pendingSystemKeys_;  // pressed during the next playback
  int pendingSystemKeysAfter_ = 0;
  std::vector<PlayedEvent> playedEvents_;
  uintptr_t nextHook_ = 0x10000;
  int failHookInstalls_ = 0;
  std::vector<std::unique_ptr<SimProcess>> processes_;  // running and ended
  DWORD nextId_ = 0x100;
  WORD nextHandle16_ = 0x0F96;  // the 16-bit module and task handles handed out next
  std::vector<std::string> stubs_;
  std::vector<std::string> violations_;
  std::vector<std::string> leaks_;
  std::function<void(bool)> pauseObserver_;
  std::function<void(SimProcess&)> passiveStarted_;
  std::map<std::string, std::string> associations_;
  std::map<std::string, ProgramImage> programImages_;  // by file bytes
  ComState com_;

  // The turn: which thread may run. Null means the owner's thread.
  std::mutex turnMutex_;
  std::condition_variable turnChanged_;
  SimThread* turn_ = nullptr;
  WindowsPc* previous_;
};

}  // namespace winsim
