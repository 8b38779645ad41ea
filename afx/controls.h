// CButton and CEdit: control objects a dialog binds to its controls by data exchange.
#pragma once

#include "afx/wnd.h"

class CButton : public CWnd {
 public:
  // BST_CHECKED (1) or BST_UNCHECKED (0) for a check box.
  int GetCheck() const { return int(::SendMessageA(m_hWnd, BM_GETCHECK, 0, 0)); }
  void SetCheck(int nCheck) { ::SendMessageA(m_hWnd, BM_SETCHECK, WPARAM(nCheck), 0); }
  // Shows `hIcon` on an icon button; returns the icon shown before.
  HICON SetIcon(HICON hIcon) {
    return reinterpret_cast<HICON>(
        ::SendMessageA(m_hWnd, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(hIcon)));
  }
};

class CEdit : public CWnd {};
