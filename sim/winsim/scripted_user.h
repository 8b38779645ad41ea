// What the scripted user does to the surface on top of the screen (a dialog, a message box,
// a popup menu, a file dialog), and what the user sees there. Each action is a message posted
// to the program, as the mouse or the keyboard would post it; the caller lets it run.
#pragma once

#include <string>
#include <vector>

namespace winsim {

class WindowsPc;

// Each returns "" when the action was taken, else why it cannot be taken.
// Replaces the text of the edit box with the focus, else the dialog's first edit box.
std::string UserType(WindowsPc& pc, const std::string& text);
// "enter" or "esc" in the window with the focus.
std::string UserKey(WindowsPc& pc, const std::string& key);
// The close box in the caption.
std::string UserClose(WindowsPc& pc);
// The answer to the file dialog on top: a full path, or "" to cancel it.
std::string UserPick(WindowsPc& pc, const std::string& path);
// A click anywhere outside the popup menu on top closes it without a choice; nothing else
// on screen cares. True when a menu was closed.
bool UserClicksOutsideMenu(WindowsPc& pc);

// What is on top, one line each: "screen dialog 102 "TAVO"", then "screen control 1004 edit
// "" focus" per control; for a menu its items, for a file dialog its filter. Empty when
// nothing waits for the user.
std::vector<std::string> DescribeScreen(WindowsPc& pc);
// One line for a prompt: what waits for the user and what it offers, or "".
std::string DescribeWaiting(WindowsPc& pc);

}  // namespace winsim
