// The playback engine: queue entries become key-down and key-up events, with Shift, Ctrl and
// Alt tracked so that keys played under Alt alone become system keys.
#include "keys/playback_hook.h"

#include "keys/key_string_parser.h"

PROCESS_WIDE HHOOK g_hPlaybackHook;
PROCESS_WIDE HHOOK g_hCancelWatchHook;
PROCESS_WIDE BOOL g_bPrimeEvent;
PROCESS_WIDE HWND g_hwndSync;
PROCESS_WIDE SHORT g_evVk;
PROCESS_WIDE BOOL g_evDown;
PROCESS_WIDE BOOL g_evSysKey;
PROCESS_WIDE SHORT g_vkCurrent;
PROCESS_WIDE BOOL g_bKeyUpPending;
PROCESS_WIDE BOOL g_bShiftDown;
PROCESS_WIDE BOOL g_bCtrlDown;
PROCESS_WIDE BOOL g_bAltDown;
PROCESS_WIDE BOOL g_bKeySinceAlt;
PROCESS_WIDE HWND g_hRecorderWnd;

namespace {

constexpr BYTE kUp = 0x7F;             // clears the down bit
constexpr BYTE kUpAndUntoggled = 0x7E;  // clears the down and toggle bits
constexpr char kQueueSyncText[] = "queusync";

bool IsModifier(SHORT vk) { return vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU; }

BOOL AltAlone() { return g_bAltDown && !g_bCtrlDown; }

// This thread's view of the modifiers and lock keys starts up, whatever the hardware shows.
void CleanThreadKeyState() {
  BYTE state[256];
  if (!GetKeyboardState(state)) return;
  state[VK_SHIFT] &= kUp;
  state[VK_CONTROL] &= kUp;
  state[VK_MENU] &= kUp;
  state[VK_CAPITAL] &= kUpAndUntoggled;
  state[VK_NUMLOCK] &= kUpAndUntoggled;
  SetKeyboardState(state);
}

}  // namespace

int StartKeyPlayback(HWND hwndSync, const char* pszKeys) {
  // A playback is running: the new keys go behind the ones still to come, so nothing is
  // lost and the queue under the hook is never rebuilt.
  if (g_hPlaybackHook != nullptr) return AppendKeyString(pszKeys);
  int result = ParseKeyString(pszKeys);
  if (result != kKeysOk) return result;
  // Nothing to play (the empty string): a hook would hand the system a stale event.
  if (g_nQueued == 0) return kKeysOk;
  NextKeyEvent(nullptr, nullptr, nullptr);
  g_bPrimeEvent = TRUE;
  g_hwndSync = hwndSync;
  g_hPlaybackHook = SetWindowsHookExA(WH_JOURNALPLAYBACK, JournalPlaybackProc, GetModuleHandleA(nullptr), 0);
  if (g_hPlaybackHook == nullptr) return kKeysCannotInstallHook;
  // Without the watch a cancelled playback is not noticed; it still plays when not cancelled.
  g_hCancelWatchHook = SetWindowsHookExA(WH_GETMESSAGE, CancelWatchProc, nullptr, GetCurrentThreadId());
  CleanThreadKeyState();
  return kKeysOk;
}

namespace {

void StopCancelWatch() {
  if (g_hCancelWatchHook != nullptr) UnhookWindowsHookEx(g_hCancelWatchHook);
  g_hCancelWatchHook = nullptr;
}

}  // namespace

void CancelKeyPlayback() {
  g_hPlaybackHook = nullptr;  // already removed by the system
  StopCancelWatch();
  g_bPrimeEvent = FALSE;
  NextKeyEvent(nullptr, nullptr, nullptr);
  g_nQueued = 0;
}

LRESULT CALLBACK CancelWatchProc(int nCode, WPARAM wParam, LPARAM lParam) {
  HHOOK self = g_hCancelWatchHook;
  if (nCode == HC_ACTION && wParam == PM_REMOVE) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (msg->hwnd == nullptr && msg->message == WM_CANCELJOURNAL && g_hPlaybackHook != nullptr)
      CancelKeyPlayback();
  }
  return CallNextHookEx(self, nCode, wParam, lParam);
}

BOOL NextKeyEvent(SHORT* pVk, BOOL* pDown, BOOL* pSysKey) {
  if (pVk == nullptr) {
    g_vkCurrent = 0;
    g_bKeyUpPending = FALSE;
    g_bAltDown = FALSE;
    g_bCtrlDown = FALSE;
    g_bShiftDown = FALSE;
    g_nPlayed = 0;
    return TRUE;
  }
  // A plain key that went down is owed its key-up before anything else.
  if (g_vkCurrent != 0 && !IsModifier(g_vkCurrent) && g_bKeyUpPending) {
    *pVk = g_vkCurrent;
    *pDown = FALSE;
    *pSysKey = AltAlone();
    g_vkCurrent = 0;
    g_bKeySinceAlt = TRUE;
    return TRUE;
  }
  if (g_nPlayed >= g_nQueued) return FALSE;
  SHORT vk = g_keyQueue[g_nPlayed++];
  g_vkCurrent = vk;
  *pVk = vk;
  bool altReleased = false;
  switch (vk) {
    case VK_SHIFT:
      g_bShiftDown = !g_bShiftDown;
      *pDown = g_bShiftDown;
      break;
    case VK_CONTROL:
      g_bCtrlDown = !g_bCtrlDown;
      *pDown = g_bCtrlDown;
      break;
    case VK_MENU:
      g_bAltDown = !g_bAltDown;
      *pDown = g_bAltDown;
      if (g_bAltDown) g_bKeySinceAlt = FALSE;
      altReleased = !g_bAltDown;
      break;
    case kQueueSync:
      g_vkCurrent = 0;
      *pSysKey = AltAlone();
      return TRUE;
    default:
      *pDown = TRUE;
      g_bKeyUpPending = TRUE;
      g_bKeySinceAlt = TRUE;
  }
  // Alt pressed and released alone is a system key-up; released after a key, an ordinary one.
  *pSysKey = altReleased ? (!g_bKeySinceAlt && !g_bCtrlDown) : AltAlone();
  return TRUE;
}

LRESULT CALLBACK JournalPlaybackProc(int nCode, WPARAM, LPARAM lParam) {
  if (g_bPrimeEvent) {
    NextKeyEvent(&g_evVk, &g_evDown, &g_evSysKey);
    g_bPrimeEvent = FALSE;
  }
  if (nCode == HC_GETNEXT) {
    auto* event = reinterpret_cast<EVENTMSG*>(lParam);
    SetForegroundWindow(g_hRecorderWnd);  // a missing window is no reason to stop
    event->time = GetTickCount();
    if (g_evVk == kQueueSync) {
      MessageBoxA(nullptr, kQueueSyncText, nullptr, MB_OK);
      event->message = WM_QUEUESYNC;
      event->paramL = UINT(reinterpret_cast<UINT_PTR>(g_hwndSync));
      event->paramH = 0;
    } else {
      if (g_evSysKey) event->message = g_evDown ? WM_SYSKEYDOWN : WM_SYSKEYUP;
      else event->message = g_evDown ? WM_KEYDOWN : WM_KEYUP;
      event->paramL = UINT(int(g_evVk));
      event->paramH = MapVirtualKeyA(UINT(g_evVk), MAPVK_VK_TO_VSC);
    }
    return 0;
  }
  if (nCode == HC_SKIP && !NextKeyEvent(&g_evVk, &g_evDown, &g_evSysKey)) {
    UnhookWindowsHookEx(g_hPlaybackHook);
    g_hPlaybackHook = nullptr;
    StopCancelWatch();
  }
  return 0;
}
