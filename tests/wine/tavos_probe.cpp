// The probe: loaded into Tavos under Wine by the scenario host's hooks. It reports what Tavos
// asks of Windows that a scenario's timeline shows (timers, tray icon, shell opens, synthesised
// keys) by wrapping those imports of Tavos.exe, and it holds back the poll timer's WM_TIMER
// until the host grants a tick, so that ticks fall where the scenario's waits put them.
// Everything goes to the events file that hal.dll writes the controller's bytes to; both
// write from Tavos's own thread (the driver serves Tavos's requests synchronously), so the
// order of the lines is the order things happened.
#include <windows.h>

// Needs the types of windows.h.
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "sim/notebook_hal/wine_channel.h"
#include "tests/wine/media_stand_ins.h"
#include "tests/wine/probe_exports.h"
#include "tests/wine/probe_surfaces.h"

namespace {

using tavos_wine::AppendEvent;
using tavos_wine::HexBytes;

std::string Text(const char* s) { return s ? s : ""; }

// A stand-in starts in well under a second; more means it did not start.
constexpr DWORD kMediaStartTimeoutMs = 10000;
constexpr DWORD kActivationTimeoutMs = 5000;

// ---- the wrapped imports

UINT_PTR(WINAPI* g_setTimer)(HWND, UINT_PTR, UINT, TIMERPROC) = SetTimer;
BOOL(WINAPI* g_killTimer)(HWND, UINT_PTR) = KillTimer;
BOOL(WINAPI* g_notifyIcon)(DWORD, PNOTIFYICONDATAA) = Shell_NotifyIconA;
HINSTANCE(WINAPI* g_shellExecute)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT) = ShellExecuteA;
VOID(WINAPI* g_keybdEvent)(BYTE, BYTE, DWORD, ULONG_PTR) = keybd_event;

// As the simulation's timeline does, a top-most window's timers (the on-screen display's) are
// left out: they are not the poll timer, whose lines the host follows.
bool IsTopMost(HWND hwnd) {
  return hwnd != nullptr && (GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

UINT_PTR WINAPI ProbeSetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  UINT_PTR result = g_setTimer(hwnd, id, elapse, proc);
  if (result != 0 && !IsTopMost(hwnd))
    AppendEvent("timer-start " + std::to_string(id) + " " + std::to_string(elapse));
  return result;
}

BOOL WINAPI ProbeKillTimer(HWND hwnd, UINT_PTR id) {
  BOOL result = g_killTimer(hwnd, id);
  if (result && !IsTopMost(hwnd)) AppendEvent("timer-stop " + std::to_string(id));
  return result;
}

struct IconSearch {
  HICON icon;
  ULONG_PTR id;
};

BOOL CALLBACK MatchIcon(HMODULE module, LPCSTR, LPSTR name, LONG_PTR param) {
  auto* search = reinterpret_cast<IconSearch*>(param);
  if (!IS_INTRESOURCE(name)) return TRUE;
  // LoadIcon hands out one shared handle per resource, so equal handles mean equal icons.
  if (LoadIconA(module, name) != search->icon) return TRUE;
  search->id = reinterpret_cast<ULONG_PTR>(name);
  return FALSE;
}

}  // namespace

// The icon resource of Tavos.exe the handle was loaded from; 0 when none.
ULONG_PTR tavos_probe::IconResourceId(HICON icon) {
  IconSearch search{icon, 0};
  EnumResourceNamesA(GetModuleHandleA(nullptr), RT_GROUP_ICON, MatchIcon,
                     reinterpret_cast<LONG_PTR>(&search));
  return search.id;
}

namespace {

using tavos_probe::IconResourceId;

// The host clicks the icon as the shell would: it needs the icon's window, callback and id.
BOOL WINAPI ProbeNotifyIcon(DWORD message, PNOTIFYICONDATAA data) {
  BOOL result = g_notifyIcon(message, data);
  if (result && data != nullptr && (message == NIM_ADD || message == NIM_MODIFY)) {
    std::string tip(data->szTip, strnlen(data->szTip, sizeof data->szTip));
    AppendEvent(std::string(message == NIM_ADD ? "tray-add " : "tray-modify ") +
                std::to_string(IconResourceId(data->hIcon)) + " " + HexBytes(tip) + " " +
                std::to_string(reinterpret_cast<ULONG_PTR>(data->hWnd)) + " " +
                std::to_string(data->uCallbackMessage) + " " + std::to_string(data->uID));
  }
  return result;
}

BOOL(WINAPI* g_trackPopupMenu)(HMENU, UINT, int, int, int, HWND, const RECT*) = TrackPopupMenu;
INT_PTR(WINAPI* g_dialogBoxParam)(HINSTANCE, LPCSTR, HWND, DLGPROC, LPARAM) = DialogBoxParamA;
int(WINAPI* g_messageBox)(HWND, LPCSTR, LPCSTR, UINT) = MessageBoxA;

// The items as a user sees them: "*" before a checked one, "-" for a separator.
BOOL WINAPI ProbeTrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner,
                                const RECT* rect) {
  std::string line = "menu";
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    const UINT state = GetMenuState(menu, UINT(i), MF_BYPOSITION);
    char text[128] = "";
    GetMenuStringA(menu, UINT(i), text, sizeof text, MF_BYPOSITION);
    line += " " + HexBytes((state & MF_SEPARATOR)
                               ? std::string("-")
                               : ((state & MF_CHECKED) ? "*" : "") + std::string(text));
  }
  AppendEvent(line);
  tavos_probe::SurfaceOpens("menu", 0, menu);
  const BOOL result = g_trackPopupMenu(menu, flags, x, y, reserved, owner, rect);
  tavos_probe::SurfaceCloses();
  tavos_probe::MenuEnded(owner);
  return result;
}

INT_PTR WINAPI ProbeDialogBoxParam(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC proc,
                                   LPARAM param) {
  const std::string id =
      std::to_string(IS_INTRESOURCE(name) ? reinterpret_cast<ULONG_PTR>(name) : 0);
  AppendEvent("dialog-open " + id);
  tavos_probe::SurfaceOpens("dialog", std::stoi(id));
  INT_PTR result = g_dialogBoxParam(instance, name, owner, proc, param);
  tavos_probe::SurfaceCloses();
  AppendEvent("dialog-close " + id + " " + std::to_string(result));
  return result;
}

int WINAPI ProbeMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  AppendEvent("msgbox " + HexBytes(Text(text)));
  tavos_probe::SurfaceOpens("msgbox", 0);
  const int result = g_messageBox(owner, text, caption, type);
  tavos_probe::SurfaceCloses();
  return result;
}

HINSTANCE WINAPI ProbeShellExecute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                                   LPCSTR folder, INT show) {
  AppendEvent("shell " + HexBytes(verb ? verb : "open") + " " + HexBytes(Text(file)) + " " +
              HexBytes(Text(folder)) + " " + HexBytes(Text(parameters)));
  // A media program's stand-in writes its start itself: waited for, it comes before what
  // Tavos does next, as the started program's line does on Windows.
  const bool media = file != nullptr && tavos_wine::IsMediaProgram(file);
  static HANDLE started =
      OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, tavos_wine::kMediaStarted);
  if (media && started != nullptr) ResetEvent(started);
  HINSTANCE result = g_shellExecute(owner, verb, file, parameters, folder, show);
  if (media && started != nullptr && reinterpret_cast<INT_PTR>(result) > 32 &&
      WaitForSingleObject(started, kMediaStartTimeoutMs) != WAIT_OBJECT_0)
    AppendEvent("probe-error the stand-in for " + HexBytes(file) + " did not report its start");
  return result;
}

// Tavos's journal-playback hook, while one is installed: Wine 8.0 takes it but never calls it
// (docs/wine.md), so it stays installed until Tavos removes it.
HHOOK g_journalPlayback = nullptr;

VOID WINAPI ProbeKeybdEvent(BYTE vk, BYTE scan, DWORD flags, ULONG_PTR extra) {
  char line[40];
  // "held" as the simulation says it: synthesised while Tavos's playback runs.
  std::snprintf(line, sizeof line, "key %s 0x%02X%s", (flags & KEYEVENTF_KEYUP) ? "up" : "down", vk,
                g_journalPlayback != nullptr ? " held" : "");
  AppendEvent(line);
  g_keybdEvent(vk, scan, flags, extra);
}

BOOL(WINAPI* g_setForegroundWindow)(HWND) = SetForegroundWindow;

// Wine routes a key to the focus window when the key is sent, and a window of another thread
// only takes the focus once that thread has handled its activation: keys Tavos synthesises
// right after bringing the recorder forward could go nowhere (seen: the Ctrl+X downs lost).
// Windows takes input in order with the change of foreground, so the probe waits until the
// window's thread has handled the activation, which Wine sends it ahead of this message.
BOOL WINAPI ProbeSetForegroundWindow(HWND hwnd) {
  const BOOL result = g_setForegroundWindow(hwnd);
  if (hwnd != nullptr && GetWindowThreadProcessId(hwnd, nullptr) != GetCurrentThreadId())
    SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kActivationTimeoutMs, nullptr);
  return result;
}

HHOOK(WINAPI* g_setWindowsHookEx)(int, HOOKPROC, HINSTANCE, DWORD) = SetWindowsHookExA;
BOOL(WINAPI* g_unhookWindowsHookEx)(HHOOK) = UnhookWindowsHookEx;

HOOKPROC g_tavosJournalProc = nullptr;

// Stands between Wine and Tavos's playback procedure: a call from Wine is news (8.0 makes
// none), so it is reported, and the play lines could then be observed here.
LRESULT CALLBACK ProbeJournalPlayback(int code, WPARAM wParam, LPARAM lParam) {
  AppendEvent("journal-called " + std::to_string(code));
  return g_tavosJournalProc(code, wParam, lParam);
}

// The journal hooks Tavos sets and removes, and Wine's answer; the other hooks pass unseen.
HHOOK WINAPI ProbeSetWindowsHookEx(int id, HOOKPROC proc, HINSTANCE instance, DWORD thread) {
  if (id == WH_JOURNALPLAYBACK && proc != nullptr && thread == 0) {
    HMODULE self = nullptr;
    GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&ProbeJournalPlayback), &self);
    g_tavosJournalProc = proc;
    proc = ProbeJournalPlayback;
    instance = self;
  }
  SetLastError(0);
  HHOOK hook = g_setWindowsHookEx(id, proc, instance, thread);
  const DWORD error = GetLastError();
  if (id == WH_JOURNALPLAYBACK) {
    if (hook != nullptr) g_journalPlayback = hook;
    AppendEvent(hook != nullptr ? std::string("journal-set")
                                : "journal-refused " + std::to_string(error));
  }
  SetLastError(error);
  return hook;
}

BOOL WINAPI ProbeUnhookWindowsHookEx(HHOOK hook) {
  const BOOL removed = g_unhookWindowsHookEx(hook);
  if (hook != nullptr && hook == g_journalPlayback) {
    g_journalPlayback = nullptr;
    AppendEvent(removed ? "journal-removed" : "journal-removed-failed");
  }
  return removed;
}

FARPROC WINAPI ProbeGetProcAddress(HMODULE module, LPCSTR name);

struct Wrap {
  const char* dll;
  const char* name;
  void* probe;
  bool boundAtRunTime;  // Tavos may look it up with GetProcAddress instead of importing it
};

const Wrap kWraps[] = {
    {"kernel32.dll", "GetProcAddress", reinterpret_cast<void*>(ProbeGetProcAddress), false},
    {"user32.dll", "SetTimer", reinterpret_cast<void*>(ProbeSetTimer), false},
    {"user32.dll", "KillTimer", reinterpret_cast<void*>(ProbeKillTimer), false},
    {"user32.dll", "keybd_event", reinterpret_cast<void*>(ProbeKeybdEvent), false},
    {"user32.dll", "SetForegroundWindow", reinterpret_cast<void*>(ProbeSetForegroundWindow), false},
    {"user32.dll", "SetWindowsHookExA", reinterpret_cast<void*>(ProbeSetWindowsHookEx), false},
    {"user32.dll", "UnhookWindowsHookEx", reinterpret_cast<void*>(ProbeUnhookWindowsHookEx), false},
    {"shell32.dll", "Shell_NotifyIconA", reinterpret_cast<void*>(ProbeNotifyIcon), true},
    {"shell32.dll", "ShellExecuteA", reinterpret_cast<void*>(ProbeShellExecute), false},
    {"user32.dll", "TrackPopupMenu", reinterpret_cast<void*>(ProbeTrackPopupMenu), false},
    {"user32.dll", "DialogBoxParamA", reinterpret_cast<void*>(ProbeDialogBoxParam), false},
    {"user32.dll", "MessageBoxA", reinterpret_cast<void*>(ProbeMessageBox), false},
    {"comdlg32.dll", "GetOpenFileNameA", reinterpret_cast<void*>(tavos_probe::ProbeGetOpenFileName),
     false},
};

FARPROC(WINAPI* g_getProcAddress)(HMODULE, LPCSTR) = GetProcAddress;

// What Tavos binds at run time comes through here: it gets the probe instead.
FARPROC WINAPI ProbeGetProcAddress(HMODULE module, LPCSTR name) {
  if (reinterpret_cast<ULONG_PTR>(name) > 0xFFFF)
    for (const Wrap& wrap : kWraps)
      if (wrap.boundAtRunTime && std::strcmp(name, wrap.name) == 0)
        return reinterpret_cast<FARPROC>(wrap.probe);
  return g_getProcAddress(module, name);
}

// Points Tavos.exe's import slots for the functions above at the probes. A slot that is not
// found is reported, so a lost observation never passes for an absent one.
void WrapImports() {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  bool found[sizeof kWraps / sizeof kWraps[0]] = {};
  for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
       dir.VirtualAddress != 0 && imp->Name != 0; ++imp) {
    const char* dll = reinterpret_cast<const char*>(base + imp->Name);
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
    for (; imp->OriginalFirstThunk != 0 && names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      for (size_t i = 0; i < sizeof kWraps / sizeof kWraps[0]; ++i) {
        if (lstrcmpiA(dll, kWraps[i].dll) != 0 ||
            std::strcmp(reinterpret_cast<const char*>(byName->Name), kWraps[i].name) != 0)
          continue;
        DWORD old = 0;
        VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
        slots->u1.Function = reinterpret_cast<ULONG_PTR>(kWraps[i].probe);
        VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
        found[i] = true;
      }
    }
  }
  for (size_t i = 0; i < sizeof kWraps / sizeof kWraps[0]; ++i)
    if (!found[i] && !(kWraps[i].boundAtRunTime && found[0]))
      AppendEvent(std::string("probe-error no import ") + kWraps[i].name);
}

void WrapOnce() {
  static bool wrapped = false;
  if (wrapped) return;
  wrapped = true;
  WrapImports();
}

}  // namespace

// Exported undecorated (--kill-at), under the names of probe_exports.h.
// Installed first on Tavos's thread so that Wine loads the probe at the first message sent
// to a window of it, before the frame's WM_CREATE sets the timer and the tray icon.
extern "C" __declspec(dllexport) LRESULT CALLBACK
    TavosWineCallWndHook(int code, WPARAM wParam, LPARAM lParam) {
  WrapOnce();
  if (code == HC_ACTION && lParam != 0)
    tavos_probe::SeeSentMessage(*reinterpret_cast<CWPSTRUCT*>(lParam));
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Sees every message any loop of Tavos's thread takes, the modal ones included.
extern "C" __declspec(dllexport) LRESULT CALLBACK
    TavosWineGetMessageHook(int code, WPARAM removal, LPARAM lParam) {
  WrapOnce();
  static const UINT settle = RegisterWindowMessageA(tavos_wine::kSettleMessage);
  static HANDLE grant =
      OpenSemaphoreA(SYNCHRONIZE | SEMAPHORE_MODIFY_STATE, FALSE, tavos_wine::kTickGrant);
  static HANDLE ran = OpenEventA(EVENT_MODIFY_STATE, FALSE, tavos_wine::kTickRan);
  static HANDLE settled = OpenEventA(EVENT_MODIFY_STATE, FALSE, tavos_wine::kSettled);
  auto* msg = reinterpret_cast<MSG*>(lParam);
  if (code == HC_ACTION && removal == PM_REMOVE && msg != nullptr &&
      !tavos_probe::TakeMessage(msg)) {
    if (msg->message == settle && msg->hwnd == nullptr) {
      msg->message = WM_NULL;
      if (settled && tavos_probe::SettlesNow()) SetEvent(settled);
    } else if (msg->message == WM_TIMER && msg->wParam == tavos_wine::kPollTimerId &&
               msg->lParam == 0 && !IsTopMost(msg->hwnd)) {
      // Not granted: the tick waits for the next period, as if the timer had not run out.
      if (grant != nullptr && WaitForSingleObject(grant, 0) == WAIT_OBJECT_0) {
        if (ran) SetEvent(ran);
      } else {
        msg->message = WM_NULL;
      }
    }
  }
  return CallNextHookEx(nullptr, code, removal, lParam);
}
