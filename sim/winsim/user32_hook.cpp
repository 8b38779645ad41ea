// Hooks. Journal playback: while one is installed, the system takes keyboard input from it
// and no other (keybd_event included). The hook is called on the thread that installed it,
// whenever that thread looks for a message: HC_GETNEXT for the current event, which is then
// played to the foreground window, and HC_SKIP to move on, until the hook removes itself, or
// the user presses Ctrl+Esc or Ctrl+Alt+Del, which removes it and posts WM_CANCELJOURNAL.
// WH_GETMESSAGE thread hooks see each message their thread retrieves. No other kinds.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "sim/winsim/journal_playback.h"
#include "sim/winsim/keyboard.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/window_manager.h"
#include "sim/winsim/windows_pc.h"

using winsim::WindowsPc;

namespace {

constexpr DWORD kErrorInvalidHookHandle = 1404;
constexpr DWORD kErrorInvalidFilterProc = 1427;
constexpr DWORD kErrorHookNeedsHmod = 1428;
constexpr DWORD kErrorGlobalOnlyHook = 1429;
// More events than a full key queue gives (two per entry): a hook that never ends is stopped.
constexpr int kMaxEventsPerPlayback = 10000;

WindowsPc::JournalHook* HookOf(winsim::SimThread& thread) {
  auto& hooks = WindowsPc::Current().JournalHooks();
  for (auto& hook : hooks)
    if (hook.thread == &thread) return &hook;
  return nullptr;
}

// The key message as a window receives it: repeat count 1, the scan code, the context bit
// for system keys, and the previous-state and transition bits for key-ups.
LPARAM KeyMessageBits(const EVENTMSG& event, bool up) {
  LPARAM bits = 1 | LPARAM(event.paramH & 0xFF) << 16;
  if (event.message == WM_SYSKEYDOWN || event.message == WM_SYSKEYUP) bits |= LPARAM(1) << 29;
  if (up) bits |= LPARAM(3) << 30;
  return bits;
}

void Play(const EVENTMSG& event) {
  WindowsPc& pc = WindowsPc::Current();
  HWND foreground = pc.Windows().Foreground();
  pc.PlayedEvents().push_back({event, foreground});
  char line[48];
  switch (event.message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP: {
      bool up = event.message == WM_KEYUP || event.message == WM_SYSKEYUP;
      bool system = event.message == WM_SYSKEYDOWN || event.message == WM_SYSKEYUP;
      BYTE vk = BYTE(event.paramL);
      pc.Keys().Synthesise(vk, !up);
      std::snprintf(line, sizeof line, "play %s %s 0x%02X", system ? "syskey" : "key", up ? "up" : "down", vk);
      pc.Events().Add(line);
      winsim::DeliverKeyInput(foreground, event.message, vk, KeyMessageBits(event, up));
      return;
    }
    case WM_QUEUESYNC:
      pc.Events().Add("play queuesync");
      return;
    default:
      pc.Stub("journal playback of message " + std::to_string(event.message));
  }
}

}  // namespace

namespace winsim {

void PlayJournal(SimThread& thread) {
  if (thread.playingJournal || HookOf(thread) == nullptr) return;
  // A modal loop the hook opens (a message box) looks for messages too: no second round.
  thread.playingJournal = true;
  WindowsPc& pc = WindowsPc::Current();
  int played = 0;
  for (WindowsPc::JournalHook* hook; (hook = HookOf(thread)) != nullptr; ++played) {
    if (played == kMaxEventsPerPlayback) {
      pc.Violation("a journal-playback hook played " + std::to_string(played) + " events without ending");
      UnhookWindowsHookEx(reinterpret_cast<HHOOK>(hook->handle));
      break;
    }
    HOOKPROC proc = hook->proc;
    EVENTMSG event;
    std::memset(&event, 0xCC, sizeof event);
    LRESULT delay = proc(HC_GETNEXT, 0, reinterpret_cast<LPARAM>(&event));
    if (HookOf(thread) == nullptr) break;
    if (delay != 0) pc.Stub("journal playback with a delay");
    Play(event);
    proc(HC_SKIP, 0, 0);
    pc.JournalEventPlayed(played + 1);
  }
  thread.playingJournal = false;
}

void CallGetMessageHooks(SimThread& thread, MSG* msg, bool removed) {
  // A copy: a hook may unhook itself.
  std::vector<WindowsPc::MessageHook> hooks = WindowsPc::Current().MessageHooks();
  for (const WindowsPc::MessageHook& hook : hooks)
    if (hook.thread == &thread) hook.proc(HC_ACTION, removed ? PM_REMOVE : PM_NOREMOVE, reinterpret_cast<LPARAM>(msg));
}

bool WindowsPc::PressSystemKeys(const std::string& keys, int afterEvents) {
  if (keys != "ctrl+esc" && keys != "ctrl+alt+del") return false;
  if (afterEvents > 0) {
    pendingSystemKeys_ = keys;
    pendingSystemKeysAfter_ = afterEvents;
    return true;
  }
  timeline_.Add("system " + keys);
  std::vector<JournalHook> cancelled;
  cancelled.swap(journalHooks_);
  for (const JournalHook& hook : cancelled) {
    timeline_.Add("journal cancelled");
    hook.thread->posted.push_back(MSG{nullptr, WM_CANCELJOURNAL, 0, 0, DWORD(Now()), {}});
  }
  ReleaseHeldInput();
  return true;
}

bool WindowsPc::HoldInput(uint8_t vk, bool up) {
  if (heldInput_.size() >= kMaxHeldInput) return false;
  heldInput_.emplace_back(vk, up);
  return true;
}

void WindowsPc::ReleaseHeldInput() {
  if (!journalHooks_.empty()) return;
  std::vector<std::pair<uint8_t, bool>> held;
  held.swap(heldInput_);
  for (const auto& [vk, up] : held) DeliverKeyEvent(vk, up);
}

void WindowsPc::JournalEventPlayed(int played) {
  if (pendingSystemKeys_.empty() || played != pendingSystemKeysAfter_) return;
  std::string keys;
  keys.swap(pendingSystemKeys_);
  PressSystemKeys(keys);
}

}  // namespace winsim

namespace {

HHOOK SetGetMessageHook(HOOKPROC lpfn, HINSTANCE hmod, DWORD dwThreadId) {
  WindowsPc& pc = WindowsPc::Current();
  winsim::SimThread* thread = pc.CurrentThread();
  if (lpfn == nullptr) {
    SetLastError(kErrorInvalidFilterProc);
    return nullptr;
  }
  if (dwThreadId == 0) {
    // A system-wide hook runs in every process: its procedure must live in a DLL.
    if (hmod == nullptr) {
      SetLastError(kErrorHookNeedsHmod);
      return nullptr;
    }
    pc.Stub("SetWindowsHookExA of a system-wide message hook");
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (dwThreadId != thread->tid) {
    pc.Stub("SetWindowsHookExA on another thread");
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  uintptr_t handle = pc.NextHookHandle();
  pc.MessageHooks().push_back({handle, lpfn, thread});
  return reinterpret_cast<HHOOK>(handle);
}

}  // namespace

HHOOK WINAPI SetWindowsHookExA(int idHook, HOOKPROC lpfn, HINSTANCE hmod, DWORD dwThreadId) {
  WindowsPc& pc = WindowsPc::Current();
  winsim::SimThread* thread = pc.CurrentThread();
  if (idHook == WH_GETMESSAGE && thread != nullptr) return SetGetMessageHook(lpfn, hmod, dwThreadId);
  if (idHook != WH_JOURNALPLAYBACK || thread == nullptr) {
    pc.Stub("SetWindowsHookExA of hook " + std::to_string(idHook) + (thread ? "" : " on the owner's thread"));
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (lpfn == nullptr) {
    SetLastError(kErrorInvalidFilterProc);
    return nullptr;
  }
  if (dwThreadId != 0) {
    SetLastError(kErrorGlobalOnlyHook);
    return nullptr;
  }
  if (pc.TakeHookInstallFailure()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  if (!pc.JournalHooks().empty()) pc.Violation("a second journal-playback hook while one is installed");
  uintptr_t handle = pc.NextHookHandle();
  pc.JournalHooks().push_back({handle, lpfn, thread});
  return reinterpret_cast<HHOOK>(handle);
}

namespace {

template <typename Hook>
bool Unhook(std::vector<Hook>& hooks, HHOOK hhk) {
  auto found = std::find_if(hooks.begin(), hooks.end(),
                            [&](const Hook& hook) { return hook.handle == reinterpret_cast<uintptr_t>(hhk); });
  if (found == hooks.end()) return false;
  hooks.erase(found);
  return true;
}

}  // namespace

// A hook the system already removed (a cancelled playback) is an invalid handle.
BOOL WINAPI UnhookWindowsHookEx(HHOOK hhk) {
  WindowsPc& pc = WindowsPc::Current();
  if (Unhook(pc.JournalHooks(), hhk)) {
    pc.ReleaseHeldInput();
    return TRUE;
  }
  if (Unhook(pc.MessageHooks(), hhk)) return TRUE;
  SetLastError(kErrorInvalidHookHandle);
  return FALSE;
}

// Each kind of hook has one procedure per thread here, so there is never a next one.
LRESULT WINAPI CallNextHookEx(HHOOK, int, WPARAM, LPARAM) { return 0; }
