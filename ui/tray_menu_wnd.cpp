// The tray popup's preparation.
#include "ui/tray_menu_wnd.h"

#include "app/main_frame.h"
#include "ui/resource.h"

BEGIN_MESSAGE_MAP(CTrayMenuWnd, CWnd)
END_MESSAGE_MAP()

void CTrayMenuWnd::PrepareMenu(CMenu* popup) {
  const bool disabled = g_dDisabled == 1.0;
  popup->RemoveMenu(IDM_BRIGHTNESS, MF_BYCOMMAND);
  popup->RemoveMenu(IDM_OPTION, MF_BYCOMMAND);
  popup->ModifyMenu(IDM_DISABLE, MF_BYCOMMAND | MF_STRING, IDM_DISABLE, disabled ? "Enable" : "Disable");
  popup->CheckMenuItem(IDM_DISABLE, disabled ? MF_CHECKED : MF_UNCHECKED);
}
