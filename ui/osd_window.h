// COsdWindow: the on-screen display. A short text ("Sound off", "Volume 60%") shown for 1.5 s
// near the bottom centre of the screen, above every window, without taking the focus or the
// mouse; a new text replaces the one showing and starts the 1.5 s again. Drawn with plain
// GDI, which every Windows from 95 and NT 3.51 has; translucent where the system has layered
// windows (2000, XP), bound at run time.
//
// Owned by the main frame (the window is made at the first text and destroyed with the
// object); user-interface thread only.
#pragma once

#include "platform/win32.h"

class COsdWindow {
 public:
  static constexpr UINT kShowMs = 1500;
  static constexpr int kWidth = 240;
  static constexpr int kHeight = 48;
  static constexpr BYTE kAlpha = 208;  // of 255, where the system can blend
  static constexpr size_t kMaxText = 63;

  COsdWindow();
  ~COsdWindow();
  COsdWindow(const COsdWindow&) = delete;
  COsdWindow& operator=(const COsdWindow&) = delete;

  // Shows `text` (cut to kMaxText characters); nothing when the window cannot be made.
  void Show(const char* text);
  HWND GetSafeHwnd() const { return m_hWnd; }

 private:
  bool Create();
  void Paint();
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND m_hWnd;
  HFONT m_hFont;
  char m_szText[kMaxText + 1];
};
