// Frame creation from resources, closing and self-deletion.
#include "afx/frame_wnd.h"

#include "afx/win_app.h"

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
  ON_WM_CLOSE()
END_MESSAGE_MAP()

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, void*) {
  HINSTANCE instance = AfxGetResourceHandle();
  HICON icon = ::LoadIconA(instance, MAKEINTRESOURCEA(nIDResource));
  LPCSTR className = AfxRegisterWndClass(0, nullptr, nullptr, icon);
  HMENU menu = ::LoadMenuA(instance, MAKEINTRESOURCEA(nIDResource));
  if (menu == nullptr) {
    PostNcDestroy();
    return FALSE;
  }
  if (!CreateEx(0, className, "", dwDefaultStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                CW_USEDEFAULT, pParentWnd ? pParentWnd->GetSafeHwnd() : nullptr, menu)) {
    // A window that failed in WM_CREATE was destroyed, which deleted this object already.
    ::DestroyMenu(menu);
    return FALSE;
  }
  return TRUE;
}

void CFrameWnd::OnClose() {
  DestroyWindow();
}

void CFrameWnd::PostNcDestroy() { delete this; }
