// The file-open dialog over GetOpenFileNameA.
#include "afx/file_dialog.h"

#include <cstring>

#include "afx/win_app.h"

CFileDialog::CFileDialog(BOOL, LPCSTR lpszDefExt, LPCSTR lpszFileName, DWORD dwFlags,
                         LPCSTR lpszFilter, CWnd* pParentWnd)
    : m_pParentWnd(pParentWnd), m_szFileName{}, m_szFileTitle{} {
  std::memset(&m_ofn, 0, sizeof m_ofn);
  m_ofn.lStructSize = sizeof m_ofn;
  m_ofn.hInstance = AfxGetResourceHandle();
  m_ofn.lpstrFile = m_szFileName;
  m_ofn.nMaxFile = MAX_PATH;
  m_ofn.lpstrFileTitle = m_szFileTitle;
  m_ofn.nMaxFileTitle = sizeof m_szFileTitle;
  m_ofn.Flags = dwFlags | OFN_EXPLORER;
  if (lpszFileName != nullptr) {
    std::strncpy(m_szFileName, lpszFileName, sizeof m_szFileName - 1);
  }
  if (lpszDefExt != nullptr) {
    m_strDefExt.assign(lpszDefExt, lpszDefExt + std::strlen(lpszDefExt) + 1);
    m_ofn.lpstrDefExt = m_strDefExt.data();
  }
  if (lpszFilter != nullptr) {
    // "A|*.a||" becomes "A\0*.a\0\0": the list ends with an empty entry.
    m_strFilter.assign(lpszFilter, lpszFilter + std::strlen(lpszFilter));
    for (char& c : m_strFilter)
      if (c == '|') c = '\0';
    m_strFilter.push_back('\0');
    m_strFilter.push_back('\0');
    m_ofn.lpstrFilter = m_strFilter.data();
  }
}

// The owner is taken when the dialog shows: the window the user works in then.
INT_PTR CFileDialog::DoModal() {
  m_ofn.hwndOwner = AfxGetModalOwner(m_pParentWnd);
  return ::GetOpenFileNameA(&m_ofn) ? IDOK : IDCANCEL;
}

CString CFileDialog::GetPathName() const { return CString(m_szFileName); }

CString CFileDialog::GetFileName() const {
  // The name part of the full path; the title buffer may be shorter than a long name.
  if (m_ofn.nFileOffset >= std::strlen(m_szFileName)) return CString();
  return CString(m_szFileName + m_ofn.nFileOffset);
}
