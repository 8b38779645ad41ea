// What a user reads in a top-most window (WS_EX_TOPMOST: above every other, such as an
// on-screen display): the timeline reports the text it shows once it shows it, and when it
// goes. "osd \"TEXT\"" when a visible top-most window's painting shows a text other than the
// one it showed; "osd hidden" when a window that showed one is hidden or destroyed. A layered
// window whose attributes were never set shows nothing, as on Windows.
#pragma once

#include "sim/winsim/window_manager.h"
#include "sim/winsim/windows_pc.h"

namespace winsim {

// At the end of a paint: the text drawn in it.
void ReportPainted(WindowsPc& pc, SimWindow& window);
// The window no longer shows (hidden, destroyed, its process ended).
void ReportHidden(WindowsPc& pc, SimWindow& window);

}  // namespace winsim
