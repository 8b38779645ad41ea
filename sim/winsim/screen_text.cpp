// The timeline's "osd" lines.
#include "sim/winsim/screen_text.h"

namespace winsim {

void ReportPainted(WindowsPc& pc, SimWindow& window) {
  const bool showing = window.visible && !(window.style & WS_CHILD) &&
                       (window.exStyle & WS_EX_TOPMOST) &&
                       (!(window.exStyle & WS_EX_LAYERED) || window.layeredSet);
  if (!showing || window.paintedText.empty() || window.paintedText == window.shownText) return;
  window.shownText = window.paintedText;
  pc.Events().Add("osd " + Quote(window.shownText));
}

void ReportHidden(WindowsPc& pc, SimWindow& window) {
  if (window.shownText.empty()) return;
  window.shownText.clear();
  pc.Events().Add("osd hidden");
}

}  // namespace winsim
