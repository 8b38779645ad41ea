// CDialog: a modal dialog from a dialog template resource, with data exchange between its
// controls and the object's members.
#pragma once

#include "afx/data_exchange.h"
#include "afx/wnd.h"

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  // Runs the dialog until it ends; its result (IDOK, IDCANCEL), or -1 when it cannot show.
  virtual INT_PTR DoModal();
  void EndDialog(int nResult);
  // Controls to members (TRUE) or members to controls (FALSE).
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

 protected:
  virtual void DoDataExchange(CDataExchange*) {}
  // Fills the controls from the members; TRUE lets the dialog manager set the focus.
  virtual BOOL OnInitDialog();
  // Enter: the controls' values go to the members, then the dialog ends with IDOK.
  virtual void OnOK();
  virtual void OnCancel() { EndDialog(IDCANCEL); }
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};
