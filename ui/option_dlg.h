// COptionDlg: the option dialog (template 102), opened by the user key when no program is
// chosen. OK (1002) and Cancel (1003) close it; its settings join with the option
// dialog's module.
#pragma once

#include "afx/afxwin.h"
#include "ui/resource.h"

class COptionDlg : public CDialog {
 public:
  explicit COptionDlg(CWnd* pParent = nullptr) : CDialog(IDD_OPTION, pParent) {}

 protected:
  afx_msg void OnOptionOk() { OnOK(); }
  afx_msg void OnOptionCancel() { OnCancel(); }
  DECLARE_MESSAGE_MAP()
};
