// The framework's one header for the program: application, windows, frames, dialogs, strings.
#pragma once

#include "afx/afx_string.h"
#include "afx/cmd_target.h"
#include "afx/controls.h"
#include "afx/data_exchange.h"
#include "afx/dialog.h"
#include "afx/file_dialog.h"
#include "afx/frame_wnd.h"
#include "afx/menu.h"
#include "afx/paint_dc.h"
#include "afx/win_app.h"
#include "afx/wnd.h"
