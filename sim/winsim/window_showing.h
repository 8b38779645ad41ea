// Showing, hiding and activating windows: shared by ShowWindow and SetWindowPos.
#pragma once

#include "sim/winsim/window_manager.h"

namespace winsim {

// A top-level window shown or placed without SWP_NOACTIVATE (ShowWindow's activating
// commands) becomes the active one: it takes the foreground and the keyboard focus. The
// simulation lets it do so on every Windows version, as 95 and NT 4.0 do; later versions
// refuse a background program the foreground, which a program must not count on either way.
void ActivateShownWindow(SimWindow& window);
// Shown (it needs painting), or hidden (it stops showing and loses the foreground and focus).
void SetShown(SimWindow& window, bool shown);

}  // namespace winsim
