// End-to-end check of Tavos.exe, run as a Windows console program (under Wine on Linux):
//   tavos_e2e.exe <path of Tavos.exe> [<screenshot folder>]
// Starts Tavos, watches its windows, its settings file, the single-instance rule, the tray
// menu with Disable/Enable and the about box, and the exit command from the outside. One line
// per check; the exit status is 1 on any failure.
// Screenshots: with a folder given, the program prints "screenshot NAME WxH+X+Y" and waits
// until whoever reads its output (run_wine_e2e.sh) has saved NAME.png there, or NAME.failed.
#include <windows.h>

// Needs the types of windows.h.
#include <tlhelp32.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "menu_probe.h"
#include "tests/wine/window_names.h"

namespace {

using tavos_wine::ClassOf;
using tavos_wine::TextOf;

constexpr UINT kExitCommand = 58112;
constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kPollPeriodMs = 650;
constexpr DWORD kSecondCopyTimeoutMs = 10000;
constexpr DWORD kExitTimeoutMs = 10000;
constexpr UINT kAnswerTimeoutMs = 1000;
constexpr DWORD kStepMs = 50;

constexpr UINT kTrayCallback = WM_APP + 10;  // 0x800A
constexpr WPARAM kTrayIconId = 142;
constexpr UINT kDisableCommand = 103;
constexpr UINT kAboutCommand = 32774;
constexpr UINT kGetMenuHandle = 0x01E1;  // MN_GETHMENU
constexpr DWORD kMenuTimeoutMs = 5000;
constexpr DWORD kKeyTimeoutMs = 2000;
constexpr DWORD kStateFileTimeoutMs = 5000;
constexpr DWORD kPaintTimeoutMs = 2000;
constexpr DWORD kScreenshotTimeoutMs = 15000;
constexpr LONG kScreenshotMargin = 24;
const char kStateBanner[] = "[ Tavo Buttons Config File ]\r\n";

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
  // Wine and Windows add their own helper windows (IME and the like) to GUI threads.
  if (ClassOf(hwnd).rfind("Afx:", 0) != 0) return TRUE;
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

// Polls `done` every kStepMs until it holds or `timeoutMs` has passed.
template <typename Done>
bool WaitUntil(DWORD timeoutMs, Done done) {
  const DWORD t0 = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - t0 >= timeoutMs) return false;
    Sleep(kStepMs);
  }
}

// The whole file as bytes; "" with *exists = false when it cannot be opened.
std::string ReadWholeFile(const std::string& path, bool* exists) {
  *exists = false;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "";
  *exists = true;
  std::string bytes;
  char buffer[512];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

// Control characters spelled out, so that CR LF shows in a failure message.
std::string Visible(const std::string& bytes) {
  std::string text = "\"";
  for (unsigned char c : bytes) {
    if (c == '\r') {
      text += "\\r";
    } else if (c == '\n') {
      text += "\\n";
    } else if (c < 0x20 || c >= 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      text += hex;
    } else {
      text += char(c);
    }
  }
  return text + "\"";
}

struct ThreadWindowQuery {
  const char* cls;
  HWND found;
};

BOOL CALLBACK FindVisibleOfClass(HWND hwnd, LPARAM param) {
  auto* query = reinterpret_cast<ThreadWindowQuery*>(param);
  if (!IsWindowVisible(hwnd) || ClassOf(hwnd) != query->cls) return TRUE;
  query->found = hwnd;
  return FALSE;
}

// A visible top-level window of the given class made by the given thread.
HWND VisibleThreadWindow(DWORD threadId, const char* cls) {
  ThreadWindowQuery query{cls, nullptr};
  EnumThreadWindows(threadId, FindVisibleOfClass, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

// Reads Tavos's open popup menu from inside Tavos's GUI thread (see menu_probe.h).
class MenuProbe {
 public:
  MenuProbe() = default;
  MenuProbe(const MenuProbe&) = delete;
  MenuProbe& operator=(const MenuProbe&) = delete;
  ~MenuProbe() {
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
    if (answer_ != nullptr) UnmapViewOfFile(answer_);
    if (mapping_ != nullptr) CloseHandle(mapping_);
    if (dll_ != nullptr) FreeLibrary(dll_);
  }

  // The probe DLL lies next to this program.
  bool Install(DWORD threadId, std::string* error) {
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    path = path.substr(0, path.find_last_of("\\/") + 1) + "tavos_e2e_probe.dll";
    char name[64];
    std::snprintf(name, sizeof name, "%s%lu", TAVOS_E2E_MENU_MAPPING_PREFIX,
                  static_cast<unsigned long>(GetCurrentProcessId()));
    mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                  sizeof(MenuProbeAnswer), name);
    if (mapping_ != nullptr) {
      answer_ = static_cast<MenuProbeAnswer*>(
          MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(MenuProbeAnswer)));
    }
    if (answer_ == nullptr) {
      *error = "no shared memory (error " + std::to_string(GetLastError()) + ")";
      return false;
    }
    dll_ = LoadLibraryA(path.c_str());
    if (dll_ == nullptr) {
      *error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
      return false;
    }
    auto proc = reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void*>(GetProcAddress(dll_, TAVOS_E2E_PROBE_HOOK_EXPORT)));
    if (proc == nullptr) {
      *error = path + " exports no " TAVOS_E2E_PROBE_HOOK_EXPORT " (decorated stdcall name?)";
      return false;
    }
    hook_ = SetWindowsHookExA(WH_CALLWNDPROC, proc, dll_, threadId);
    message_ = RegisterWindowMessageA(TAVOS_E2E_READ_MENU_MESSAGE);
    if (hook_ == nullptr || message_ == 0) {
      *error = "SetWindowsHookExA failed (error " + std::to_string(GetLastError()) + ")";
      return false;
    }
    return true;
  }

  // The items of `menu`, asked for through a message to `menuWindow` of Tavos's thread.
  bool Read(HWND menuWindow, HMENU menu, std::vector<MenuProbeItem>* items, std::string* error) {
    items->clear();
    if (hook_ == nullptr) {
      *error = "no probe";
      return false;
    }
    std::memset(answer_, 0, sizeof *answer_);
    DWORD_PTR result = 0;
    LRESULT sent = SendMessageTimeoutA(menuWindow, message_, reinterpret_cast<WPARAM>(menu),
                                       LPARAM(GetCurrentProcessId()), SMTO_ABORTIFHUNG,
                                       kAnswerTimeoutMs, &result);
    if (sent == 0 || InterlockedCompareExchange(&answer_->answered, 0, 0) == 0) {
      *error = sent == 0 ? "the menu window did not answer" : "the probe did not answer";
      return false;
    }
    if (answer_->count < 0) {
      *error = "GetMenuItemCount inside Tavos gave " + std::to_string(answer_->count);
      return false;
    }
    const int n = std::min(answer_->count, kMenuProbeMaxItems);
    items->assign(answer_->items, answer_->items + n);
    return true;
  }

 private:
  HMODULE dll_ = nullptr;
  HHOOK hook_ = nullptr;
  HANDLE mapping_ = nullptr;
  MenuProbeAnswer* answer_ = nullptr;
  UINT message_ = 0;
};

bool IsSeparator(const MenuProbeItem& item) { return (item.state & MF_SEPARATOR) != 0; }

// "Disable#103 | About.....#32774 | separator | EXIT#58112"
std::string ItemsText(const std::vector<MenuProbeItem>& items) {
  std::string text;
  for (const auto& item : items) {
    if (!text.empty()) text += " | ";
    text += IsSeparator(item) ? std::string("separator")
                              : std::string(item.text) + "#" + std::to_string(item.id);
  }
  return "[" + text + "]";
}

// The positions of the checked items: "checked positions [0]".
std::string CheckedText(const std::vector<MenuProbeItem>& items) {
  std::string text;
  for (size_t i = 0; i < items.size(); ++i) {
    if (!IsSeparator(items[i]) && (items[i].state & MF_CHECKED) != 0) {
      text += (text.empty() ? "" : " ") + std::to_string(i);
    }
  }
  return "checked positions [" + text + "]";
}

int HighlightOf(const std::vector<MenuProbeItem>& items) {
  for (size_t i = 0; i < items.size(); ++i) {
    if ((items[i].state & MF_HILITE) != 0) return int(i);
  }
  return -1;
}

// One key pressed and released as keyboard input; it reaches the thread of the foreground
// window, here the one tracking the menu.
bool PressKey(WORD key) {
  INPUT inputs[2] = {};
  for (auto& input : inputs) {
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = WORD(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
  }
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  return SendInput(2, inputs, sizeof(INPUT)) == 2;
}

bool MenuClosed(HWND menuWindow) { return !IsWindow(menuWindow) || !IsWindowVisible(menuWindow); }

// Leaves an open menu with Escape, posted to the menu so it does not depend on the focus.
void CloseMenu(HWND menuWindow) {
  if (menuWindow == nullptr || MenuClosed(menuWindow)) return;
  PostMessageA(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0);
  bool closed = WaitUntil(kMenuTimeoutMs, [&] { return MenuClosed(menuWindow); });
  Info("menu left open after a failure; Escape %s it", closed ? "closed" : "did not close");
}

// The tray menu as Tavos shows it after a right click on its icon.
struct OpenedMenu {
  HWND window = nullptr;
  HMENU menu = nullptr;
  std::vector<MenuProbeItem> items;
};

// Right-clicks the icon (the shell's notification, posted to the tray window) and reads the
// popup that opens. `when` prefixes the check names.
bool OpenTrayMenu(HWND tray, HWND frame, DWORD threadId, MenuProbe& probe, const char* when,
                  OpenedMenu* opened) {
  *opened = OpenedMenu();
  const std::string prefix = std::string(when) + ": ";
  BOOL posted = PostMessageA(tray, kTrayCallback, kTrayIconId, WM_RBUTTONUP);
  HWND window = nullptr;
  bool shown = posted && WaitUntil(kMenuTimeoutMs, [&] {
                 window = VisibleThreadWindow(threadId, "#32768");
                 return window != nullptr;
               });
  Expect((prefix + "right click on the tray icon opens a popup menu (#32768) of Tavos's thread")
             .c_str(),
         shown, "a menu window within 5 s",
         posted ? "none" : "PostMessageA failed (error " + std::to_string(GetLastError()) + ")");
  if (!shown) return false;
  opened->window = window;
  HWND foreground = GetForegroundWindow();
  Expect(
      (prefix + "Tavos brings its frame to the foreground for the menu").c_str(),
      foreground == frame, "the frame",
      foreground == nullptr ? "no foreground window" : "a \"" + ClassOf(foreground) + "\" window");
  DWORD_PTR handle = 0;
  SendMessageTimeoutA(window, kGetMenuHandle, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &handle);
  opened->menu = reinterpret_cast<HMENU>(handle);
  Expect((prefix + "MN_GETHMENU gives the menu's handle").c_str(), opened->menu != nullptr,
         "an HMENU", "none");
  if (opened->menu == nullptr) return false;
  std::string error;
  bool read = probe.Read(window, opened->menu, &opened->items, &error);
  Expect((prefix + "the menu's items are read inside Tavos").c_str(), read,
         "GetMenuItemCount and GetMenuStringA answers", error);
  return read;
}

// Picks item `index` as a user would with the keyboard: Down until it is highlighted, then
// Enter. Each key waits for the menu to show its effect.
bool PickMenuItem(MenuProbe& probe, const OpenedMenu& opened, int index, std::string* error) {
  std::vector<MenuProbeItem> items = opened.items;
  int highlight = HighlightOf(items);
  for (int presses = 0; highlight != index; ++presses) {
    if (presses > int(items.size())) {
      *error = "the highlight never reached position " + std::to_string(index);
      return false;
    }
    const int before = highlight;
    std::string readError;
    bool moved = PressKey(VK_DOWN) && WaitUntil(kKeyTimeoutMs, [&] {
                   if (!probe.Read(opened.window, opened.menu, &items, &readError)) return true;
                   highlight = HighlightOf(items);
                   return highlight != before;
                 });
    if (!readError.empty()) {
      *error = "menu unreadable after Down: " + readError;
      return false;
    }
    if (!moved) {
      *error = "Down did not move the highlight from position " + std::to_string(before) +
               " within 2 s (keyboard input does not reach the menu)";
      return false;
    }
  }
  if (!PressKey(VK_RETURN) ||
      !WaitUntil(kMenuTimeoutMs, [&] { return MenuClosed(opened.window); })) {
    *error = "Enter on position " + std::to_string(index) + " did not close the menu within 5 s";
    return false;
  }
  return true;
}

// Waits for the state file to hold exactly `expected`.
void ExpectStateFile(const std::string& path, const char* what, const std::string& expected) {
  bool exists = false;
  std::string got;
  bool same = WaitUntil(kStateFileTimeoutMs, [&] {
    got = ReadWholeFile(path, &exists);
    return exists && got == expected;
  });
  Expect(what, same, Visible(expected) + " within 5 s", exists ? Visible(got) : "no file");
}

struct PaintQuery {
  bool pending;
};

BOOL CALLBACK FindPendingPaint(HWND hwnd, LPARAM param) {
  if (GetUpdateRect(hwnd, nullptr, FALSE)) {
    reinterpret_cast<PaintQuery*>(param)->pending = true;
    return FALSE;
  }
  return TRUE;
}

// True once neither the window nor any of its children waits for WM_PAINT.
bool Painted(HWND hwnd) {
  PaintQuery query{GetUpdateRect(hwnd, nullptr, FALSE) != FALSE};
  if (!query.pending) EnumChildWindows(hwnd, FindPendingPaint, reinterpret_cast<LPARAM>(&query));
  return !query.pending;
}

// Asks the reader of this program's output for a picture of `shown` (plus a margin) and waits
// for it: NAME.png when taken, NAME.failed with the reason otherwise.
void Screenshot(const std::string& folder, const char* name, HWND shown) {
  if (folder.empty()) {
    Info("screenshot %s skipped: no folder given", name);
    return;
  }
  // Painted, and WM_PAINT's handler finished (a message to the thread comes back only after
  // it), which is when Wine hands the pixels to the X server.
  bool painted = WaitUntil(kPaintTimeoutMs, [&] { return Painted(shown); }) && Answers(shown);
  if (!painted) Info("%s: the window still has parts to paint after 2 s", name);
  RECT area{};
  GetWindowRect(shown, &area);
  const LONG width = GetSystemMetrics(SM_CXSCREEN);
  const LONG height = GetSystemMetrics(SM_CYSCREEN);
  const LONG left = std::max(0L, area.left - kScreenshotMargin);
  const LONG top = std::max(0L, area.top - kScreenshotMargin);
  const LONG right = std::min(width, area.right + kScreenshotMargin);
  const LONG bottom = std::min(height, area.bottom + kScreenshotMargin);
  const std::string base = folder + "\\" + name;
  const std::string png = base + ".png";
  const std::string failed = base + ".failed";
  RemoveFile(png);
  RemoveFile(failed);
  std::printf("screenshot %s %ldx%ld+%ld+%ld\n", name, right - left, bottom - top, left, top);
  std::fflush(stdout);
  WaitUntil(kScreenshotTimeoutMs, [&] { return FileExists(png) || FileExists(failed); });
  bool exists = false;
  std::string reason = ReadWholeFile(failed, &exists);
  // One line per check: the taker's lines joined.
  std::string oneLine;
  for (char c : reason) {
    if (c == '\n') {
      oneLine += "; ";
    } else if (c != '\r') {
      oneLine += c;
    }
  }
  while (oneLine.size() >= 2 && oneLine.compare(oneLine.size() - 2, 2, "; ") == 0) {
    oneLine.resize(oneLine.size() - 2);
  }
  std::string what = std::string("screenshot ") + name + ".png saved";
  Expect(what.c_str(), FileExists(png), "the picture within 15 s",
         exists ? "failure: " + oneLine : "no answer from the screenshot taker");
}

// The on-screen display after Disable: Tavos's top-most tool popup, bottom centre, not in
// front, translucent (Wine reports a Windows with layered windows), and gone after its 1.5 s.
void CheckDisplay(DWORD threadId, const char* text, const std::string& shots) {
  constexpr const char* kClass = "TavosOnScreenDisplay";
  const DWORD shownAt = GetTickCount();
  HWND display = nullptr;
  bool shown = WaitUntil(kMenuTimeoutMs, [&] {
    display = VisibleThreadWindow(threadId, kClass);
    return display != nullptr;
  });
  std::string what = std::string("the on-screen display shows after Disable (\"") + text + "\")";
  Expect(what.c_str(), shown, "a visible " + std::string(kClass) + " window", "none");
  if (!shown) return;
  Screenshot(shots, "on-screen-display", display);
  // Taken while it showed: the display outlasted the picture.
  Expect("the display still showed when the picture was taken", IsWindowVisible(display) != FALSE,
         "visible", "hidden already (" + std::to_string(GetTickCount() - shownAt) + " ms)");
  const LONG exStyle = GetWindowLongA(display, GWL_EXSTYLE);
  const LONG wanted = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_LAYERED | WS_EX_TRANSPARENT;
  char styles[64];
  std::snprintf(styles, sizeof styles, "0x%08lX", static_cast<unsigned long>(exStyle));
  Expect("the display is a top-most, translucent tool window the mouse passes through",
         (exStyle & wanted) == wanted, "WS_EX_TOPMOST, TOOLWINDOW, LAYERED, TRANSPARENT", styles);
  BYTE alpha = 0;
  DWORD flags = 0;
  bool layered = GetLayeredWindowAttributes(display, nullptr, &alpha, &flags) != FALSE;
  Expect("the display's alpha is 208 of 255", layered && (flags & LWA_ALPHA) && alpha == 208,
         "LWA_ALPHA 208", layered ? "alpha " + std::to_string(alpha) : "no layered attributes");
  Expect("the display is not the foreground window", GetForegroundWindow() != display,
         "another window in front", "the display");
  RECT area{};
  GetWindowRect(display, &area);
  const LONG width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  char where[96];
  std::snprintf(where, sizeof where, "(%ld,%ld)-(%ld,%ld) on %ldx%ld", area.left, area.top,
                area.right, area.bottom, width, height);
  Expect("the display is centred, an eighth of the screen above its bottom",
         area.left + area.right == width && area.bottom == height - height / 8, "bottom centre",
         where);
  bool hidden = WaitUntil(3000, [&] { return !IsWindowVisible(display); });
  Info("the display hid after %lu ms", static_cast<unsigned long>(GetTickCount() - shownAt));
  Expect("the display hides by itself within 3 s", hidden, "hidden", "still showing");
}

struct ButtonList {
  std::vector<std::string> buttons;
};

BOOL CALLBACK CollectButton(HWND hwnd, LPARAM param) {
  if (lstrcmpiA(ClassOf(hwnd).c_str(), "Button") != 0) return TRUE;
  LONG type = GetWindowLongA(hwnd, GWL_STYLE) & BS_TYPEMASK;
  if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON) return TRUE;
  reinterpret_cast<ButtonList*>(param)->buttons.push_back(TextOf(hwnd) + "#" +
                                                          std::to_string(GetDlgCtrlID(hwnd)));
  return TRUE;
}

// The push buttons of a dialog as "TEXT#ID", sorted.
std::string PushButtonsText(HWND dialog) {
  ButtonList list;
  EnumChildWindows(dialog, CollectButton, reinterpret_cast<LPARAM>(&list));
  return Join(list.buttons);
}

// Checks the menu's items; on a mismatch the menu is closed with Escape.
bool ExpectItems(const char* what, const OpenedMenu& opened, const std::string& expected) {
  const std::string got = ItemsText(opened.items);
  Expect(what, got == expected, expected, got);
  if (got != expected) CloseMenu(opened.window);
  return got == expected;
}

// Right click, the menu's items, Disable and Enable picked with the keyboard and their state
// file, then the about box and its EXIT button. Leaves no menu or dialog open.
void CheckTrayMenu(HWND frame, HWND tray, const PROCESS_INFORMATION& tavos,
                   const std::string& stateFile, const std::string& shots) {
  MenuProbe probe;
  std::string error;
  bool hooked = probe.Install(tavos.dwThreadId, &error);
  Expect("menu probe hooked into Tavos's GUI thread", hooked, "a hook", error);
  if (!hooked) return;
  const std::string enabled = std::string(kStateBanner) + "0\r\n";
  const std::string disabled = std::string(kStateBanner) + "1\r\n";
  const std::string enabledItems = "[Disable#" + std::to_string(kDisableCommand) +
                                   " | About.....#" + std::to_string(kAboutCommand) +
                                   " | separator | EXIT#" + std::to_string(kExitCommand) + "]";
  const std::string disabledItems = "[Enable#" + std::to_string(kDisableCommand) +
                                    " | About.....#" + std::to_string(kAboutCommand) +
                                    " | separator | EXIT#" + std::to_string(kExitCommand) + "]";

  // Enabled: the menu, its picture, then Disable.
  OpenedMenu opened;
  if (!OpenTrayMenu(tray, frame, tavos.dwThreadId, probe, "enabled", &opened)) {
    CloseMenu(opened.window);
    return;
  }
  // Wine keeps menus per process; shown once so the route through the probe is explained.
  Info("GetMenuItemCount on Tavos's HMENU from this process: %d", GetMenuItemCount(opened.menu));
  // Taken before the checks: the picture matters most when they fail.
  Screenshot(shots, "tray-menu", opened.window);
  Expect("enabled: no tray menu item is checked",
         CheckedText(opened.items) == "checked positions []", "checked positions []",
         CheckedText(opened.items));
  // Any other first item could do anything when picked: the menu is left with Escape.
  if (!ExpectItems("enabled: tray menu holds Disable, About....., a separator, EXIT", opened,
                   enabledItems)) {
    return;
  }
  bool picked = PickMenuItem(probe, opened, 0, &error);
  Expect("Disable picked in the menu with Down, Enter", picked, "the menu closed", error);
  if (!picked) {
    CloseMenu(opened.window);
    return;
  }
  ExpectStateFile(stateFile, "Disable writes C:\\Tavos.ini with the banner and 1, CR LF", disabled);
  CheckDisplay(tavos.dwThreadId, "Hot keys off", shots);

  // Disabled: Enable, checked; picking it switches back.
  if (!OpenTrayMenu(tray, frame, tavos.dwThreadId, probe, "disabled", &opened)) {
    CloseMenu(opened.window);
    return;
  }
  Expect("disabled: Enable is checked, nothing else",
         CheckedText(opened.items) == "checked positions [0]", "checked positions [0]",
         CheckedText(opened.items));
  if (!ExpectItems("disabled: tray menu holds Enable, About....., a separator, EXIT", opened,
                   disabledItems)) {
    return;
  }
  picked = PickMenuItem(probe, opened, 0, &error);
  Expect("Enable picked in the menu with Down, Enter", picked, "the menu closed", error);
  if (!picked) {
    CloseMenu(opened.window);
    return;
  }
  ExpectStateFile(stateFile, "Enable writes C:\\Tavos.ini with the banner and 0, CR LF", enabled);

  // Enabled again: About..... opens the box; its EXIT closes only the box.
  if (!OpenTrayMenu(tray, frame, tavos.dwThreadId, probe, "enabled again", &opened)) {
    CloseMenu(opened.window);
    return;
  }
  Expect("enabled again: no tray menu item is checked",
         CheckedText(opened.items) == "checked positions []", "checked positions []",
         CheckedText(opened.items));
  if (!ExpectItems("enabled again: tray menu holds Disable, About....., a separator, EXIT", opened,
                   enabledItems)) {
    return;
  }
  picked = PickMenuItem(probe, opened, 1, &error);
  Expect("About..... picked in the menu with Down, Down, Enter", picked, "the menu closed", error);
  if (!picked) {
    CloseMenu(opened.window);
    return;
  }
  HWND about = nullptr;
  bool shown = WaitUntil(kMenuTimeoutMs, [&] {
    about = VisibleThreadWindow(tavos.dwThreadId, "#32770");
    return about != nullptr;
  });
  Expect("About..... opens a dialog (#32770) of Tavos's thread", shown, "a dialog within 5 s",
         "none");
  if (!shown) return;
  Screenshot(shots, "about-box", about);
  Expect("the dialog's caption is \"About Tavo\"", TextOf(about) == "About Tavo", "\"About Tavo\"",
         "\"" + TextOf(about) + "\"");
  HWND owner = GetWindow(about, GW_OWNER);
  Expect("the about box is owned by Tavos's frame", owner == frame, "the frame",
         owner == nullptr ? "no owner" : "a \"" + ClassOf(owner) + "\" window");
  Expect("the about box has one push button, EXIT with id 1", PushButtonsText(about) == "[EXIT#1]",
         "[EXIT#1]", PushButtonsText(about));
  HWND button = GetDlgItem(about, IDOK);
  DWORD_PTR result = 0;
  if (button != nullptr) {
    SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &result);
  }
  bool closed = WaitUntil(kMenuTimeoutMs, [&] { return !IsWindow(about); });
  Expect("EXIT in the about box closes the box", closed, "no dialog within 5 s",
         button == nullptr ? "no button with id 1" : "still open");
  if (!closed) {
    PostMessageA(about, WM_CLOSE, 0, 0);
    bool gone = WaitUntil(kMenuTimeoutMs, [&] { return !IsWindow(about); });
    Info("about box left open after a failure; WM_CLOSE %s it", gone ? "closed" : "did not close");
  }
  Expect("Tavos keeps running after the about box", IsAlive(tavos.hProcess), "running",
         ExitCodeText(tavos.hProcess));
  Expect("the frame answers WM_NULL after the about box", IsWindow(frame) && Answers(frame),
         "an answer", IsWindow(frame) ? "no answer" : "no window");
}

struct Started {
  PROCESS_INFORMATION info{};
  bool ok = false;
  DWORD error = 0;
};

// The option and brightness dialogs, opened by their commands on the frame: each check box
// writes its keys at once, OK stores "NULL" with no program chosen, and each brightness
// press writes the level and returns at once although no driver is present.
HWND WaitForDialog(DWORD threadId, const char* caption) {
  HWND dialog = nullptr;
  WaitUntil(kMenuTimeoutMs, [&] {
    dialog = VisibleThreadWindow(threadId, "#32770");
    return dialog != nullptr && TextOf(dialog) == caption;
  });
  return dialog != nullptr && TextOf(dialog) == caption ? dialog : nullptr;
}

void ExpectKey(const std::string& file, const char* section, const char* key, const char* what,
               const std::string& expected) {
  std::string got = ReadKey(file, section, key);
  Expect(what, got == expected, expected, got);
}

void CheckDialogs(HWND frame, const PROCESS_INFORMATION& tavos, const std::string& shots) {
  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string settings = std::string(windows) + "\\SelectFile.ini";

  PostMessageA(frame, WM_COMMAND, 32775, 0);
  HWND option = WaitForDialog(tavos.dwThreadId, "TAVO");
  Expect("command 32775 opens the option dialog", option != nullptr, "dialog \"TAVO\"", "none");
  if (option != nullptr) {
    Screenshot(shots, "option-dialog", option);
    HWND mute = GetDlgItem(option, 1008);
    HWND startup = GetDlgItem(option, 1007);
    HWND select = GetDlgItem(option, 1005);
    SendMessageA(mute, BM_CLICK, 0, 0);
    ExpectKey(settings, "ENABLEMUTE", "CHECK", "ticking mute routing writes CHECK", "ENABLE");
    ExpectKey(settings, "ENABLEMUTE", "MUTE", "ticking mute routing writes MUTE", "ENABLE");
    Expect("mute routing greys Select File", !IsWindowEnabled(select), "greyed", "enabled");
    SendMessageA(mute, BM_CLICK, 0, 0);
    ExpectKey(settings, "ENABLEMUTE", "CHECK", "clearing mute routing writes CHECK", "DISABLE");
    ExpectKey(settings, "ENABLEMUTE", "MUTE", "clearing mute routing writes MUTE", "DISABLE");
    Expect("Select File is back", IsWindowEnabled(select) != 0, "enabled", "greyed");
    SendMessageA(startup, BM_CLICK, 0, 0);
    ExpectKey(settings, "ENABLESTART", "CHECK", "ticking the start-up box writes CHECK", "ENABLE");
    SendMessageA(startup, BM_CLICK, 0, 0);
    ExpectKey(settings, "ENABLESTART", "CHECK", "clearing the start-up box writes CHECK",
              "DISABLE");
    SendMessageA(GetDlgItem(option, 1002), BM_CLICK, 0, 0);
    bool closed = WaitUntil(kMenuTimeoutMs, [&] { return !IsWindow(option); });
    Expect("OK closes the option dialog", closed, "closed", "still open");
    ExpectKey(settings, "USERDEFINE", "EXECUTE", "OK without a chosen program stores NULL", "NULL");
  }

  PostMessageA(frame, WM_COMMAND, 32776, 0);
  HWND brightness = WaitForDialog(tavos.dwThreadId, "Brightness");
  Expect("command 32776 opens the brightness dialog", brightness != nullptr,
         "dialog \"Brightness\"", "none");
  if (brightness == nullptr) return;
  Screenshot(shots, "brightness-dialog", brightness);
  const DWORD t0 = GetTickCount();
  SendMessageA(GetDlgItem(brightness, 1010), BM_CLICK, 0, 0);
  const DWORD upMs = GetTickCount() - t0;
  ExpectKey(settings, "BRIGHTNESS", "LEVEL", "the dark bulb raises the level", "1");
  const DWORD t1 = GetTickCount();
  SendMessageA(GetDlgItem(brightness, 1009), BM_CLICK, 0, 0);
  const DWORD downMs = GetTickCount() - t1;
  ExpectKey(settings, "BRIGHTNESS", "LEVEL", "the lit bulb lowers the level", "0");
  Info("brightness presses took %lu and %lu ms", static_cast<unsigned long>(upMs),
       static_cast<unsigned long>(downMs));
  Expect("each press returns at once with no driver", upMs < 1000 && downMs < 1000, "under 1 s",
         std::to_string(upMs) + " and " + std::to_string(downMs) + " ms");
  PostMessageA(brightness, WM_CLOSE, 0, 0);
  bool closed = WaitUntil(kMenuTimeoutMs, [&] { return !IsWindow(brightness); });
  Expect("the close box ends the brightness dialog", closed, "closed", "still open");
}

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
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: tavos_e2e <path of Tavos.exe> [<screenshot folder>]\n");
    return 2;
  }
  const std::string tavos = argv[1];
  const std::string shots = argc == 3 ? argv[2] : "";
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
    const std::string title = TextOf(frame);
    bool exists = IsWindow(frame) != 0;
    bool visible = IsWindowVisible(frame) != 0;
    Expect("main frame is hidden with an empty title", exists && !visible && title.empty(),
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

  CheckTrayMenu(frame, tray, first.info, stateFile, shots);
  {
    ProcessWindows now = WindowsOf(pid);
    bool menu = VisibleThreadWindow(first.info.dwThreadId, "#32768") != nullptr;
    bool dialog = VisibleThreadWindow(first.info.dwThreadId, "#32770") != nullptr;
    Expect("after the menu: the same frame and tray window, no menu or dialog open",
           now.frame == frame && now.tray == tray && now.frames == 1 && now.trays == 1 &&
               now.otherAfx == 0 && !menu && !dialog,
           "the same 1 frame(s), 1 tray window(s), 0 other Afx window(s), no menu, no dialog",
           WindowsText(now) + (menu ? ", a menu" : "") + (dialog ? ", a dialog" : ""));
  }

  CheckDialogs(frame, first.info, shots);

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
