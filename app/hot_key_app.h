// CHotKeyApp: the application object. Starts the hidden main frame unless another copy of
// Tavos already runs.
#pragma once

#include "afx/afxwin.h"

class CHotKeyApp : public CWinApp {
 public:
  CHotKeyApp();
  BOOL InitInstance() override;
  // True when no other copy of the program runs (the running one counts as the first).
  bool IsFirstInstance();

 protected:
  afx_msg void OnAppAbout();
  DECLARE_MESSAGE_MAP()
};

extern PROCESS_WIDE CHotKeyApp theApp;

// The program's entry: runs the application object and returns the exit code.
int TavosMain();
