// The simulated PC: processes, the turn between their threads, and the virtual clock.
#include "sim/winsim/windows_pc.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/win32.h"
#include "sim/kernel/security.h"
#include "sim/winsim/device_interfaces.h"
#include "sim/winsim/keyboard.h"
#include "sim/winsim/notification_area.h"
#include "sim/winsim/screen_text.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/sim_scope.h"
#include "sim/winsim/sound_card.h"
#include "sim/winsim/system_classes.h"
#include "sim/winsim/window_manager.h"

namespace winsim {

thread_local int SimScope::depth_ = 0;

namespace {
constexpr DWORD kStatusEntryPointNotFound = 0xC0000139;  // how the NT loader ends such a process
WindowsPc* g_current = nullptr;
thread_local SimThread* t_thread = nullptr;
}  // namespace

bool SimProcess::Imports(const std::string& library) const {
  if (importedLibraries.empty() || strcasecmp(library.c_str(), "KERNEL32") == 0) return true;
  for (const std::string& imported : importedLibraries)
    if (strcasecmp(imported.c_str(), library.c_str()) == 0) return true;
  return false;
}

// Windows keeps the path in Unicode and splits it there: on a Japanese system (code page 932)
// the trail byte of a double-byte character may be a backslash's code and is still part of
// the name, as in Toolhelp's szExeFile on NT ("\x83\\MP3Player.exe" is not the MP3 player).
std::string SimProcess::ImageName() const {
  size_t name = 0;
  for (size_t at = 0; at < exePath.size(); ++at) {
    if (g_current != nullptr && IsDBCSLeadByte(BYTE(exePath[at])) && at + 1 < exePath.size()) {
      ++at;
      continue;
    }
    if (exePath[at] == '\\' || exePath[at] == '/') name = at + 1;
  }
  return exePath.substr(name);
}

bool MessageFilter::Matches(HWND target, UINT message) const {
  if (hwnd != nullptr && hwnd != target) return false;
  if (first == 0 && last == 0) return true;
  return message >= first && message <= last;
}

WindowsPc::WindowsPc(const std::string& sandbox, const OsProfile& profile, LANGID language,
                     sim::Notebook* notebook, sim::SimKernel* kernel)
    : profile_(profile),
      language_(language),
      notebook_(notebook),
      kernel_(kernel),
      files_(sandbox),
      windows_(std::make_unique<WindowManager>()),
      keyboard_(std::make_unique<Keyboard>()),
      interfaces_(std::make_unique<DeviceInterfaces>()),
      tray_(std::make_unique<NotificationArea>()),
      sound_(std::make_unique<SoundCard>()),
      previous_(g_current) {
  RegisterSystemClasses(*windows_);
  BootSystemProcesses();
  BootFolders();
  registry_.Boot(profile_);
  g_current = this;
}

WindowsPc::~WindowsPc() {
  ShutDown();
  g_current = previous_;
}

void WindowsPc::ShutDown() {
  for (auto& process : processes_) {
    SimThread* thread = process->thread.get();
    if (thread == nullptr || thread->finished) continue;
    if (!thread->terminating) RecordLeftBehind(*process, true);
    thread->terminating = true;
    RunUntilIdle(*thread);
  }
  for (auto& process : processes_)
    if (process->thread && process->thread->host.joinable()) process->thread->host.join();
}

WindowsPc& WindowsPc::Current() {
  if (g_current == nullptr) {
    std::fprintf(stderr, "a Win32 function was called with no simulated PC running\n");
    std::abort();
  }
  return *g_current;
}

void WindowsPc::SetProfile(const OsProfile& profile) {
  profile_ = profile;
  BootSystemProcesses();
  BootFolders();
  registry_.Boot(profile_);
}

void WindowsPc::BootFolders() {
  std::vector<std::string> folders = {"C:\\Program Files", SystemDirectory(profile_),
                                      TempDirectory(profile_), UserProgramsDirectory(profile_)};
  if (profile_.IsNt()) folders.push_back(SystemDirectory(profile_) + "\\drivers");
  if (!CommonProgramsDirectory(profile_).empty())
    folders.push_back(CommonProgramsDirectory(profile_));
  for (const std::string& folder : folders) {
    std::string host;
    std::error_code error;
    if (files_.ToHostPath(folder, &host)) std::filesystem::create_directories(host, error);
  }
}

bool WindowsPc::CallerIsAdministrator() const {
  if (!profile_.IsNt()) return true;
  const sim::AccessToken& caller = CallerAccount();
  return caller.Has(sim::Sid::Administrators()) || caller.user == sim::Sid::LocalSystem();
}

void WindowsPc::BootSystemProcesses() {
  processes_.erase(std::remove_if(processes_.begin(), processes_.end(),
                                  [](const std::unique_ptr<SimProcess>& p) { return p->system; }),
                   processes_.end());
  struct Boot {
    DWORD pid;
    std::string path;
    bool openable;
  };
  const std::string windows = files_.WindowsDirectory();
  std::vector<Boot> boot;
  if (profile_.IsNt()) {
    // The idle and System processes and the Win32 server refuse even an administrator. The
    // early ones still carry NT path names in their loader data.
    DWORD systemPid = profile_.major < 5 ? 2 : profile_.major == 5 && profile_.minor == 0 ? 8 : 4;
    boot = {{0, "[System Process]", false},
            {systemPid, "System", false},
            {0x88, "\\SystemRoot\\System32\\smss.exe", true},
            {0xA0, "\\??\\" + windows + "\\system32\\csrss.exe", false},
            {0xB4, "\\??\\" + windows + "\\system32\\winlogon.exe", true},
            {0xF0, windows + "\\Explorer.EXE", true}};
  } else {
    // The Windows 95 family has no process security. Its ids are scrambled addresses.
    boot = {{0xFFFB0E5F, windows + "\\SYSTEM\\KERNEL32.DLL", true},
            {0xFFFA4C33, windows + "\\SYSTEM\\MSGSRV32.EXE", true},
            {0xFFF9D8A7, windows + "\\SYSTEM\\MPREXE.EXE", true},
            {0xFFF6F1BF, windows + "\\EXPLORER.EXE", true}};
  }
  std::vector<std::unique_ptr<SimProcess>> booted;
  for (const Boot& b : boot) {
    booted.push_back(std::make_unique<SimProcess>(b.pid, b.path, false));
    booted.back()->openable = b.openable;
    booted.back()->system = true;
  }
  processes_.insert(processes_.begin(), std::make_move_iterator(booted.begin()),
                    std::make_move_iterator(booted.end()));
}

bool WindowsPc::TakeVersionQueryFailure() {
  if (failVersionQueries_ <= 0) return false;
  --failVersionQueries_;
  return true;
}

SimThread* WindowsPc::CurrentThread() const { return t_thread; }

bool WindowsPc::OnSimulatedThread() { return t_thread != nullptr; }

DWORD WindowsPc::CurrentPid() const { return t_thread ? t_thread->process->pid : 0; }

SimProcess& WindowsPc::StartPassiveProcess(const std::string& exePath) {
  processes_.push_back(std::make_unique<SimProcess>(NextId(), exePath, false));
  SimProcess& process = *processes_.back();
  process.commandLine = "\"" + exePath + "\"";
  if (files_.IsFile(exePath)) process.imageMapping = files_.RegisterImageMapping(exePath);
  timeline_.Add("process start " + Quote(process.ImageName()) +
                " pid=" + std::to_string(process.pid));
  if (passiveStarted_) passiveStarted_(process);
  return process;
}

HWND WindowsPc::AddWindowOf(SimProcess& process, const std::string& className,
                            const std::string& title, WNDPROC proc) {
  SimWindow window{};
  window.className = className;
  window.proc = proc;
  window.thread = nullptr;
  window.pid = process.pid;
  window.style = WS_OVERLAPPEDWINDOW;
  window.text = title;
  window.visible = true;
  return windows_->Add(window);
}

WORD WindowsPc::StartWowTask(SimProcess& ntvdm, const std::string& filePath) {
  if (!ntvdm.running || strcasecmp(ntvdm.ImageName().c_str(), "NTVDM.EXE") != 0) return 0;
  WowTask task;
  task.threadId = NextId();
  // Handle 0 means "none" to the callers, so the counter skips it when it wraps.
  for (WORD* handle : {&task.hMod16, &task.hTask16}) {
    if (nextHandle16_ == 0) nextHandle16_ = 8;
    *handle = nextHandle16_;
    nextHandle16_ = WORD(nextHandle16_ + 8);
  }
  // The module name is the file name without its extension, upper case, at most 8 letters.
  size_t slash = filePath.find_last_of("\\/");
  std::string name = slash == std::string::npos ? filePath : filePath.substr(slash + 1);
  task.moduleName = name.substr(0, std::min(name.find('.'), size_t(8)));
  for (char& c : task.moduleName) c = char(std::toupper(static_cast<unsigned char>(c)));
  task.fileName = filePath;
  ntvdm.wowTasks.push_back(task);
  char handle[8];
  std::snprintf(handle, sizeof handle, "0x%04X", task.hTask16);
  timeline_.Add("task start " + Quote(name) + " pid=" + std::to_string(ntvdm.pid) +
                " htask=" + handle);
  return task.hTask16;
}

SimProcess& WindowsPc::StartProgram(const std::string& exePath, std::function<int()> entry,
                                    const std::string& resourceFile,
                                    const std::vector<WindowsFunction>& imports) {
  return Start(exePath, std::move(entry), resourceFile, {}, imports, "");
}

void WindowsPc::InstallProgramImage(const std::string& bytes, ProgramImage image) {
  programImages_[bytes] = std::move(image);
}

const ProgramImage* WindowsPc::ProgramImageOf(const std::string& bytes) const {
  auto found = programImages_.find(bytes);
  return found == programImages_.end() ? nullptr : &found->second;
}

SimProcess* WindowsPc::Launch(const std::string& exePath, const std::string& commandLine,
                              DWORD* error) {
  std::string path, bytes;
  if (!files_.Normalize(exePath, &path) || !files_.ParentExists(path)) {
    *error = ERROR_PATH_NOT_FOUND;
    return nullptr;
  }
  if (!files_.IsFile(path) || !files_.ReadFile(path, &bytes)) {
    *error = ERROR_FILE_NOT_FOUND;
    return nullptr;
  }
  const ProgramImage* image = ProgramImageOf(bytes);
  if (image == nullptr) {
    *error = ERROR_BAD_EXE_FORMAT;
    return nullptr;
  }
  return &Start(path, image->entry, image->resourceFile, image->rawData, image->imports,
                commandLine);
}

SimProcess& WindowsPc::Start(const std::string& exePath, std::function<int()> entry,
                             const std::string& resourceFile,
                             const std::map<WORD, std::string>& rawData,
                             const std::vector<WindowsFunction>& imports,
                             const std::string& commandLine) {
  processes_.push_back(std::make_unique<SimProcess>(NextId(), exePath, true));
  SimProcess& process = *processes_.back();
  process.commandLine = commandLine.empty() ? "\"" + exePath + "\"" : commandLine;
  if (const WindowsFunction* missing = FirstMissingImport(profile_, imports)) {
    // The loader's own words: the NT family names the entry point, the 9x family the export.
    std::string library = std::string(missing->library) + ".DLL";
    std::string text =
        profile_.IsNt() ? "The procedure entry point " + std::string(missing->name) +
                              " could not be located in the dynamic link library " + library + "."
                        : "The " + process.ImageName() + " file is linked to missing export " +
                              library + ":" + missing->name + ".";
    timeline_.Add("process refused " + Quote(process.ImageName()) + " system message " +
                  Quote(text));
    process.running = false;
    process.exitCode = kStatusEntryPointNotFound;
    return process;
  }
  if (!resourceFile.empty() && !process.resources.Load(resourceFile))
    Violation("cannot load the resources " + resourceFile);
  for (const WindowsFunction& function : imports)
    if (!process.Imports(function.library) || process.importedLibraries.empty())
      process.importedLibraries.push_back(function.library);
  for (const auto& [id, data] : rawData) process.resources.Add(kResourceRawData, id, data);
  if (files_.IsFile(exePath)) process.imageMapping = files_.RegisterImageMapping(exePath);
  timeline_.Add("process start " + Quote(process.ImageName()) +
                " pid=" + std::to_string(process.pid));
  process.thread = std::make_unique<SimThread>(NextId(), &process);
  SimThread* thread = process.thread.get();
  thread->host = std::thread([this, thread, entry] { RunThread(thread, entry); });
  // A program started by a program runs when the owner next lets processes run.
  if (t_thread == nullptr) RunUntilIdle(*thread);
  return process;
}

void WindowsPc::RunThread(SimThread* thread, std::function<int()> entry) {
  {
    std::unique_lock<std::mutex> lock(turnMutex_);
    turnChanged_.wait(lock, [&] { return turn_ == thread; });
  }
  t_thread = thread;
  thread->begun = true;
  DWORD exitCode = 0;
  bool endedItself = false;
  if (!thread->terminating) {
    try {
      exitCode = DWORD(entry());
      endedItself = true;
    } catch (const ThreadTerminated&) {
      exitCode = 1;
    }
  }
  // Windows cleans up after any program; a program that ended on its own should not need it.
  if (endedItself && thread->process->running) RecordLeftBehind(*thread->process, false);
  EndProcess(*thread->process, exitCode);
  t_thread = nullptr;
  std::lock_guard<std::mutex> lock(turnMutex_);
  thread->finished = true;
  turn_ = nullptr;
  turnChanged_.notify_all();
}

void WindowsPc::EndProcess(SimProcess& process, DWORD exitCode) {
  if (!process.running) return;
  process.running = false;
  process.exitCode = exitCode;
  process.imageMapping.reset();
  if (SimThread* thread = process.thread.get()) {
    // A thread's windows go with it, without further messages, and their tray icons too.
    for (HWND hwnd : windows_->WindowsOf(thread)) {
      ReportHidden(*this, *windows_->Find(hwnd));
      tray_->RemoveIconsOf(hwnd);
      windows_->CloseSurface(hwnd);
      windows_->Remove(hwnd);
    }
    thread->timers.clear();
    thread->posted.clear();
    thread->input.clear();
  } else {
    for (HWND hwnd : windows_->WindowsOfProcess(process.pid)) windows_->Remove(hwnd);
  }
  handles_.CloseAllOf(process.pid);
  // A hook goes with the thread that installed it.
  journalHooks_.erase(std::remove_if(journalHooks_.begin(), journalHooks_.end(),
                                     [&](const JournalHook& hook) { return hook.thread->process == &process; }),
                      journalHooks_.end());
  messageHooks_.erase(std::remove_if(messageHooks_.begin(), messageHooks_.end(),
                                     [&](const MessageHook& hook) { return hook.thread->process == &process; }),
                      messageHooks_.end());
  ReleaseHeldInput();
  sound_->CloseAllOf(process.pid);
  gdi_.DeleteAllOf(process.pid);
  timeline_.Add("process end " + Quote(process.ImageName()) + " code=" + std::to_string(exitCode));
}

void WindowsPc::RecordLeftBehind(const SimProcess& process, bool hooksOnly) {
  std::vector<std::string> left;
  SimThread* thread = process.thread.get();
  size_t journal = 0, message = 0;
  for (const JournalHook& hook : journalHooks_) journal += hook.thread == thread;
  for (const MessageHook& hook : messageHooks_) message += hook.thread == thread;
  if (journal) left.push_back(std::to_string(journal) + " journal-playback hook installed");
  if (message) left.push_back(std::to_string(message) + " WH_GETMESSAGE hook installed");
  if (!hooksOnly) {
    if (thread != nullptr && !thread->timers.empty())
      left.push_back(std::to_string(thread->timers.size()) + " timer running");
    if (thread != nullptr) {
      size_t windows = windows_->WindowsOf(thread).size();
      if (windows) left.push_back(std::to_string(windows) + " window not destroyed");
    }
    for (const std::string& kind : handles_.OpenKindsOf(process.pid))
      left.push_back(kind + " handle open");
    // Windows NT frees what is left, but the 95 family's GDI heap is the whole system's.
    if (size_t objects = gdi_.CountOf(process.pid))
      left.push_back(std::to_string(objects) + " GDI object not deleted");
    for (const auto& [library, references] : process.libraryReferences)
      if (references > 0)
        left.push_back(library + " loaded " + std::to_string(references) +
                       " time(s) more than freed");
  }
  const std::string who = process.ImageName() + " (pid " + std::to_string(process.pid) + ") ";
  for (const std::string& what : left)
    leaks_.push_back(
        who + (hooksOnly ? "still had " + what + " when the PC shut down" : "ended with " + what));
}

std::vector<SimProcess*> WindowsPc::Processes() const {
  std::vector<SimProcess*> running;
  for (auto& process : processes_)
    if (process->running) running.push_back(process.get());
  return running;
}

SimProcess* WindowsPc::FindAnyProcess(DWORD pid) const {
  for (auto& process : processes_)
    if (process->pid == pid) return process.get();
  return nullptr;
}

SimProcess* WindowsPc::FindProcess(DWORD pid) const {
  for (auto& process : processes_)
    if (process->pid == pid && process->running) return process.get();
  return nullptr;
}

bool WindowsPc::HasWork(const SimThread& thread) const {
  if (thread.finished) return false;
  if (!thread.begun || thread.terminating) return true;
  // Blocked on a process: only its end or the deadline wakes the thread.
  if (thread.objectWait.active)
    return FindProcess(thread.objectWait.pid) == nullptr ||
           (thread.objectWait.timed && clock_ >= thread.objectWait.deadline);
  if (thread.quitPosted || !thread.sent.empty()) return true;
  for (const MSG& msg : thread.posted)
    if (thread.waitingFor.Matches(msg.hwnd, msg.message)) return true;
  for (const MSG& msg : thread.input)
    if (thread.waitingFor.Matches(msg.hwnd, msg.message)) return true;
  for (const TimerEntry& timer : thread.timers)
    if (timer.nextDue <= clock_ && thread.waitingFor.Matches(timer.hwnd, WM_TIMER)) return true;
  return false;
}

void WindowsPc::RunUntilIdle(SimThread& thread) {
  if (t_thread != nullptr) {
    Stub("a simulated thread handing its turn to another thread");
    return;
  }
  if (thread.finished) return;
  {
    std::unique_lock<std::mutex> lock(turnMutex_);
    turn_ = &thread;
    turnChanged_.notify_all();
    turnChanged_.wait(lock, [&] { return turn_ == nullptr; });
  }
  // A finished thread still runs its thread-local destructors: wait for them too.
  if (thread.finished && thread.host.joinable()) thread.host.join();
  if (pauseObserver_) pauseObserver_(false);
}

void WindowsPc::SleepCurrent(uint64_t milliseconds) {
  if (pauseObserver_) pauseObserver_(true);
  clock_ += milliseconds;
}

void WindowsPc::WaitForWork(SimThread& thread) {
  {
    std::unique_lock<std::mutex> lock(turnMutex_);
    turn_ = nullptr;
    turnChanged_.notify_all();
    turnChanged_.wait(lock, [&] { return turn_ == &thread; });
  }
  if (thread.terminating) {
    // The session ends: the program's windows go (frames delete themselves as they do),
    // then its stack unwinds.
    for (HWND hwnd : windows_->WindowsOf(&thread)) {
      SimWindow* window = windows_->Find(hwnd);
      if (window != nullptr && window->parent == nullptr && !window->destroying)
        DestroyWindow(hwnd);
    }
    throw ThreadTerminated{};
  }
}

void WindowsPc::Settle() {
  for (int turns = 0;; ++turns) {
    bool ran = false;
    for (size_t i = 0; i < processes_.size(); ++i) {
      SimThread* thread = processes_[i]->thread.get();
      if (thread != nullptr && HasWork(*thread)) {
        RunUntilIdle(*thread);
        ran = true;
      }
    }
    if (!ran) return;
    if (turns == kMaxTurnsPerSettle) {
      Violation("a process never waits: it always has messages to handle");
      return;
    }
  }
}

void WindowsPc::AdvanceTo(uint64_t time) {
  Settle();
  while (true) {
    uint64_t next = time;
    for (auto& process : processes_) {
      SimThread* thread = process->thread.get();
      if (thread == nullptr || thread->finished) continue;
      for (const TimerEntry& timer : thread->timers)
        if (timer.nextDue > clock_) next = std::min(next, timer.nextDue);
      const ObjectWait& wait = thread->objectWait;
      if (wait.active && wait.timed && wait.deadline > clock_) next = std::min(next, wait.deadline);
    }
    clock_ = std::max(clock_, next);
    Settle();
    if (clock_ >= time) return;
  }
}

void WindowsPc::Stub(const std::string& what) {
  stubs_.push_back(what);
  timeline_.Add("stub " + Quote(what));
}

void WindowsPc::Violation(const std::string& what) {
  violations_.push_back(what);
  timeline_.Add("violation " + Quote(what));
}

}  // namespace winsim
