// GDI: the fonts and brushes a program creates, and drawing text into the device context of a
// window's paint. A device context here is the window being painted, valid from BeginPaint to
// EndPaint; what is drawn into it is kept as the window's painted text (see screen_text.h).
#include <cstring>
#include <string>

#include "platform/win32.h"
#include "sim/winsim/gdi_objects.h"
#include "sim/winsim/window_manager.h"
#include "sim/winsim/windows_pc.h"

using winsim::GdiObjects;
using winsim::SimWindow;
using winsim::WindowsPc;

namespace {

// The window whose paint `hdc` belongs to, or null when no paint is under way for it.
SimWindow* PaintingWindow(HDC hdc) {
  SimWindow* window = WindowsPc::Current().Windows().Find(reinterpret_cast<HWND>(hdc));
  if (window == nullptr || !window->painting) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return window;
}

}  // namespace

HGDIOBJ WINAPI GetStockObject(int i) {
  HGDIOBJ stock = WindowsPc::Current().Gdi().Stock(i);
  if (stock == nullptr) WindowsPc::Current().Stub("GetStockObject " + std::to_string(i));
  return stock;
}

HFONT WINAPI CreateFontA(int cHeight, int, int, int, int cWeight, DWORD, DWORD, DWORD, DWORD, DWORD,
                         DWORD, DWORD, DWORD, LPCSTR pszFaceName) {
  // Windows finds a font for any face name (substituting one it has); only the name's length
  // is checked, LF_FACESIZE with its terminator.
  WindowsPc& pc = WindowsPc::Current();
  const std::string face = pszFaceName ? pszFaceName : "";
  if (face.size() >= 32) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::string description = face + " " + std::to_string(cHeight) + " " + std::to_string(cWeight);
  return static_cast<HFONT>(pc.Gdi().Create(GdiObjects::Kind::Font, pc.CurrentPid(), description));
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
  WindowsPc& pc = WindowsPc::Current();
  SimWindow* window = PaintingWindow(hdc);
  const GdiObjects::Object* object = pc.Gdi().Find(h);
  if (window == nullptr || object == nullptr) return nullptr;
  if (object->kind != GdiObjects::Kind::Font) {
    pc.Stub("SelectObject of a GDI object other than a font");
    return nullptr;
  }
  HGDIOBJ previous = window->dcFont ? window->dcFont : pc.Gdi().Stock(SYSTEM_FONT);
  window->dcFont = h;
  return previous;
}

// Windows refuses to delete an object selected into a device context (it stays, and the call
// fails on NT); a program that does so has not restored the DC's own object first.
BOOL WINAPI DeleteObject(HGDIOBJ ho) {
  WindowsPc& pc = WindowsPc::Current();
  for (HWND hwnd : pc.Windows().WindowsOfProcess(pc.CurrentPid())) {
    const SimWindow* window = pc.Windows().Find(hwnd);
    if (window->painting && window->dcFont == ho) {
      pc.Violation("DeleteObject of a font still selected into a paint's device context");
      return FALSE;
    }
  }
  return pc.Gdi().Delete(ho);
}

int WINAPI SetBkMode(HDC hdc, int mode) {
  SimWindow* window = PaintingWindow(hdc);
  if (window == nullptr || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int previous = window->bkMode;
  window->bkMode = mode;
  return previous;
}

COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
  SimWindow* window = PaintingWindow(hdc);
  if (window == nullptr) return 0xFFFFFFFF;  // CLR_INVALID
  COLORREF previous = window->textColor;
  window->textColor = color;
  return previous;
}

int WINAPI FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
  WindowsPc& pc = WindowsPc::Current();
  const GdiObjects::Object* brush = pc.Gdi().Find(hbr);
  if (PaintingWindow(hDC) == nullptr || lprc == nullptr || brush == nullptr ||
      brush->kind != GdiObjects::Kind::Brush)
    return 0;
  return 1;
}

// The text is what the window shows; several calls in one paint are joined by a blank.
int WINAPI DrawTextA(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format) {
  SimWindow* window = PaintingWindow(hdc);
  if (window == nullptr || lpchText == nullptr || lprc == nullptr) return 0;
  if (!(format & DT_SINGLELINE)) WindowsPc::Current().Stub("DrawTextA on several lines");
  const size_t length = cchText < 0 ? std::strlen(lpchText) : size_t(cchText);
  if (!window->paintedText.empty()) window->paintedText += ' ';
  window->paintedText.append(lpchText, length);
  return 16;  // the height of a line of the system font
}
