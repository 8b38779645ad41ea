// Window classes the system itself provides ("#32770" for message boxes and dialogs).
#pragma once

namespace winsim {
class WindowManager;
void RegisterSystemClasses(WindowManager& windows);
}  // namespace winsim
