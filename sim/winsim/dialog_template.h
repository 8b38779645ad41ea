// What the scripted user needs from a dialog template: its caption and its push buttons.
#pragma once

#include <string>
#include <vector>

namespace winsim {

struct DialogButton {
  std::string text;
  int id;
};

struct DialogLayout {
  std::string caption;
  std::vector<DialogButton> buttons;  // push buttons, in template order
};

// Reads a DIALOG or DIALOGEX resource; false when it is malformed.
bool ParseDialogTemplate(const std::string& bytes, DialogLayout* layout);

}  // namespace winsim
