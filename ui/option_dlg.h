// COptionDlg: the option dialog (template 102), opened by the user key while no program is
// chosen, and by command 32775. The user picks the user key's program with Select File, and
// sets the two switches, which are written the moment they are clicked. OK (1002) stores the
// chosen program, Cancel (1003) nothing.
#pragma once

#include "afx/afxwin.h"
#include "ui/resource.h"

namespace tavos {
// Whether a running process named `processName` (upper case) refuses `chosenName`, the
// chosen program's file name (upper case), as another copy of Tavos itself. Windows 2000 and
// XP (500, 501) list bare names, compared whole; the others list paths, whose part from the
// first "TAVOS.EXE" on is compared.
bool ChosenNameClashes(const char* processName, const char* chosenName, int versionCode);
}  // namespace tavos

class COptionDlg : public CDialog {
 public:
  explicit COptionDlg(CWnd* pParent = nullptr);
  ~COptionDlg() override;

  CString m_strSettingsPath;
  char m_szWindowsDirectory[MAX_PATH];
  CString m_strFileName;  // the chosen program's name part, upper case; "" until chosen
  CButton m_checkMute;
  CButton m_btnSelectFile;
  CButton m_checkStartup;
  CEdit m_editFile;
  CString m_strFilePath;  // the program chosen with Select File; "" until chosen
  int m_nOsVersion;
  HICON m_hIcon;

  // The version code (NT 4.0 as 401), or 0 when the version cannot be read.
  void GetOsVersion();

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  afx_msg void OnPaint();
  afx_msg HCURSOR OnQueryDragIcon();
  afx_msg void OnButtonOk();
  afx_msg void OnSelectFile();
  afx_msg void OnButtonCancel();
  afx_msg void OnCheckStartup();
  afx_msg void OnCheckMute();
  DECLARE_MESSAGE_MAP()
};
