// Dialog data exchange: a dialog's DoDataExchange binds control objects to its controls and
// moves text between controls and string members, in either direction.
#pragma once

#include "afx/afx_string.h"
#include "platform/win32.h"

class CWnd;

class CDataExchange {
 public:
  CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
      : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
  BOOL m_bSaveAndValidate;  // TRUE: controls to members
  CWnd* m_pDlgWnd;
};

// Attaches `rControl` to the dialog's control `nIDC` the first time; later calls do nothing.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// The text of control `nIDC` to or from `value`.
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
