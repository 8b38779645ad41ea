// CTrayMenuWnd: trims and labels the tray popup each time before it shows. Never created
// as a window; the tray makes a temporary one only to call PrepareMenu.
#pragma once

#include "afx/afxwin.h"

class CTrayMenuWnd : public CWnd {
 public:
  ~CTrayMenuWnd() override = default;
  // Removes "Option" and "Brightness"; the first item reads "Enable" with a check mark
  // while the hot keys are off, else "Disable" without.
  void PrepareMenu(CMenu* popup);

 protected:
  DECLARE_MESSAGE_MAP()
};
