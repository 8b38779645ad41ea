// A dialog template as the dialog manager reads it: the dialog's styles, caption and font,
// and every control in template order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace winsim {

struct DialogControl {
  std::string className;  // "Button", "Edit", "Static", or a registered class's name
  std::string text;       // narrow text; empty when the template gives an ordinal
  int textOrdinal = -1;   // a resource ordinal as text (an icon static's icon), else -1
  int id = 0;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
};

struct DialogLayout {
  bool extended = false;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  int16_t cx = 0, cy = 0;
  std::string caption;
  int pointSize = 0;  // 0: no DS_SETFONT
  std::string fontFace;
  std::vector<DialogControl> controls;  // in template order
};

// Reads a DIALOG or DIALOGEX resource; false when it is malformed or runs past its end.
// Text outside ASCII becomes '?', as a narrow function shows it on an English system.
bool ParseDialogTemplate(const std::string& bytes, DialogLayout* layout);

}  // namespace winsim
