// CFrameWnd: a top-level window built from a resource id (its menu and icon), which deletes
// itself when its window is gone.
#pragma once

#include "afx/wnd.h"

class CFrameWnd : public CWnd {
 public:
  // Registers the class, loads menu `nIDResource` and creates the window. On failure the
  // object has already deleted itself.
  virtual BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd = nullptr,
                         void* pContext = nullptr);

 protected:
  void PostNcDestroy() override;
  afx_msg void OnClose();
  DECLARE_MESSAGE_MAP()
};
