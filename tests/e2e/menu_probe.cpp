// Menu probe: a WH_CALLWNDPROC hook that the checking program installs on Tavos's GUI thread.
// It answers one registered message by reading the given menu with the ordinary menu calls,
// inside Tavos's own process, and does nothing else.
#include "menu_probe.h"

#include <cstdio>

extern "C" __declspec(dllexport) LRESULT CALLBACK
    TavosE2EProbeHook(int code, WPARAM wParam, LPARAM lParam) {
  static const UINT readMenu = RegisterWindowMessageA(TAVOS_E2E_READ_MENU_MESSAGE);
  const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call != nullptr && readMenu != 0 && call->message == readMenu) {
    char name[64];
    std::snprintf(name, sizeof name, "%s%lu", TAVOS_E2E_MENU_MAPPING_PREFIX,
                  static_cast<unsigned long>(call->lParam));
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name);
    void* view =
        mapping ? MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(MenuProbeAnswer)) : nullptr;
    if (view != nullptr) {
      auto* answer = static_cast<MenuProbeAnswer*>(view);
      HMENU menu = reinterpret_cast<HMENU>(call->wParam);
      answer->count = GetMenuItemCount(menu);
      const int n = answer->count < kMenuProbeMaxItems ? answer->count : kMenuProbeMaxItems;
      for (int i = 0; i < n; ++i) {
        MenuProbeItem& item = answer->items[i];
        item.state = GetMenuState(menu, UINT(i), MF_BYPOSITION);
        item.id = GetMenuItemID(menu, i);
        item.text[0] = '\0';
        GetMenuStringA(menu, UINT(i), item.text, sizeof item.text, MF_BYPOSITION);
      }
      InterlockedExchange(&answer->answered, 1);
      UnmapViewOfFile(view);
    }
    if (mapping != nullptr) CloseHandle(mapping);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
