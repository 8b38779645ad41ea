// The scenario host's shared state and the steps every command ends with.
#include "tests/wine/host_session.h"

#include <cstdio>
#include <cstdlib>

#include "sim/notebook_hal/wine_channel.h"

namespace tavos_host {

using tavos_wine::HexBytes;

namespace {

// A settle needs Tavos's thread to finish what it does, which with a stuck controller is some
// 5000 status requests through Wine's driver host (20 to 45 s seen on two busy cores). Far
// longer means Tavos hangs.
constexpr DWORD kSettleTimeoutMs = 180000;
constexpr DWORD kSettleStepMs = 50;
constexpr size_t kMaxEventLine = 4096;

long long g_eventsRead = 0;
std::string g_partialEvent;

}  // namespace

HANDLE g_grant;
HANDLE g_ran;
HANDLE g_settled;
UINT g_settleMessage;
HMODULE g_probe;
std::vector<Tavos> g_tavos;
std::vector<HANDLE> g_others;
std::string g_standIn;
unsigned long long g_now = 0;
bool g_timerRunning = false;
unsigned long long g_timerDue = 0;
unsigned long long g_timerPeriod = 0;
TrayIcon g_icon;
std::vector<std::string> g_menuItems;

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

// Tracks the poll timer and the tray icon from the probe's lines, so that waits grant the
// ticks that fall due and clicks find the icon.
static void TrackState(const std::string& line) {
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
  } else if (line.rfind("menu ", 0) == 0) {
    g_menuItems.clear();
    for (size_t at = 5; at < line.size();) {
      size_t end = line.find(' ', at);
      if (end == std::string::npos) end = line.size();
      std::string item;
      if (FromHex(line.substr(at, end - at), &item))
        g_menuItems.push_back(!item.empty() && item[0] == '*' ? item.substr(1) : item);
      at = end + 1;
    }
  }
}

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

void AppendControl(const std::string& line) {
  tavos_wine::AppendLine(tavos_wine::kControlPath, line);
}

Tavos* Running() {
  for (Tavos& t : g_tavos)
    if (!t.ended) return &t;
  return nullptr;
}

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
  SettleMediaPrograms();
  ForwardEvents();
  ReportEnds();
  return true;
}

bool Settle() { return Settle(Running()); }

// Walked by characters of the ANSI code page: a double-byte name's trail byte may be 0x5C.
bool MakeFolders(const std::string& path) {
  if (path.size() < 3) return true;
  for (const char* at = path.c_str() + 3; *at != '\0'; at = CharNextA(at)) {
    if (*at != '\\') continue;
    const std::string folder(path.c_str(), at);
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
      return false;
  }
  return true;
}

}  // namespace tavos_host
