// The Windows entry point. (On the simulated PC, tavos-sim starts TavosMain itself.)
#include "app/hot_key_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return TavosMain(); }
