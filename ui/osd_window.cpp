// The on-screen display's window: a top-most tool popup that never activates, lets the mouse
// through, paints its text itself and hides itself when its timer runs out.
#include "ui/osd_window.h"

#include <cstring>

#include "app/main_frame.h"
#include "procs/bound_function.h"

namespace {

constexpr char kClassName[] = "TavosOnScreenDisplay";
constexpr UINT_PTR kHideTimer = 1;
constexpr int kFontHeight = 28;
// Bound at run time: USER32 of Windows 2000 and later.
typedef BOOL(WINAPI* SetLayeredWindowAttributesFn)(HWND, COLORREF, BYTE, DWORD);

// Translucent where layered windows exist, and then wholly transparent to the mouse (a click
// goes to the window beneath; elsewhere WM_NCHITTEST can pass it only to Tavos's own windows,
// and a click on the display just does nothing). A window marked layered shows nothing
// until its attributes are set, so the marks are taken back when they cannot be.
void MakeTranslucent(HWND hwnd) {
  SetLayeredWindowAttributesFn setAttributes = nullptr;
  BindFunction(GetModuleHandleA("USER32"), "SetLayeredWindowAttributes", &setAttributes);
  if (setAttributes == nullptr) return;
  const LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_EXSTYLE);
  SetWindowLongPtrA(hwnd, GWL_EXSTYLE, style | WS_EX_LAYERED | WS_EX_TRANSPARENT);
  if (!setAttributes(hwnd, 0, COsdWindow::kAlpha, LWA_ALPHA))
    SetWindowLongPtrA(hwnd, GWL_EXSTYLE, style);
}

}  // namespace

COsdWindow::COsdWindow() : m_hWnd(nullptr), m_hFont(nullptr), m_szText{} {}

COsdWindow::~COsdWindow() {
  if (m_hWnd != nullptr) DestroyWindow(m_hWnd);
  if (m_hFont != nullptr) DeleteObject(m_hFont);
}

bool COsdWindow::Create() {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kClassName;
  RegisterClassA(&windowClass);  // registered already by an earlier window: as good
  // No owner: the display lives apart from the dialogs and boxes the program opens.
  m_hWnd = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName, "", WS_POPUP, 0, 0, kWidth,
                           kHeight, nullptr, nullptr, GetModuleHandleA(nullptr), this);
  if (m_hWnd == nullptr) return false;
  m_hFont = CreateFontA(-kFontHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        VARIABLE_PITCH | FF_SWISS, "Arial");
  MakeTranslucent(m_hWnd);
  return true;
}

// Placed each time, as the screen's size may have changed since: centred, an eighth of the
// screen's height above its bottom, clear of a taskbar there.
void COsdWindow::Show(const char* text) {
  if (m_hWnd == nullptr && !Create()) return;
  std::strncpy(m_szText, text, kMaxText);
  m_szText[kMaxText] = '\0';
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  const int x = (screenWidth - kWidth) / 2;
  const int y = screenHeight - kHeight - screenHeight / 8;
  SetWindowPos(m_hWnd, HWND_TOPMOST, x, y, kWidth, kHeight, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  InvalidateRect(m_hWnd, nullptr, TRUE);
  UpdateWindow(m_hWnd);
  SetTimer(m_hWnd, kHideTimer, kShowMs, nullptr);  // a running one starts again
}

void COsdWindow::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(m_hWnd, &paint);
  if (dc == nullptr) return;
  RECT client;
  GetClientRect(m_hWnd, &client);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  HGDIOBJ previous = m_hFont != nullptr ? SelectObject(dc, m_hFont) : nullptr;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  DrawTextA(dc, m_szText, -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  if (previous != nullptr) SelectObject(dc, previous);
  EndPaint(m_hWnd, &paint);
}

LRESULT CALLBACK COsdWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<COsdWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_PAINT:
      if (self == nullptr) break;
      self->Paint();
      return 0;
    case WM_TIMER:
      if (wParam != kHideTimer) break;
      KillTimer(hwnd, kHideTimer);
      ShowWindow(hwnd, SW_HIDE);
      return 0;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;  // a click on it leaves the active window as it is
    case WM_NCHITTEST:
      return HTTRANSPARENT;  // and goes to the window beneath
    case WM_NCDESTROY:
      if (self != nullptr) self->m_hWnd = nullptr;
      break;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

void CMainFrame::ShowOsd(const char* text) {
  // Compared exactly, as the settings file's other keywords are: "Disable" leaves it on.
  char show[41] = "";
  GetPrivateProfileStringA("OSD", "SHOW", "", show, sizeof show, m_strSettingsPath);
  if (std::strcmp(show, "DISABLE") == 0) return;
  m_osd.Show(text);
}
