// CBrightnessDlg: the brightness dialog (template 143), opened by command 32776. Its two icon
// buttons step the level remembered in the settings file down (1009, the lit bulb) and up
// (1010, the dark bulb) and send it to the embedded controller as command 0xCA.
#pragma once

#include "afx/afxwin.h"
#include "ui/resource.h"

namespace tavos {
// The level after a press, from the stored text as atoi reads it (beyond the int range, the
// nearest int): down stops at 0, up at 7, and neither pulls an out-of-range value into range
// from the other side ("12" down is 11, "-3" up is -2).
int LevelAfterDown(const char* stored);
int LevelAfterUp(const char* stored);
}  // namespace tavos

class CBrightnessDlg : public CDialog {
 public:
  explicit CBrightnessDlg(CWnd* pParent = nullptr);
  ~CBrightnessDlg() override;

  CButton m_btnLevelUp;    // 1010
  CButton m_btnLevelDown;  // 1009
  int m_nOsVersion;
  int m_bDirectPort;
  CString m_strLevel;
  HANDLE m_hDriver;  // borrowed from the main frame; never closed here
  CString m_strSettingsPath;
  char m_szWindowsDirectory[MAX_PATH];
  HICON m_hIconLit;
  HICON m_hIconDark;

  void DetectPlatform();
  // The controller handshake through portio, on this dialog's copy of the handle.
  BYTE WaitEcInputEmpty();
  void WriteEcCommand(DWORD value);
  void WriteEcData(DWORD value);
  void SendEcCommand(BYTE command, BYTE data);
  // The direct form of Windows 95, 98 and Me, one attempt with the process-wide bytes below.
  void DrainEc();
  void SendEcCommandDirect();

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  afx_msg void OnLevelDown();
  afx_msg void OnLevelUp();
  DECLARE_MESSAGE_MAP()

 private:
  void StoreAndSend(int level);
};

// The direct send's command and data bytes, set by the button handlers just before it.
extern PROCESS_WIDE BYTE g_byBrightnessCommand;
extern PROCESS_WIDE BYTE g_byBrightnessData;
