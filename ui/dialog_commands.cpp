// The main frame's commands that show the brightness dialog.
#include "app/main_frame.h"
#include "ui/brightness_dlg.h"

void CMainFrame::OnBrightness() {
  CBrightnessDlg dialog(nullptr);
  dialog.DoModal();
}
