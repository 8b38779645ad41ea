// Menu functions over the PC's menu table, and popup menus tracked modally until the
// scripted user picks an item (timers keep firing meanwhile, as in Windows' menu loop).
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "platform/win32.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/window_manager.h"
#include "sim/winsim/windows_pc.h"

using winsim::MenuItem;
using winsim::WindowsPc;

namespace {

constexpr DWORD kErrorInvalidMenuHandle = 1401;

std::vector<MenuItem>* Items(HMENU menu) {
  std::vector<MenuItem>* items = WindowsPc::Current().Menus().Find(menu);
  if (items == nullptr) SetLastError(kErrorInvalidMenuHandle);
  return items;
}

// The item named by command (searching submenus, as Windows does) or by position.
MenuItem* FindItem(HMENU menu, UINT item, UINT flags, std::vector<MenuItem>** owner = nullptr) {
  std::vector<MenuItem>* items = WindowsPc::Current().Menus().Find(menu);
  if (items == nullptr) return nullptr;
  if (flags & MF_BYPOSITION) {
    if (item >= items->size()) return nullptr;
    if (owner) *owner = items;
    return &(*items)[item];
  }
  for (MenuItem& candidate : *items) {
    if (candidate.submenu != nullptr) {
      if (MenuItem* inner = FindItem(candidate.submenu, item, flags, owner)) return inner;
    } else if (!candidate.separator && candidate.id == item) {
      if (owner) *owner = items;
      return &candidate;
    }
  }
  return nullptr;
}

}  // namespace

int WINAPI GetMenuItemCount(HMENU hMenu) {
  std::vector<MenuItem>* items = Items(hMenu);
  return items ? int(items->size()) : -1;
}

UINT WINAPI GetMenuItemID(HMENU hMenu, int nPos) {
  std::vector<MenuItem>* items = Items(hMenu);
  if (items == nullptr || nPos < 0 || size_t(nPos) >= items->size()) return UINT(-1);
  const MenuItem& item = (*items)[size_t(nPos)];
  return item.submenu ? UINT(-1) : item.id;
}

UINT WINAPI GetMenuState(HMENU hMenu, UINT uId, UINT uFlags) {
  MenuItem* item = FindItem(hMenu, uId, uFlags);
  if (item == nullptr) return UINT(-1);
  return item->state | (item->separator ? MF_SEPARATOR : 0) | (item->submenu ? MF_POPUP : 0);
}

int WINAPI GetMenuStringA(HMENU hMenu, UINT uIDItem, LPSTR lpString, int cchMax, UINT flags) {
  MenuItem* item = FindItem(hMenu, uIDItem, flags);
  if (item == nullptr) return 0;
  if (lpString == nullptr || cchMax <= 0) return int(item->text.size());
  size_t length = std::min(item->text.size(), size_t(cchMax - 1));
  std::memcpy(lpString, item->text.data(), length);
  lpString[length] = '\0';
  return int(length);
}

HMENU WINAPI GetSubMenu(HMENU hMenu, int nPos) {
  std::vector<MenuItem>* items = WindowsPc::Current().Menus().Find(hMenu);
  if (items == nullptr || nPos < 0 || size_t(nPos) >= items->size()) return nullptr;
  return (*items)[size_t(nPos)].submenu;
}

BOOL WINAPI RemoveMenu(HMENU hMenu, UINT uPosition, UINT uFlags) {
  std::vector<MenuItem>* owner = nullptr;
  MenuItem* item = FindItem(hMenu, uPosition, uFlags, &owner);
  if (item == nullptr) return FALSE;
  owner->erase(owner->begin() + (item - owner->data()));  // a removed popup is not destroyed
  return TRUE;
}

BOOL WINAPI ModifyMenuA(HMENU hMnu, UINT uPosition, UINT uFlags, UINT_PTR uIDNewItem,
                        LPCSTR lpNewItem) {
  MenuItem* item = FindItem(hMnu, uPosition, uFlags);
  if (item == nullptr) return FALSE;
  MenuItem replacement;
  replacement.separator = (uFlags & MF_SEPARATOR) != 0;
  replacement.state = uFlags & (MF_CHECKED | MF_GRAYED | MF_DEFAULT);
  if (uFlags & MF_POPUP)
    replacement.submenu = reinterpret_cast<HMENU>(uIDNewItem);
  else
    replacement.id = UINT(uIDNewItem);
  if (!replacement.separator && lpNewItem != nullptr) replacement.text = lpNewItem;
  *item = replacement;
  return TRUE;
}

DWORD WINAPI CheckMenuItem(HMENU hMenu, UINT uIDCheckItem, UINT uCheck) {
  MenuItem* item = FindItem(hMenu, uIDCheckItem, uCheck & MF_BYPOSITION);
  if (item == nullptr) return DWORD(-1);
  DWORD previous = item->state & MF_CHECKED;
  item->state = (item->state & ~MF_CHECKED) | (uCheck & MF_CHECKED);
  return previous;
}

BOOL WINAPI SetMenuDefaultItem(HMENU hMenu, UINT uItem, UINT fByPos) {
  std::vector<MenuItem>* items = Items(hMenu);
  if (items == nullptr) return FALSE;
  MenuItem* target = nullptr;
  if (uItem != UINT(-1)) {
    if (fByPos) {
      if (uItem >= items->size()) return FALSE;
      target = &(*items)[uItem];
    } else {
      for (MenuItem& item : *items)
        if (!item.separator && !item.submenu && item.id == uItem) target = &item;
      if (target == nullptr) return FALSE;
    }
  }
  for (MenuItem& item : *items) item.state &= ~MF_DEFAULT;
  if (target != nullptr) target->state |= MF_DEFAULT;
  return TRUE;
}

BOOL WINAPI GetCursorPos(LPPOINT lpPoint) {
  if (lpPoint == nullptr) return FALSE;
  *lpPoint = WindowsPc::Current().Windows().Cursor();
  return TRUE;
}

BOOL WINAPI SetForegroundWindow(HWND hWnd) {
  WindowsPc& pc = WindowsPc::Current();
  if (pc.Windows().Find(hWnd) == nullptr) return FALSE;
  pc.Windows().SetForeground(hWnd);
  return TRUE;
}

BOOL WINAPI TrackPopupMenu(HMENU hMenu, UINT uFlags, int, int, int, HWND hWnd, const RECT*) {
  WindowsPc& pc = WindowsPc::Current();
  std::vector<MenuItem>* items = Items(hMenu);
  winsim::SimWindow* owner = pc.Windows().Find(hWnd);
  if (items == nullptr || owner == nullptr || owner->thread != pc.CurrentThread() ||
      pc.CurrentThread() == nullptr) {
    if (owner == nullptr) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (pc.CurrentThread()->menuOwesTaskSwitch) {
    pc.Events().Add("menu closed at once: nothing was posted after the last popup");
    return FALSE;
  }
  pc.Events().Add("menu " + pc.Menus().Describe(hMenu));

  // The choice lands here; WM_NULL wakes the owner's loop to notice it.
  auto chosen = std::make_shared<UINT>(0);
  auto done = std::make_shared<bool>(false);
  winsim::Surface surface{"menu", hWnd, pc.CurrentThread(), {}, nullptr};
  std::vector<std::pair<std::string, UINT>> commands;
  for (const MenuItem& item : *items) {
    if (item.separator || item.submenu || (item.state & MF_GRAYED)) continue;
    surface.choices.push_back(item.text);
    commands.push_back({item.text, item.id});
  }
  surface.choose = [hWnd, chosen, done, commands](const std::string& choice) {
    for (const auto& [text, id] : commands) {
      if (choice != text) continue;
      *chosen = id;
      *done = true;
      return PostMessageA(hWnd, WM_NULL, 0, 0) != 0;
    }
    return false;
  };
  surface.dismiss = [hWnd, done] {
    *done = true;
    PostMessageA(hWnd, WM_NULL, 0, 0);
  };
  pc.Windows().OpenSurface(surface);
  MSG msg;
  while (!*done) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {
      PostQuitMessage(int(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  pc.Windows().CloseSurface(hWnd);
  BOOL result = TRUE;
  if (*chosen == 0) {
    pc.Events().Add("menu dismissed");
    result = FALSE;
  } else if (uFlags & TPM_RETURNCMD) {
    result = BOOL(*chosen);
  } else {
    PostMessageA(hWnd, WM_COMMAND, *chosen, 0);
  }
  if (winsim::SimThread* thread = pc.CurrentThread()) thread->menuOwesTaskSwitch = true;
  return result;
}
