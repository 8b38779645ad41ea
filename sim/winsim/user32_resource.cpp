// Icons and menus loaded from a program's resources.
#include <string>

#include "platform/win32.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/windows_pc.h"

using winsim::WindowsPc;

namespace {

constexpr DWORD kErrorResourceNotFound = 1814;  // ERROR_RESOURCE_NAME_NOT_FOUND

// The resources of the module a handle names: the calling program's own image.
const winsim::ResourceModule* ModuleOf(HINSTANCE instance) {
  winsim::SimThread* thread = WindowsPc::Current().CurrentThread();
  if (thread == nullptr || instance != winsim::SimProcess::ImageBase()) return nullptr;
  return &thread->process->resources;
}

const std::string* FindResource(HINSTANCE instance, LPCSTR name, WORD type) {
  const winsim::ResourceModule* module = ModuleOf(instance);
  if (module == nullptr || !IS_INTRESOURCE(name)) return nullptr;
  return module->Find(type, WORD(uintptr_t(name)));
}

}  // namespace

HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName) {
  if (FindResource(hInstance, lpIconName, winsim::kResourceGroupIcon) == nullptr) {
    SetLastError(kErrorResourceNotFound);
    return nullptr;
  }
  return winsim::IconHandle(WORD(uintptr_t(lpIconName)));
}

HMENU WINAPI LoadMenuA(HINSTANCE hInstance, LPCSTR lpMenuName) {
  const std::string* menuTemplate = FindResource(hInstance, lpMenuName, winsim::kResourceMenu);
  if (menuTemplate == nullptr) {
    SetLastError(kErrorResourceNotFound);
    return nullptr;
  }
  HMENU menu = WindowsPc::Current().Menus().Load(*menuTemplate);
  if (menu == nullptr) SetLastError(ERROR_INVALID_DATA);
  return menu;
}

BOOL WINAPI DestroyMenu(HMENU hMenu) {
  if (!WindowsPc::Current().Menus().Destroy(hMenu)) {
    SetLastError(1401);  // ERROR_INVALID_MENU_HANDLE
    return FALSE;
  }
  return TRUE;
}
