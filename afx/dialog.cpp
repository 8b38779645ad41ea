// Modal dialogs: the object attaches at WM_INITDIALOG and detaches when the dialog ends.
#include "afx/dialog.h"

#include "afx/win_app.h"

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

INT_PTR CDialog::DoModal() {
  INT_PTR result =
      ::DialogBoxParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_nIDTemplate),
                        AfxGetModalOwner(m_pParentWnd), DialogProc, reinterpret_cast<LPARAM>(this));
  m_hWnd = nullptr;
  return result;
}

void CDialog::EndDialog(int nResult) {
  if (m_hWnd != nullptr) ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
  CDataExchange exchange(this, bSaveAndValidate);
  DoDataExchange(&exchange);
  return TRUE;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case IDOK:
      OnOK();
      return TRUE;
    case IDCANCEL:
      OnCancel();
      return TRUE;
    default:
      return CWnd::OnCommand(wParam, lParam);
  }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    dialog->m_hWnd = hwnd;
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, lParam);
    return dialog->OnInitDialog();
  }
  auto* dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (dialog == nullptr || dialog->m_hWnd != hwnd) return FALSE;
  if (message == WM_COMMAND) return dialog->OnCommand(wParam, lParam);
  // The dialog manager itself ends the window; the object lets go when DoModal returns.
  if (message == WM_DESTROY || message == WM_NCDESTROY) return FALSE;
  LRESULT result = 0;
  if (!dialog->RouteMessage(message, wParam, lParam, &result)) return FALSE;
  // The drag icon is the one answer a dialog procedure returns itself.
  return message == WM_QUERYDRAGICON ? INT_PTR(result) : TRUE;
}
