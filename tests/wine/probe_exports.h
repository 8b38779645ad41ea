// The hook procedures the scenario host asks the probe DLL for by name. An i686 DLL exports a
// stdcall function as "Name@12" unless it is linked with --kill-at, and GetProcAddress wants
// the exact name: tests/images/check_wine_binaries.sh holds the built DLL to these strings.
#pragma once

#define TAVOS_WINE_CALLWND_HOOK_EXPORT "TavosWineCallWndHook"
#define TAVOS_WINE_GETMESSAGE_HOOK_EXPORT "TavosWineGetMessageHook"
