// Menus loaded by programs, by handle. Counted, so a menu that is never destroyed shows.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/win32.h"

namespace winsim {

class MenuTable {
 public:
  HMENU Add(const std::string& menuTemplate);
  const std::string* Find(HMENU menu) const;
  bool Remove(HMENU menu) { return menus_.erase(uintptr_t(menu)) == 1; }
  size_t Count() const { return menus_.size(); }

 private:
  std::map<uintptr_t, std::string> menus_;
  uintptr_t next_ = 0x20004;
};

}  // namespace winsim
