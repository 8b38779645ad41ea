// CPaintDC: the device context of one WM_PAINT, begun and ended with the object.
#pragma once

#include "afx/wnd.h"

class CPaintDC {
 public:
  explicit CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->GetSafeHwnd()), m_ps{} {
    m_hDC = ::BeginPaint(m_hWnd, &m_ps);
  }
  ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }
  CPaintDC(const CPaintDC&) = delete;
  CPaintDC& operator=(const CPaintDC&) = delete;

  BOOL DrawIcon(int x, int y, HICON hIcon) { return ::DrawIcon(m_hDC, x, y, hIcon); }
  HDC GetSafeHdc() const { return m_hDC; }

  HDC m_hDC;

 private:
  HWND m_hWnd;
  PAINTSTRUCT m_ps;
};
