// CFileDialog: the common file-open dialog, the open mode only.
#pragma once

#include <vector>

#include "afx/afx_string.h"
#include "afx/wnd.h"

class CFileDialog {
 public:
  // `lpszFilter` is "Text|pattern|...||", as resources write it.
  CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt = nullptr, LPCSTR lpszFileName = nullptr,
              DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCSTR lpszFilter = nullptr,
              CWnd* pParentWnd = nullptr);
  CFileDialog(const CFileDialog&) = delete;
  CFileDialog& operator=(const CFileDialog&) = delete;

  // IDOK with a name chosen, IDCANCEL when cancelled or when the dialog failed.
  INT_PTR DoModal();
  CString GetPathName() const;
  // The name part of the path chosen, without its folder.
  CString GetFileName() const;

  OPENFILENAMEA m_ofn;

 private:
  CWnd* m_pParentWnd;
  char m_szFileName[MAX_PATH];
  char m_szFileTitle[64];
  // Vectors, not std::string: the Windows image carries no string code of the C++ library.
  std::vector<char> m_strFilter;  // the filter with its separators made zeros
  std::vector<char> m_strDefExt;
};
