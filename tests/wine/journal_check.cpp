// scenario_host.exe --journal-check: what this Wine does with a journal-playback hook, the
// claims docs/wine.md makes for the media scenarios (the play lines are not observed, the
// system statement is refused): the hook is taken, never called, real keys still pass, and
// Ctrl+Esc cancels nothing. Prints what it saw; status 0 when that is so, else 1.
#include "tests/wine/journal_check.h"

#include <windows.h>

#include <cstdio>

namespace tavos_host {

namespace {

constexpr DWORD kWaitForCallsMs = 1000;
constexpr DWORD kWaitForKeysMs = 500;
constexpr int kMostCalls = 8;  // should Wine call it: enough to see, then it stops itself

int g_calls = 0;
HHOOK g_hook = nullptr;
bool g_keyB = false;
bool g_cancelled = false;

LRESULT CALLBACK PlayOneKey(int code, WPARAM, LPARAM lParam) {
  ++g_calls;
  if (code == HC_GETNEXT && lParam != 0) {
    auto* event = reinterpret_cast<EVENTMSG*>(lParam);
    event->message = WM_KEYDOWN;
    event->paramL = 'A';
    event->paramH = MapVirtualKeyA('A', MAPVK_VK_TO_VSC);
    event->time = GetTickCount();
  }
  if (code == HC_SKIP && g_calls >= kMostCalls && g_hook != nullptr) {
    UnhookWindowsHookEx(g_hook);
    g_hook = nullptr;
  }
  return 0;
}

void Pump(DWORD ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_CANCELJOURNAL) g_cancelled = true;
      if (msg.message == WM_KEYDOWN && msg.wParam == 'B') g_keyB = true;
      DispatchMessageA(&msg);
    }
    Sleep(10);
  }
}

void Keys(const BYTE* keys, int count) {
  for (int i = 0; i < count; ++i) keybd_event(keys[i], 0, 0, 0);
  for (int i = count - 1; i >= 0; --i) keybd_event(keys[i], 0, KEYEVENTF_KEYUP, 0);
}

}  // namespace

int CheckJournalPlayback() {
  HWND window = CreateWindowA("STATIC", "journal check", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                              200, 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  SetForegroundWindow(window);
  SetFocus(window);
  Pump(kWaitForKeysMs);
  SetLastError(0);
  g_hook = SetWindowsHookExA(WH_JOURNALPLAYBACK, PlayOneKey, GetModuleHandleA(nullptr), 0);
  const DWORD error = GetLastError();
  if (g_hook == nullptr) {
    std::printf("journal playback: the hook is refused (error %lu)\n", error);
    DestroyWindow(window);
    return 1;
  }
  Pump(kWaitForCallsMs);
  const BYTE b[] = {'B'};
  Keys(b, 1);
  Pump(kWaitForKeysMs);
  const BYTE ctrlEsc[] = {VK_CONTROL, VK_ESCAPE};
  Keys(ctrlEsc, 2);
  Pump(kWaitForKeysMs);
  // Removing it again tells whether Ctrl+Esc left it installed.
  const bool stillInstalled = g_hook != nullptr && UnhookWindowsHookEx(g_hook);
  std::printf(
      "journal playback: the hook is taken; called %d times in %lu ms; a key sent meanwhile %s; "
      "Ctrl+Esc %s WM_CANCELJOURNAL and left the hook %s\n",
      g_calls, kWaitForCallsMs, g_keyB ? "passes" : "is held back",
      g_cancelled ? "posted" : "posted no", stillInstalled ? "installed" : "removed");
  DestroyWindow(window);
  return g_calls == 0 && g_keyB && !g_cancelled && stillInstalled ? 0 : 1;
}

}  // namespace tavos_host
