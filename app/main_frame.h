// CMainFrame: the hidden main frame. It owns the poll timer, the tray icon and the mixer
// object, and every tray command arrives here. Created at start, never shown, destroyed by
// the EXIT command.
#pragma once

#include "afx/afxwin.h"
#include "app/hot_keys.h"
#include "app/user_key.h"
#include "mixer/master_volume.h"
#include "platform/win32.h"
#include "ui/osd_window.h"
#include "ui/sys_tray.h"

// Hot keys switched off (1.0) or on (0.0); every test compares it exactly.
extern PROCESS_WIDE double g_dDisabled;
// The system's default language; 1031 (German) selects the German program folders.
extern PROCESS_WIDE WORD g_wLangId;

class CMainFrame : public CFrameWnd {
 public:
  static constexpr UINT_PTR kPollTimer = 1;
  static constexpr UINT kPollPeriodMs = 650;

  CMainFrame();
  ~CMainFrame() override;

  // ---- start-up
  void DetectPlatform();

  // ---- settings and state files
  void InitSettingsFile();
  void LoadStateFile();
  void SaveStateFile();

  // ---- device link
  void OpenDriver(const GUID& interfaceClass, DWORD memberIndex);
  void OpenDriverByInterface(const GUID& interfaceClass, DWORD memberIndex);
  HANDLE GetDriverHandle() const;
  void ReadKeyStatus();
  void AckKeyStatus();
  void ReadMediaKeyStatus();

  // ---- controller commands
  void SendEcCommand(BYTE command, BYTE data);
  void SendEcCommandDirect();
  void DrainEc();
  void LeaveMediaMode();
  void DetectMediaPrograms();

  // ---- media programs of other makers
  void FindRecorderWindow();
  void EnumRecorderWindows(DWORD pid);
  static BOOL CALLBACK FindRecorderWindowProc(HWND hwnd, LPARAM lParam);
  // Plays `keys` into the recorder's window; a key-string error is shown in a message box.
  void SendKeysToRecorder(CString keys);
  // Ends every process of the recorder (0) or the MP3 player (1).
  void TerminateMediaProgram(int which);

  // ---- direct port access of the Windows 95 family, routed by model identifier
  void ReadModelPort(WORD port, LPCSTR model);
  void WriteModelPort(WORD port, BYTE value, LPCSTR model);

  // ---- poll cycle
  void DiscardStartupKeys();
  void SignalAppState(LPCSTR state);
  void PollMediaKeys();
  void PollMediaKeysDirect();
  void DropMediaButtons();

  BYTE m_byPortValue;
  CString m_strSettingsPath;
  char m_szWindowsDirectory[MAX_PATH];
  int m_bDirectPortMode;
  int m_bRecorderRunning;
  int m_bMp3PlayerRunning;
  CMasterVolume m_masterVolume;
  int m_bHonourStartupKeys;
  CSysTray m_sysTray;
  COsdWindow m_osd;

  // The on-screen display shows `text`, unless [OSD] SHOW is "DISABLE" (read each time).
  void ShowOsd(const char* text);

 protected:
  afx_msg int OnCreate(LPCREATESTRUCTA lpCreateStruct);
  afx_msg void OnTimer(UINT_PTR nIDEvent);
  afx_msg void OnExit();
  afx_msg void OnOption();
  afx_msg void OnBrightness();
  afx_msg void OnDisable();
  DECLARE_MESSAGE_MAP()

 public:
  // ---- the actions of the dispatch table (app/hot_keys.h); false ends the tick early
  bool StartBrowser(const tavos::KeyPress& press);
  bool StartMail(const tavos::KeyPress& press);
  bool RunSearchKey(const tavos::KeyPress& press);
  bool RunUserKey(const tavos::KeyPress& press);
  bool RunProgram(const tavos::KeyPress& press);
  bool OpenDocument(const tavos::KeyPress& press);
  bool PlayKeys(const tavos::KeyPress& press);
  bool ToggleMute(const tavos::KeyPress& press);
  bool VolumeUp(const tavos::KeyPress& press);
  bool VolumeDown(const tavos::KeyPress& press);
  bool BrightnessUp(const tavos::KeyPress& press);
  bool BrightnessDown(const tavos::KeyPress& press);
  bool DoNothing(const tavos::KeyPress& press);

 private:
  // Runs the keys of one tick (bit i: tavos::kKeys[i]), in table order; false when an
  // action ended the tick early.
  bool RunKeys(unsigned pressed);
  // The key's action from [KEYS] (its built-in one when none is set), performed.
  bool RunKey(const tavos::KeyRow& key);
  // A message box naming the key, its value and `why` it did nothing; false once EXIT ended
  // the program inside it.
  bool ReportKeyProblem(const tavos::KeyPress& press, const char* why);
  // The user key's mute routing and the mute action: the sound switched as `plan` says and
  // ENABLEMUTE/MUTE stored; `announce` shows the new state on the display (where there is a
  // speaker line to switch).
  void ApplySoundPlan(const tavos::UserKeyPlan& plan, bool announce);
  bool StepVolume(bool up);
  bool StepBrightness(bool up);
  // Status reads (direct form) until the controller took the last byte; false if it never did.
  bool WaitEcTookByteDirect();
  // True once EXIT destroyed the window, which can happen inside any modal loop a tick
  // opened: the tick then stops at once and touches nothing more.
  bool Ended() const { return m_hWnd == nullptr; }
};
