// What the menu probe (tavos_e2e_probe.dll) and the checking program share.
// Wine keeps a menu's items in the memory of the process that made it, so GetMenuItemCount and
// friends fail on another process's HMENU there. The checking program therefore hooks the
// probe into Tavos's GUI thread and lets it read the open popup menu from inside.
#pragma once

#include <windows.h>

// Sent to a window of Tavos's thread: wParam = the HMENU to read, lParam = the checking
// program's process id, which names the shared memory that receives the answer.
#define TAVOS_E2E_READ_MENU_MESSAGE "TavosE2E.ReadMenu"
#define TAVOS_E2E_MENU_MAPPING_PREFIX "TavosE2E.MenuItems."
#define TAVOS_E2E_PROBE_HOOK_EXPORT "TavosE2EProbeHook"

constexpr int kMenuProbeMaxItems = 16;

struct MenuProbeItem {
  UINT state;  // GetMenuState by position
  UINT id;     // GetMenuItemID by position
  char text[64];
};

struct MenuProbeAnswer {
  LONG answered;  // set last, after the items
  int count;      // GetMenuItemCount
  MenuProbeItem items[kMenuProbeMaxItems];
};
