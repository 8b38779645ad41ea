// The setup program's entry: what it was asked, on which Windows, then the install, the
// uninstall or the uninstaller's copy. Windows starts it from WinMain; the simulated PC
// starts it as a program of its own.
#pragma once

namespace setup {

// The exit code (setup_text.h).
int SetupMain();

}  // namespace setup
