// The option dialog's buttons.
#include "ui/option_dlg.h"

BEGIN_MESSAGE_MAP(COptionDlg, CDialog)
  ON_COMMAND(1002, OnOptionOk)
  ON_COMMAND(1003, OnOptionCancel)
END_MESSAGE_MAP()
