// The scenario host's shared state: the copies of Tavos it started, the scenario's clock, the
// poll timer and tray icon as the probe reported them, and the steps every command ends with
// (pass on the probe's and hal.dll's events, wait until Tavos has settled).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tavos_host {

constexpr char kTavosName[] = "Tavos.exe";
constexpr DWORD kExitTimeoutMs = 10000;

struct Tavos {
  PROCESS_INFORMATION info{};
  HHOOK callWnd = nullptr;
  HHOOK getMessage = nullptr;
  bool ended = false;
};

// The tray icon, as the probe reported it.
struct TrayIcon {
  bool shown = false;
  HWND hwnd = nullptr;
  UINT callback = 0;
  UINT id = 0;
};

extern HANDLE g_grant;
extern HANDLE g_ran;
extern HANDLE g_settled;
extern UINT g_settleMessage;
extern HMODULE g_probe;
extern std::vector<Tavos> g_tavos;
extern std::vector<HANDLE> g_others;  // programs started by process statements
extern std::string g_standIn;
extern unsigned long long g_now;  // the scenario's time in ms
// The poll timer as the probe reported it: running, and when it runs out next.
extern bool g_timerRunning;
extern unsigned long long g_timerDue;
extern unsigned long long g_timerPeriod;
extern TrayIcon g_icon;
// The items of the menu Tavos opened last, as the probe reported them ("-" a separator).
extern std::vector<std::string> g_menuItems;

void Say(const std::string& line);
// One event line, stamped with the scenario's time.
void Event(const std::string& event);
bool FromHex(const std::string& hex, std::string* bytes);
// Passes on the lines the probe and hal.dll added since the last look, stamped now.
void ForwardEvents();
void AppendControl(const std::string& line);
// The copy of Tavos that runs; null when none does.
Tavos* Running();
// Reports copies of Tavos that have ended since the last look.
void ReportEnds();
// Waits until the copy has done everything it was given (or has ended), then passes on what
// it did. False when it neither settles nor ends in time.
bool Settle(Tavos* t);
bool Settle();
bool MakeFolders(const std::string& path);

// Tavos's main window; null when no Tavos runs (scenario_host.cpp).
HWND TavosFrame();

// What the user does to the tray icon and to what is on screen (host_surfaces.cpp).
bool DrawOwnCaptions();
bool Tray(const std::string& click, std::string* why);
bool Choose(const std::string& text, std::string* why);
bool TypeText(const std::string& text, std::string* why);
bool Key(const std::string& key, std::string* why);
bool Close(std::string* why);
bool Pick(const std::string& path, bool cancel, std::string* why);
bool Screen(std::string* why);
bool Command(unsigned id, std::string* why);

// The stand-ins of the MP3 player and the video recorder (host_media.cpp).
bool OpenMediaChannel();
// A bare file name runs from the Windows directory.
std::string ProgramPath(const std::string& name);
// Waits until each running stand-in has taken the keys queued for it (or has ended).
void SettleMediaPrograms();
void EndMediaPrograms();

}  // namespace tavos_host
