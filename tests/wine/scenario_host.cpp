// The scenario host: runs inside Wine and does, for tavos-sim --wine, what each scenario
// statement asks of the real Tavos.exe and the notebook behind portio. It reads one command a
// line on stdin and answers with event lines, each "@MS EVENT" (MS: the scenario's time), and
// then "done" or "refused TEXT". Strings travel as hex (wine_channel.h).
//
// Commands: os NAME | lang ID | hold VK | release VK | driver loaded|absent |
//           ec ready | ec busy N | ec stuck | press BITS | media BITS |
//           file HEXPATH HEXBYTES | dump HEXPATH | process HEXPATH | start | wait MS | exit |
//           tray right|left|double | choose HEXTEXT | type HEXTEXT | key enter|esc | close |
//           pick HEXPATH|cancel | screen | command N | end
// Events it adds to those of the probe and hal.dll: process-start HEXNAME PID,
// process-end HEXNAME CODE, dump HEXPATH HEXBYTES [hidden], dump HEXPATH missing, exit,
// command N, screen none (no Tavos runs).
//
//   scenario_host.exe --device present|absent   checks that \\.\DRV1 opens, or that its name
//                                                 is gone (status 0 if so), for the session script
//   scenario_host.exe --journal-check            what Wine does with a journal-playback hook
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "sim/notebook_hal/wine_channel.h"
#include "tests/wine/host_machine.h"
#include "tests/wine/host_session.h"
#include "tests/wine/journal_check.h"
#include "tests/wine/media_stand_ins.h"
#include "tests/wine/probe_exports.h"
#include "tests/wine/window_names.h"

namespace {

using namespace tavos_host;
using tavos_wine::HexBytes;

constexpr char kTavosPath[] = "C:\\Program Files\\Tavos\\Tavos.exe";
constexpr UINT kExitCommand = 58112;
// A tick is granted when the poll timer next runs out: at most one period.
constexpr DWORD kTickTimeoutMs = 5000;
constexpr size_t kMaxDumpBytes = 1 << 20;

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
    *why = "start: Tavos did not reach its message loop in time";
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

BOOL CALLBACK FindFrame(HWND hwnd, LPARAM param) {
  auto* found = reinterpret_cast<std::pair<DWORD, HWND>*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == found->first && (GetWindowLongA(hwnd, GWL_STYLE) & WS_CAPTION) == WS_CAPTION &&
      tavos_wine::ClassOf(hwnd).rfind("Afx:", 0) == 0) {
    found->second = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND tavos_host::TavosFrame() {
  Tavos* t = Running();
  std::pair<DWORD, HWND> found{t ? t->info.dwProcessId : 0, nullptr};
  if (t != nullptr) EnumWindows(FindFrame, reinterpret_cast<LPARAM>(&found));
  return found.second;
}

namespace {

bool Exit(std::string* why) {
  Event("exit");
  Tavos* t = Running();
  HWND frame = TavosFrame();
  if (frame == nullptr) {
    *why = "exit: no Tavos is running";
    return false;
  }
  PostMessageA(frame, WM_COMMAND, kExitCommand, 0);
  if (WaitForSingleObject(t->info.hProcess, kExitTimeoutMs) != WAIT_OBJECT_0) {
    *why = "exit: Tavos did not end within " + std::to_string(kExitTimeoutMs) + " ms";
    return false;
  }
  ForwardEvents();
  ReportEnds();
  return true;
}

// A program beside Tavos that only shows in the process list: the stand-in, copied to the
// path and told to stay.
bool StartProcess(const std::string& name, std::string* why) {
  const std::string path = ProgramPath(name);
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
  // Named as Windows names it, character by character (a Japanese name stays whole).
  Event("process-start " + HexBytes(tavos_wine::FileNameOf(path.c_str())) + " " +
        std::to_string(info.dwProcessId));
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
  } else if (word == "type" || word == "pick") {
    std::string text;
    if (!FromHex(rest, &text) && rest != "cancel")
      return *why = word + ": malformed command", false;
    if (!(word == "type" ? TypeText(text, why) : Pick(text, rest == "cancel", why))) return false;
  } else if (word == "key") {
    if (!Key(rest, why)) return false;
  } else if (word == "close") {
    if (!Close(why)) return false;
  } else if (word == "screen") {
    if (!Screen(why)) return false;
  } else if (word == "command") {
    if (!Command(unsigned(std::strtoul(rest.c_str(), nullptr, 10)), why)) return false;
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
  } else if (word == "lang") {
    if (!CheckLanguage(rest, why)) return false;
  } else if (word == "hold" || word == "release") {
    if (!HoldKey(rest, word == "hold", why)) return false;
  } else if (word == "driver") {
    if (!SetDriver(rest, why)) return false;
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
  EndMediaPrograms();
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\Tavos.exe");
  SetVersion("xp");
}

int CheckDevice(const std::string& expected) {
  const DWORD error = DeviceOpenError();
  const bool present = error == ERROR_SUCCESS;
  std::printf("\\\\.\\DRV1: %s (error %lu)\n", present ? "opens" : "does not open", error);
  // Gone means no name at all: a link left behind to a deleted device fails with
  // ERROR_PATH_NOT_FOUND instead, which is a driver that did not clean up.
  if (expected == "present") return present ? 0 : 1;
  return !present && error == ERROR_FILE_NOT_FOUND ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--device") return CheckDevice(argv[2]);
  if (argc == 2 && std::string(argv[1]) == "--journal-check") return CheckJournalPlayback();
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
  if (g_probe == nullptr || !g_grant || !g_ran || !g_settled || !g_settleMessage ||
      !DrawOwnCaptions() || !OpenMediaChannel()) {
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
  EndMediaPrograms();  // those Tavos opened
  // Whatever still runs ends here; an exit statement is the orderly way.
  for (Tavos& t : g_tavos) {
    if (!t.ended) TerminateProcess(t.info.hProcess, 1);
    WaitForSingleObject(t.info.hProcess, kExitTimeoutMs);
    CloseHandle(t.info.hProcess);
    CloseHandle(t.info.hThread);
  }
  RestoreMachine();
  return 0;
}
