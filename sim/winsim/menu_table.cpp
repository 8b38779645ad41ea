// Menu handles and the templates they were loaded from.
#include "sim/winsim/menu_table.h"

namespace winsim {

HMENU MenuTable::Add(const std::string& menuTemplate) {
  uintptr_t handle = next_;
  next_ += 4;
  menus_[handle] = menuTemplate;
  return reinterpret_cast<HMENU>(handle);
}

const std::string* MenuTable::Find(HMENU menu) const {
  auto found = menus_.find(uintptr_t(menu));
  return found == menus_.end() ? nullptr : &found->second;
}

}  // namespace winsim
