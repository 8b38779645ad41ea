// The scenario host: runs inside Wine and does, for tavos-sim --wine, what each scenario
// statement asks of the real Tavos.exe and the notebook behind portio. It reads one command a
// line on stdin and answers with event lines, each "@MS EVENT" (MS: the scenario's time), and
// then "done" or "refused TEXT". Strings travel as hex (wine_channel.h).
//
// Commands: os NAME | ec ready | ec busy N | ec stuck | press BITS | media BITS |
//           file HEXPATH HEXBYTES | dump HEXPATH | process HEXPATH | start | wait MS | exit |
//           tray right|left|double | choose HEXTEXT | end
// Events it adds to those of the probe and hal.dll: process-start HEXNAME PID,
// process-end HEXNAME CODE, dump HEXPATH HEXBYTES [hidden], dump HEXPATH missing, exit.
//
//   scenario_host.exe --device present|absent   checks that \\.\DRV1 opens, or that its name
//                                                 is gone (status 0 if so), for the session script
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "sim/machine/tray_clicks.h"
#include "sim/notebook_hal/wine_channel.h"
#include "tests/wine/probe_exports.h"

namespace {

using tavos_wine::HexBytes;

constexpr char kTavosPath[] = "C:\\Program Files\\Tavos\\Tavos.exe";
constexpr char kTavosName[] = "Tavos.exe";
constexpr UINT kExitCommand = 58112;
// Real-time bounds: a tick is granted when the poll timer next runs out (at most one period);
// a settle needs Tavos's thread to finish what it does, which with a stuck controller is some
// 5000 status requests through Wine's driver host (20 to 45 s seen on two busy cores). Far
// longer means Tavos hangs.
constexpr DWORD kTickTimeoutMs = 5000;
constexpr DWORD kSettleTimeoutMs = 180000;
constexpr DWORD kSettleStepMs = 50;
constexpr DWORD kExitTimeoutMs = 10000;
constexpr size_t kMaxDumpBytes = 1 << 20;
constexpr size_t kMaxEventLine = 4096;

struct Tavos {
  PROCESS_INFORMATION info{};
  HHOOK callWnd = nullptr;
  HHOOK getMessage = nullptr;
  bool ended = false;
};

HANDLE g_grant;
HANDLE g_ran;
HANDLE g_settled;
UINT g_settleMessage;
HMODULE g_probe;
std::vector<Tavos> g_tavos;
std::vector<HANDLE> g_others;  // programs started by process statements
std::string g_standIn;
unsigned long long g_now = 0;  // the scenario's time in ms
// The poll timer as the probe reported it: running, and when it runs out next.
bool g_timerRunning = false;
unsigned long long g_timerDue = 0;
unsigned long long g_timerPeriod = 0;
long long g_eventsRead = 0;
std::string g_partialEvent;

void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

void Event(const std::string& event) { Say("@" + std::to_string(g_now) + " " + event); }

bool FromHex(const std::string& hex, std::string* bytes) {
  bytes->clear();
  if (hex == "-") return true;
  if (hex.size() % 2) return false;
  for (size_t i = 0; i < hex.size(); i += 2) {
    char* end = nullptr;
    std::string pair = hex.substr(i, 2);
    unsigned long value = std::strtoul(pair.c_str(), &end, 16);
    if (end != pair.c_str() + 2) return false;
    *bytes += char(value);
  }
  return true;
}

// The tray icon, as the probe reported it.
struct TrayIcon {
  bool shown = false;
  HWND hwnd = nullptr;
  UINT callback = 0;
  UINT id = 0;
};
TrayIcon g_icon;

// Tracks the poll timer and the tray icon from the probe's lines, so that waits grant the
// ticks that fall due and clicks find the icon.
void TrackState(const std::string& line) {
  unsigned id = 0, elapse = 0;
  unsigned long long hwnd = 0;
  unsigned callback = 0, icon = 0;
  char tip[256];
  if (std::sscanf(line.c_str(), "timer-start %u %u", &id, &elapse) == 2 &&
      id == tavos_wine::kPollTimerId) {
    g_timerRunning = true;
    g_timerPeriod = elapse;
    g_timerDue = g_now + elapse;
  } else if (std::sscanf(line.c_str(), "timer-stop %u", &id) == 1 &&
             id == tavos_wine::kPollTimerId) {
    g_timerRunning = false;
  } else if (std::sscanf(line.c_str(), "tray-%*s %u %255s %llu %u %u", &icon, tip, &hwnd, &callback,
                         &id) == 5) {
    g_icon = {true, reinterpret_cast<HWND>(static_cast<ULONG_PTR>(hwnd)), callback, id};
  }
}

// Passes on the lines the probe and hal.dll added since the last look, stamped now.
void ForwardEvents() {
  HANDLE file = CreateFileA(tavos_wine::kEventsPath, GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  LARGE_INTEGER at;
  at.QuadPart = g_eventsRead;
  char chunk[4096];
  DWORD got = 0;
  while (SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
         ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) {
    for (DWORD i = 0; i < got; ++i) {
      if (chunk[i] == '\n') {
        TrackState(g_partialEvent);
        Event(g_partialEvent);
        g_partialEvent.clear();
      } else if (g_partialEvent.size() < kMaxEventLine) {
        g_partialEvent += chunk[i];
      }
    }
    at.QuadPart += got;
  }
  g_eventsRead = at.QuadPart;
  CloseHandle(file);
}

void AppendControl(const std::string& line) { tavos_wine::AppendLine(tavos_wine::kControlPath, line); }

Tavos* Running() {
  for (Tavos& t : g_tavos)
    if (!t.ended) return &t;
  return nullptr;
}

// Reports copies of Tavos that have ended since the last look.
void ReportEnds() {
  for (Tavos& t : g_tavos) {
    if (t.ended || WaitForSingleObject(t.info.hProcess, 0) != WAIT_OBJECT_0) continue;
    t.ended = true;
    DWORD code = 0;
    GetExitCodeProcess(t.info.hProcess, &code);
    ForwardEvents();
    Event("process-end " + HexBytes(kTavosName) + " " + std::to_string(code));
  }
}

// Waits until the running Tavos has done everything it was given (or has ended), then
// passes on what it did. False when it neither settles nor ends in time.
bool Settle(Tavos* t) {
  if (t != nullptr) {
    ResetEvent(g_settled);
    // A thread takes posted messages only once it has a message queue; until then the post
    // fails and is tried again.
    bool posted = false;
    HANDLE both[] = {g_settled, t->info.hProcess};
    DWORD waited = WAIT_TIMEOUT;
    for (DWORD spent = 0; waited == WAIT_TIMEOUT && spent < kSettleTimeoutMs;
         spent += kSettleStepMs) {
      if (!posted) posted = PostThreadMessageA(t->info.dwThreadId, g_settleMessage, 0, 0) != 0;
      waited = WaitForMultipleObjects(2, both, FALSE, kSettleStepMs);
    }
    if (waited == WAIT_TIMEOUT) {
      ForwardEvents();
      return false;
    }
  }
  ForwardEvents();
  ReportEnds();
  return true;
}

bool Settle() { return Settle(Running()); }

bool Start(std::string* why) {
  const bool second = Running() != nullptr;
  Tavos t;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::string commandLine = std::string("\"") + kTavosPath + "\"";
  if (!CreateProcessA(kTavosPath, &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                      nullptr, "C:\\Program Files\\Tavos", &startup, &t.info)) {
    *why = "start: CreateProcessA failed with error " + std::to_string(GetLastError());
    return false;
  }
  auto proc = [](const char* name) {
    return reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(g_probe, name)));
  };
  const HOOKPROC callWndProc = proc(TAVOS_WINE_CALLWND_HOOK_EXPORT);
  const HOOKPROC getMessageProc = proc(TAVOS_WINE_GETMESSAGE_HOOK_EXPORT);
  if (callWndProc == nullptr || getMessageProc == nullptr) {
    TerminateProcess(t.info.hProcess, 1);
    *why = std::string("start: tavos_probe.dll exports no ") +
           (callWndProc == nullptr ? TAVOS_WINE_CALLWND_HOOK_EXPORT
                                   : TAVOS_WINE_GETMESSAGE_HOOK_EXPORT) +
           " (decorated stdcall names?)";
    return false;
  }
  t.callWnd = SetWindowsHookExA(WH_CALLWNDPROC, callWndProc, g_probe, t.info.dwThreadId);
  t.getMessage = SetWindowsHookExA(WH_GETMESSAGE, getMessageProc, g_probe, t.info.dwThreadId);
  if (t.callWnd == nullptr || t.getMessage == nullptr) {
    TerminateProcess(t.info.hProcess, 1);
    *why = "start: cannot hook the probe into Tavos (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  Event("process-start " + HexBytes(kTavosName) + " " + std::to_string(t.info.dwProcessId));
  ResumeThread(t.info.hThread);
  g_tavos.push_back(t);
  // Its first settle message waits in the queue until its message loop runs.
  if (!Settle(&g_tavos.back())) {
    *why = "start: Tavos did not reach its message loop within " +
           std::to_string(kSettleTimeoutMs) + " ms";
    return false;
  }
  // Both copies would take the ticks granted for one: only a second copy that ends by itself
  // (the single-instance rule) keeps the run in step.
  if (second && !g_tavos.back().ended) {
    *why = "start: a second Tavos running beside the first cannot be kept in step on Wine";
    return false;
  }
  return true;
}

// Lets the poll ticks that fall due within `ms` run, one at a time, each stamped with its time.
bool Wait(unsigned long long ms, std::string* why) {
  const unsigned long long end = g_now + ms;
  while (g_timerRunning && Running() != nullptr && g_timerDue <= end) {
    g_now = g_timerDue;
    g_timerDue += g_timerPeriod;
    ReleaseSemaphore(g_grant, 1, nullptr);
    HANDLE both[] = {g_ran, Running()->info.hProcess};
    DWORD waited = WaitForMultipleObjects(2, both, FALSE, kTickTimeoutMs);
    if (waited == WAIT_TIMEOUT) {
      WaitForSingleObject(g_grant, 0);  // the grant nobody took
      *why = "wait: the poll tick due at " + std::to_string(g_now) + " ms did not run";
      return false;
    }
    if (!Settle()) {
      *why = "wait: Tavos did not become idle after the tick at " + std::to_string(g_now) + " ms";
      return false;
    }
  }
  g_now = end;
  return Settle() || (*why = "wait: Tavos did not become idle", false);
}

// The user clicks the icon: the shell posts its callback message with each mouse message.
bool Tray(const std::string& click, std::string* why) {
  const std::vector<UINT> mouse = tavos_sim::TrayClickMessages(click);
  if (mouse.empty() || !g_icon.shown || Running() == nullptr || !IsWindow(g_icon.hwnd))
    return *why = "tray: there is no icon in the notification area", false;
  for (UINT message : mouse) PostMessageA(g_icon.hwnd, g_icon.callback, g_icon.id, LPARAM(message));
  return true;
}

struct Surface {
  DWORD thread;
  HWND menu = nullptr;
  HWND dialog = nullptr;
};

BOOL CALLBACK FindSurface(HWND hwnd, LPARAM param) {
  auto* found = reinterpret_cast<Surface*>(param);
  char cls[16] = "";
  GetClassNameA(hwnd, cls, sizeof cls);
  if (GetWindowThreadProcessId(hwnd, nullptr) != found->thread || !IsWindowVisible(hwnd))
    return TRUE;
  if (std::strcmp(cls, "#32768") == 0) found->menu = hwnd;
  if (std::strcmp(cls, "#32770") == 0) found->dialog = hwnd;
  return TRUE;
}

BOOL CALLBACK CollectButton(HWND hwnd, LPARAM param) {
  auto* buttons = reinterpret_cast<std::vector<HWND>*>(param);
  char cls[16] = "";
  GetClassNameA(hwnd, cls, sizeof cls);
  if (lstrcmpiA(cls, "Button") == 0 && IsWindowVisible(hwnd)) buttons->push_back(hwnd);
  return TRUE;
}

std::string TextOf(HWND hwnd) {
  char text[128] = "";
  GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

// Picks the button TEXT of the dialog or message box on top, as a click on it would.
bool Choose(const std::string& text, std::string* why) {
  Tavos* t = Running();
  Surface top{t ? t->info.dwThreadId : 0};
  if (t != nullptr) EnumWindows(FindSurface, reinterpret_cast<LPARAM>(&top));
  std::string offered;
  // Neither keys posted to the menu window nor keys sent as input reach Wine's menu loop from
  // another process, so a menu item is not chosen here (the runner refuses "tray right").
  if (top.menu != nullptr) return *why = "choose: menu items cannot be chosen on Wine", false;
  if (top.dialog != nullptr) {
    std::vector<HWND> buttons;
    EnumChildWindows(top.dialog, CollectButton, reinterpret_cast<LPARAM>(&buttons));
    for (HWND button : buttons) {
      if (TextOf(button) == text) {
        PostMessageA(top.dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
        return true;
      }
      offered += (offered.empty() ? "\"" : ", \"") + TextOf(button) + "\"";
    }
    return *why =
               "choose: the dialog on top offers no \"" + text + "\" (it offers " + offered + ")",
           false;
  }
  return *why = "choose: nothing on screen waits for a choice", false;
}

BOOL CALLBACK FindFrame(HWND hwnd, LPARAM param) {
  auto* found = reinterpret_cast<std::pair<DWORD, HWND>*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  char cls[64] = "";
  GetClassNameA(hwnd, cls, sizeof cls);
  if (pid == found->first && (GetWindowLongA(hwnd, GWL_STYLE) & WS_CAPTION) == WS_CAPTION &&
      std::string(cls).rfind("Afx:", 0) == 0) {
    found->second = hwnd;
    return FALSE;
  }
  return TRUE;
}

bool Exit(std::string* why) {
  Event("exit");
  Tavos* t = Running();
  std::pair<DWORD, HWND> found{t ? t->info.dwProcessId : 0, nullptr};
  if (t != nullptr) EnumWindows(FindFrame, reinterpret_cast<LPARAM>(&found));
  if (found.second == nullptr) {
    *why = "exit: no Tavos is running";
    return false;
  }
  PostMessageA(found.second, WM_COMMAND, kExitCommand, 0);
  if (WaitForSingleObject(t->info.hProcess, kExitTimeoutMs) != WAIT_OBJECT_0) {
    *why = "exit: Tavos did not end within " + std::to_string(kExitTimeoutMs) + " ms";
    return false;
  }
  ForwardEvents();
  ReportEnds();
  return true;
}

bool MakeFolders(const std::string& path);

// A program beside Tavos that only shows in the process list: the stand-in, copied to the
// path and told to stay.
bool StartProcess(const std::string& path, std::string* why) {
  if (!MakeFolders(path) || !CopyFileA(g_standIn.c_str(), path.c_str(), FALSE)) {
    *why = "process: cannot put a stand-in at " + path;
    return false;
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::string commandLine = "\"" + path + "\" --stay";
  if (!CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    *why = "process: CreateProcessA failed with error " + std::to_string(GetLastError());
    return false;
  }
  CloseHandle(info.hThread);
  g_others.push_back(info.hProcess);
  Event("process-start " + HexBytes(path.substr(path.find_last_of('\\') + 1)) + " " +
        std::to_string(info.dwProcessId));
  return true;
}

bool MakeFolders(const std::string& path) {
  for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1)) {
    const std::string folder = path.substr(0, at);
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
      return false;
  }
  return true;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  if (!MakeFolders(path)) return false;
  // An existing file keeps its attributes, as the simulated file statement does.
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
            written == bytes.size() && SetEndOfFile(file);
  CloseHandle(file);
  return ok;
}

void Dump(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    Event("dump " + HexBytes(path) + " missing");
    return;
  }
  std::string bytes;
  char chunk[4096];
  DWORD got = 0;
  while (bytes.size() < kMaxDumpBytes && ReadFile(file, chunk, sizeof chunk, &got, nullptr) &&
         got > 0)
    bytes.append(chunk, got);
  CloseHandle(file);
  const DWORD attributes = GetFileAttributesA(path.c_str());
  const bool hidden = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN);
  Event("dump " + HexBytes(path) + " " + HexBytes(bytes) + (hidden ? " hidden" : ""));
}

// The version Wine reports to Tavos.exe alone, as winecfg's per-program setting does.
bool SetVersion(const std::string& os) {
  static const char* const kVersions[][2] = {{"95", "win95"},    {"98", "win98"}, {"me", "winme"},
                                             {"nt351", "nt351"}, {"nt4", "nt40"}, {"2000", "win2k"},
                                             {"xp", "winxp"}};
  for (const auto& v : kVersions) {
    if (os != v[0]) continue;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\Tavos.exe", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
      return false;
    LONG set = RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(v[1]),
                              DWORD(std::strlen(v[1]) + 1));
    RegCloseKey(key);
    return set == ERROR_SUCCESS;
  }
  return false;
}

// One command; false with `*why` when it cannot be done.
bool Apply(const std::string& line, bool* end, std::string* why) {
  const size_t blank = line.find(' ');
  const std::string word = line.substr(0, blank);
  const std::string rest = blank == std::string::npos ? "" : line.substr(blank + 1);
  if (word == "os") {
    if (!SetVersion(rest)) return *why = "os: cannot make Wine report " + rest, false;
  } else if (word == "ec" || word == "press" || word == "media") {
    AppendControl(line);
  } else if (word == "file") {
    std::string path, bytes;
    const size_t second = rest.find(' ');
    if (second == std::string::npos || !FromHex(rest.substr(0, second), &path) ||
        !FromHex(rest.substr(second + 1), &bytes))
      return *why = "file: malformed command", false;
    if (!WriteWholeFile(path, bytes)) return *why = "file: cannot write " + path, false;
  } else if (word == "dump") {
    std::string path;
    if (!FromHex(rest, &path)) return *why = "dump: malformed command", false;
    Dump(path);
  } else if (word == "tray") {
    if (!Tray(rest, why)) return false;
  } else if (word == "choose") {
    std::string text;
    if (!FromHex(rest, &text)) return *why = "choose: malformed command", false;
    if (!Choose(text, why)) return false;
  } else if (word == "process") {
    std::string path;
    if (!FromHex(rest, &path)) return *why = "process: malformed command", false;
    if (!StartProcess(path, why)) return false;
  } else if (word == "start") {
    return Start(why);
  } else if (word == "wait") {
    return Wait(std::strtoull(rest.c_str(), nullptr, 10), why);
  } else if (word == "exit") {
    return Exit(why);
  } else if (word == "end") {
    *end = true;
  } else {
    return *why = "unknown command " + word, false;
  }
  return Settle() || (*why = word + ": Tavos did not become idle", false);
}

// Clean slate for a scenario in a prefix that may have run others: a notebook in its
// power-on state, no settings or state file, an empty events file.
void Reset() {
  for (const char* path : {"C:\\windows\\SelectFile.ini", "C:\\Tavos.ini"}) {
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path);
  }
  CreateDirectoryA(tavos_wine::kChannelFolder, nullptr);
  HANDLE events =
      CreateFileA(tavos_wine::kEventsPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (events != INVALID_HANDLE_VALUE) CloseHandle(events);
  AppendControl("reset");
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\Tavos.exe");
  SetVersion("xp");
}

int CheckDevice(const std::string& expected) {
  HANDLE device = CreateFileA("\\\\.\\DRV1", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  const DWORD error = GetLastError();
  const bool present = device != INVALID_HANDLE_VALUE;
  if (present) CloseHandle(device);
  std::printf("\\\\.\\DRV1: %s (error %lu)\n", present ? "opens" : "does not open", error);
  // Gone means no name at all: a link left behind to a deleted device fails with
  // ERROR_PATH_NOT_FOUND instead, which is a driver that did not clean up.
  if (expected == "present") return present ? 0 : 1;
  return !present && error == ERROR_FILE_NOT_FOUND ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--device") return CheckDevice(argv[2]);
  char self[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string probePath = self;
  const std::string folder = probePath.substr(0, probePath.find_last_of('\\') + 1);
  probePath = folder + "tavos_probe.dll";
  g_standIn = folder + "stand_in.exe";
  g_probe = LoadLibraryA(probePath.c_str());
  g_grant = CreateSemaphoreA(nullptr, 0, 1, tavos_wine::kTickGrant);
  g_ran = CreateEventA(nullptr, FALSE, FALSE, tavos_wine::kTickRan);
  g_settled = CreateEventA(nullptr, FALSE, FALSE, tavos_wine::kSettled);
  g_settleMessage = RegisterWindowMessageA(tavos_wine::kSettleMessage);
  if (g_probe == nullptr || !g_grant || !g_ran || !g_settled || !g_settleMessage) {
    Say("refused the host cannot set up (error " + std::to_string(GetLastError()) + ")");
    return 2;
  }
  // Wine starts its desktop, and with it the notification area, on the first window of a
  // session; Tavos's tray icon needs it, so it is up before Tavos starts.
  GetDesktopWindow();
  for (int i = 0; i < 100 && FindWindowA("Shell_TrayWnd", nullptr) == nullptr; ++i) Sleep(100);
  Reset();
  std::string line;
  bool end = false;
  while (!end && std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string why;
    if (Apply(line, &end, &why))
      Say("done");
    else
      Say("refused " + why);
  }
  for (HANDLE other : g_others) {
    TerminateProcess(other, 0);
    WaitForSingleObject(other, kExitTimeoutMs);
    CloseHandle(other);
  }
  // Whatever still runs ends here; an exit statement is the orderly way.
  for (Tavos& t : g_tavos) {
    if (!t.ended) TerminateProcess(t.info.hProcess, 1);
    WaitForSingleObject(t.info.hProcess, kExitTimeoutMs);
    CloseHandle(t.info.hProcess);
    CloseHandle(t.info.hThread);
  }
  return 0;
}
