// Menus loaded by programs, by handle, parsed from their resource templates. Counted, so a
// menu that is never destroyed shows. A popup's submenus belong to it and go with it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace winsim {

struct MenuItem {
  UINT id = 0;
  UINT state = 0;   // MF_CHECKED, MF_GRAYED, MF_DEFAULT
  bool separator = false;
  std::string text;
  HMENU submenu = nullptr;
};

class MenuTable {
 public:
  // Parses a MENU resource; null when it is malformed.
  HMENU Load(const std::string& menuTemplate);
  std::vector<MenuItem>* Find(HMENU menu);
  // A new menu with these items (a window's system menu, for one).
  HMENU Create(std::vector<MenuItem> items) { return Add(std::move(items)); }
  // Destroys a menu and its submenus; false for an unknown handle.
  bool Destroy(HMENU menu);
  size_t Count() const { return menus_.size(); }
  // The items as a timeline shows them: "ITEM" each, "-" for a separator, "*ITEM" checked.
  std::string Describe(HMENU menu);

 private:
  HMENU Add(std::vector<MenuItem> items);
  bool ParseItems(const std::string& bytes, size_t* at, std::vector<MenuItem>* items, int depth);

  std::map<uintptr_t, std::vector<MenuItem>> menus_;
  uintptr_t next_ = 0x20004;
};

}  // namespace winsim
