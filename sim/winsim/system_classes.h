// Window classes the system itself provides ("#32770" for message boxes and dialogs, the
// standard controls), and the modal loop that dialogs, message boxes and the common dialogs
// share.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace winsim {
class WindowManager;
void RegisterSystemClasses(WindowManager& windows);
void RegisterControlClasses(WindowManager& windows);

// A "#32770" window with `proc` as its dialog procedure, visible, with a caption.
HWND CreateDialogWindow(const char* title, HWND parent, DLGPROC proc, DWORD style, DWORD exStyle);
// Shows `dialog` as the surface on top and runs the owner's messages (timers included) until
// the dialog ends; then destroys it and returns its result. `pick` answers a file dialog.
INT_PTR RunModal(HWND dialog, const std::string& kind, std::function<bool(const std::string&)> pick,
                 std::vector<std::string> details = {});
// The user replaces an edit box's text (cut at the edit box's limit); false when disabled.
bool UserTypes(HWND edit, const std::string& text);
}  // namespace winsim
