// End-to-end check of Tavos.exe, run as a Windows console program (under Wine on Linux):
//   tavos_e2e.exe <path of Tavos.exe>
// Starts Tavos, watches its windows, its settings file, the single-instance rule and the
// exit command from the outside. One line per check; the exit status is 1 on any failure.
#include <windows.h>

// Needs the types of windows.h.
#include <tlhelp32.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr UINT kExitCommand = 58112;
constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kPollPeriodMs = 650;
constexpr DWORD kSecondCopyTimeoutMs = 10000;
constexpr DWORD kExitTimeoutMs = 10000;
constexpr UINT kAnswerTimeoutMs = 1000;
constexpr DWORD kStepMs = 50;

int g_failures = 0;
int g_checks = 0;

void Ok(const char* what) {
  ++g_checks;
  std::printf("ok   %s\n", what);
  std::fflush(stdout);
}

void Fail(const char* what, const char* fmt, ...) {
  ++g_checks;
  ++g_failures;
  char detail[512];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(detail, sizeof detail, fmt, args);
  va_end(args);
  std::printf("FAIL %s: %s\n", what, detail);
  std::fflush(stdout);
}

// Passes or fails with "expected ..., got ..." built from the two strings.
void Expect(const char* what, bool passed, const std::string& expected, const std::string& got) {
  if (passed) {
    Ok(what);
  } else {
    Fail(what, "expected %s, got %s", expected.c_str(), got.c_str());
  }
}

void Info(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::printf("#    ");
  std::vprintf(fmt, args);
  std::printf("\n");
  va_end(args);
  std::fflush(stdout);
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RemoveFile(const std::string& path) {
  if (!FileExists(path)) return true;
  // Hidden or read-only attributes would make a later check see the old file.
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path.c_str());
  return !FileExists(path);
}

std::string AttributesText(DWORD attributes) {
  if (attributes == INVALID_FILE_ATTRIBUTES) return "no file";
  char text[32];
  std::snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(attributes));
  return text;
}

bool IsAlive(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }

std::string ExitCodeText(HANDLE process) {
  DWORD code = 0;
  if (!GetExitCodeProcess(process, &code)) return "no exit code";
  if (code == STILL_ACTIVE) return "still running";
  char text[40];
  std::snprintf(text, sizeof text, "exit code %lu", static_cast<unsigned long>(code));
  return text;
}

int CountProcessesNamed(const char* name) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (lstrcmpiA(entry.szExeFile, name) == 0) ++count;
  }
  CloseHandle(snapshot);
  return count;
}

// The top-level windows of one process, sorted by what they are. Both of Tavos's windows use
// classes registered by its framework ("Afx:..."); the frame is an overlapped window with a
// caption, the tray icon's window a bare pop-up.
struct ProcessWindows {
  DWORD pid = 0;
  HWND frame = nullptr;
  HWND tray = nullptr;
  int frames = 0;
  int trays = 0;
  int otherAfx = 0;
};

bool IsFrameStyle(LONG style) {
  return (style & WS_POPUP) == 0 && (style & WS_OVERLAPPEDWINDOW) == WS_OVERLAPPEDWINDOW;
}

bool IsTrayStyle(LONG style) { return (style & WS_POPUP) != 0 && (style & WS_CAPTION) == 0; }

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM param) {
  auto* windows = reinterpret_cast<ProcessWindows*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != windows->pid) return TRUE;
  char cls[256] = "";
  GetClassNameA(hwnd, cls, sizeof cls);
  // Wine and Windows add their own helper windows (IME and the like) to GUI threads.
  if (std::strncmp(cls, "Afx:", 4) != 0) return TRUE;
  LONG style = GetWindowLongA(hwnd, GWL_STYLE);
  if (IsFrameStyle(style)) {
    windows->frame = hwnd;
    ++windows->frames;
  } else if (IsTrayStyle(style)) {
    windows->tray = hwnd;
    ++windows->trays;
  } else {
    ++windows->otherAfx;
  }
  return TRUE;
}

ProcessWindows WindowsOf(DWORD pid) {
  ProcessWindows windows;
  windows.pid = pid;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::string WindowsText(const ProcessWindows& w) {
  char text[96];
  std::snprintf(text, sizeof text, "%d frame(s), %d tray window(s), %d other Afx window(s)",
                w.frames, w.trays, w.otherAfx);
  return text;
}

bool Answers(HWND hwnd) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &result) != 0;
}

std::string ReadKey(const std::string& file, const char* section, const char* key) {
  char value[128];
  GetPrivateProfileStringA(section, key, "<missing>", value, sizeof value, file.c_str());
  return value;
}

// A double-null-terminated list as returned by GetPrivateProfileString(A) with a null key or
// GetPrivateProfileSectionNamesA.
std::vector<std::string> SplitList(const char* buffer) {
  std::vector<std::string> items;
  for (const char* p = buffer; *p != '\0'; p += std::strlen(p) + 1) items.emplace_back(p);
  std::sort(items.begin(), items.end());
  return items;
}

std::string Join(const std::vector<std::string>& items) {
  std::string text;
  for (const auto& item : items) text += (text.empty() ? "" : " ") + item;
  return "[" + text + "]";
}

// Every section with its key names, "SECTION:KEY", sorted.
std::vector<std::string> ProfileLayout(const std::string& file) {
  std::vector<char> names(4096);
  GetPrivateProfileSectionNamesA(names.data(), DWORD(names.size()), file.c_str());
  std::vector<std::string> layout;
  for (const auto& section : SplitList(names.data())) {
    std::vector<char> keys(4096);
    GetPrivateProfileStringA(section.c_str(), nullptr, "", keys.data(), DWORD(keys.size()),
                             file.c_str());
    for (const auto& key : SplitList(keys.data())) layout.push_back(section + ":" + key);
  }
  std::sort(layout.begin(), layout.end());
  return layout;
}

struct Started {
  PROCESS_INFORMATION info{};
  bool ok = false;
  DWORD error = 0;
};

Started Start(const std::string& exe) {
  Started started;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::string commandLine = "\"" + exe + "\"";
  started.ok = CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &started.info) != 0;
  if (!started.ok) started.error = GetLastError();
  return started;
}

void Stop(Started& started) {
  if (!started.ok) return;
  if (IsAlive(started.info.hProcess)) {
    TerminateProcess(started.info.hProcess, 99);
    WaitForSingleObject(started.info.hProcess, 5000);
  }
  CloseHandle(started.info.hThread);
  CloseHandle(started.info.hProcess);
  started.ok = false;
}

int Finish(Started& first, Started& second) {
  Stop(second);
  Stop(first);
  std::printf("%d checks, %d failed\n", g_checks, g_failures);
  std::fflush(stdout);
  return g_failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tavos_e2e <path of Tavos.exe>\n");
    return 2;
  }
  const std::string tavos = argv[1];
  char windowsDir[MAX_PATH] = "";
  GetWindowsDirectoryA(windowsDir, MAX_PATH);
  const std::string settings = std::string(windowsDir) + "\\SelectFile.ini";
  const std::string stateFile = "C:\\Tavos.ini";
  Started first;
  Started second;

  // Preconditions: a clean slate, and the no-driver path under test.
  {
    bool removed = RemoveFile(settings) && RemoveFile(stateFile);
    Expect("old SelectFile.ini and C:\\Tavos.ini removed", removed, "neither file",
           FileExists(settings) ? settings : stateFile);
    int running = CountProcessesNamed("Tavos.exe");
    Expect("no copy of Tavos runs before the test", running == 0, "0 processes",
           std::to_string(running) + " process(es)");
    HANDLE driver =
        CreateFileA("\\\\.\\DRV1", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD error = GetLastError();
    if (driver != INVALID_HANDLE_VALUE) CloseHandle(driver);
    Expect("driver \\\\.\\DRV1 is absent", driver == INVALID_HANDLE_VALUE, "CreateFileA to fail",
           "a handle (error " + std::to_string(error) + ")");
  }

  // Start-up: both windows and the settings file, bounded.
  DWORD t0 = GetTickCount();
  first = Start(tavos);
  Expect("CreateProcessA starts Tavos", first.ok, "success",
         "error " + std::to_string(first.error) + " for " + tavos);
  if (!first.ok) return Finish(first, second);
  const DWORD pid = first.info.dwProcessId;
  ProcessWindows windows;
  bool settingsSeen = false;
  for (;;) {
    windows = WindowsOf(pid);
    settingsSeen = FileExists(settings);
    if (windows.frame != nullptr && windows.tray != nullptr && settingsSeen) break;
    if (!IsAlive(first.info.hProcess) || GetTickCount() - t0 >= kStartTimeoutMs) break;
    Sleep(kStepMs);
  }
  Info("start-up took %lu ms", static_cast<unsigned long>(GetTickCount() - t0));
  Expect("Tavos is still running after start-up", IsAlive(first.info.hProcess), "running",
         ExitCodeText(first.info.hProcess));
  Expect("main frame appears (Afx: class, WS_OVERLAPPEDWINDOW)", windows.frame != nullptr,
         "a frame within 30 s", WindowsText(windows));
  Expect("tray icon window appears (Afx: class, WS_POPUP)", windows.tray != nullptr,
         "a pop-up within 30 s", WindowsText(windows));
  Expect("exactly one frame, one tray window, no other Afx window",
         windows.frames == 1 && windows.trays == 1 && windows.otherAfx == 0,
         "1 frame(s), 1 tray window(s), 0 other Afx window(s)", WindowsText(windows));
  if (windows.frame != nullptr) {
    Expect("main frame answers WM_NULL after start-up", Answers(windows.frame),
           "an answer within 1 s", "no answer");
  }

  // The settings file with its defaults; no state file.
  DWORD attributes = GetFileAttributesA(settings.c_str());
  Expect("SelectFile.ini exists in the Windows directory", attributes != INVALID_FILE_ATTRIBUTES,
         settings, "no file");
  Expect("SelectFile.ini is hidden",
         attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN) != 0,
         "FILE_ATTRIBUTE_HIDDEN set", "attributes " + AttributesText(attributes));
  struct {
    const char* section;
    const char* key;
    const char* value;
  } const defaults[] = {{"ENABLESTART", "CHECK", "DISABLE"},
                        {"ENABLEMUTE", "CHECK", "DISABLE"},
                        {"ENABLEMUTE", "MUTE", "DISABLE"},
                        {"USERDEFINE", "EXECUTE", "NULL"}};
  for (const auto& d : defaults) {
    std::string got = ReadKey(settings, d.section, d.key);
    std::string what = std::string("SelectFile.ini [") + d.section + "] " + d.key + "=" + d.value;
    Expect(what.c_str(), got == d.value, d.value, "\"" + got + "\"");
  }
  std::vector<std::string> layout = ProfileLayout(settings);
  std::vector<std::string> wanted = {"ENABLEMUTE:CHECK", "ENABLEMUTE:MUTE", "ENABLESTART:CHECK",
                                     "USERDEFINE:EXECUTE"};
  Expect("SelectFile.ini holds those four keys and nothing else", layout == wanted, Join(wanted),
         Join(layout));
  Expect("C:\\Tavos.ini is not created", !FileExists(stateFile), "no file",
         "attributes " + AttributesText(GetFileAttributesA(stateFile.c_str())));

  if (windows.frame == nullptr || !IsAlive(first.info.hProcess)) return Finish(first, second);
  const HWND frame = windows.frame;
  const HWND tray = windows.tray;

  // No driver: the poll timer keeps retrying the open; the program must survive and stay
  // responsive over several periods. Waiting on the process returns early if it dies.
  const DWORD watchMs = 4 * kPollPeriodMs + 400;
  DWORD waited = WaitForSingleObject(first.info.hProcess, watchMs);
  Expect("Tavos still runs after 4 poll periods without a driver", waited == WAIT_TIMEOUT,
         "running after " + std::to_string(watchMs) + " ms", ExitCodeText(first.info.hProcess));
  Expect("main frame still answers WM_NULL within 1 s", IsWindow(frame) && Answers(frame),
         "an answer", IsWindow(frame) ? "no answer" : "no window");
  // Looked at only now: the windows are found while WM_CREATE still runs, before a
  // WS_VISIBLE style or a later ShowWindow would take effect.
  {
    ProcessWindows settled = WindowsOf(pid);
    Expect("still exactly the same frame and tray window",
           settled.frame == frame && settled.tray == tray && settled.frames == 1 &&
               settled.trays == 1 && settled.otherAfx == 0,
           "the same 1 frame(s), 1 tray window(s), 0 other Afx window(s)", WindowsText(settled));
    char title[256] = "";
    GetWindowTextA(frame, title, sizeof title);
    bool exists = IsWindow(frame) != 0;
    bool visible = IsWindowVisible(frame) != 0;
    Expect("main frame is hidden with an empty title", exists && !visible && title[0] == '\0',
           "hidden, title \"\"",
           std::string(!exists   ? "no window"
                       : visible ? "visible"
                                 : "hidden") +
               ", title \"" + title + "\"");
    if (tray != nullptr) {
      Expect("tray icon window is hidden", IsWindow(tray) && !IsWindowVisible(tray), "hidden",
             IsWindow(tray) ? "visible" : "no window");
    }
  }

  // Single instance: a second copy ends by itself; the first carries on.
  DWORD t1 = GetTickCount();
  second = Start(tavos);
  Expect("CreateProcessA starts a second copy", second.ok, "success",
         "error " + std::to_string(second.error));
  if (second.ok) {
    // A copy that wrongly carries on shows itself by its windows; one that just exits late
    // does not, so both are watched.
    DWORD ended = WAIT_TIMEOUT;
    ProcessWindows seen;
    for (;;) {
      ended = WaitForSingleObject(second.info.hProcess, 20);
      ProcessWindows now = WindowsOf(second.info.dwProcessId);
      if (now.frames + now.trays + now.otherAfx > seen.frames + seen.trays + seen.otherAfx)
        seen = now;
      if (ended != WAIT_TIMEOUT || GetTickCount() - t1 >= kSecondCopyTimeoutMs) break;
    }
    Info("second copy: %s after %lu ms", ExitCodeText(second.info.hProcess).c_str(),
         static_cast<unsigned long>(GetTickCount() - t1));
    Expect("second copy exits by itself within 10 s", ended == WAIT_OBJECT_0, "exited",
           ExitCodeText(second.info.hProcess));
    Expect("second copy opens no Afx window", seen.frames + seen.trays + seen.otherAfx == 0, "none",
           WindowsText(seen));
    Stop(second);
  }
  Expect("first copy keeps running next to the second", IsAlive(first.info.hProcess), "running",
         ExitCodeText(first.info.hProcess));
  ProcessWindows after = WindowsOf(pid);
  Expect("first copy keeps its frame and tray window",
         after.frame == frame && after.tray == tray && after.frames == 1 && after.trays == 1,
         "the same two windows", WindowsText(after));
  Expect("first copy's frame answers WM_NULL", IsWindow(frame) && Answers(frame), "an answer",
         "no answer");

  // The exit command: windows destroyed, message loop left with 0, all within 10 s.
  DWORD t2 = GetTickCount();
  BOOL posted = PostMessageA(frame, WM_COMMAND, kExitCommand, 0);
  Expect("WM_COMMAND 58112 posted to the frame", posted != 0, "success",
         "error " + std::to_string(GetLastError()));
  ProcessWindows left;
  for (;;) {
    left = WindowsOf(pid);
    bool gone =
        !IsWindow(frame) && !IsWindow(tray) && left.frames + left.trays + left.otherAfx == 0;
    if (gone || GetTickCount() - t2 >= kExitTimeoutMs) break;
    Sleep(kStepMs);
  }
  Expect("exit command destroys the frame and the tray window",
         !IsWindow(frame) && !IsWindow(tray) && left.frames + left.trays + left.otherAfx == 0,
         "no Afx window left", WindowsText(left));
  DWORD remaining = kExitTimeoutMs - std::min<DWORD>(kExitTimeoutMs, GetTickCount() - t2);
  DWORD ended = WaitForSingleObject(first.info.hProcess, remaining);
  Info("exit took %lu ms", static_cast<unsigned long>(GetTickCount() - t2));
  Expect("Tavos ends within 10 s of the exit command", ended == WAIT_OBJECT_0, "ended",
         ExitCodeText(first.info.hProcess));
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(first.info.hProcess, &code);
  Expect("Tavos exit code is 0", code == 0, "exit code 0", ExitCodeText(first.info.hProcess));
  int running = CountProcessesNamed("Tavos.exe");
  Expect("no copy of Tavos is left running", running == 0, "0 processes",
         std::to_string(running) + " process(es)");
  return Finish(first, second);
}
