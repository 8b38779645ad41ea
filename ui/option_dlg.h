// COptionDlg: the option dialog (template 102), opened by the user key when no program is
// chosen. Its controls join when the option dialog's module lands.
#pragma once

#include "afx/afxwin.h"
#include "ui/resource.h"

class COptionDlg : public CDialog {
 public:
  explicit COptionDlg(CWnd* pParent = nullptr) : CDialog(IDD_OPTION, pParent) {}
};
