// The setup's Windows entry point; everything else is in SetupMain.
#include "platform/win32.h"
#include "setup/setup_main.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return setup::SetupMain(); }
