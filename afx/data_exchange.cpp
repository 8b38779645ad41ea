// Dialog data exchange over the dialog's child windows.
#include "afx/data_exchange.h"

#include <vector>

#include "afx/wnd.h"

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
  if (rControl.GetSafeHwnd() == nullptr) rControl.SubclassDlgItem(UINT(nIDC), pDX->m_pDlgWnd);
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
  HWND control = ::GetDlgItem(pDX->m_pDlgWnd->GetSafeHwnd(), nIDC);
  if (control == nullptr) return;
  if (!pDX->m_bSaveAndValidate) {
    ::SetWindowTextA(control, value);
    return;
  }
  int length = ::GetWindowTextLengthA(control);
  std::vector<char> text(size_t(length > 0 ? length : 0) + 1, '\0');
  int copied = ::GetWindowTextA(control, text.data(), int(text.size()));
  text[size_t(copied > 0 ? copied : 0)] = '\0';
  value = text.data();
}
