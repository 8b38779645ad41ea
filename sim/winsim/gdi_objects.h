// The GDI objects programs create (fonts, brushes), counted by the process that made them, and
// the stock objects every program shares. A process's objects go with it, as on Windows NT.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/win32.h"

namespace winsim {

class GdiObjects {
 public:
  enum class Kind { Font, Brush };
  struct Object {
    Kind kind;
    uint32_t pid;  // 0: a stock object
    std::string description;
  };

  HGDIOBJ Create(Kind kind, uint32_t pid, const std::string& description);
  // The stock object `index` (BLACK_BRUSH, SYSTEM_FONT), or null for an index the subset lacks.
  HGDIOBJ Stock(int index);
  const Object* Find(HGDIOBJ handle) const;
  // False for an unknown handle; a stock object stays (deleting one does nothing).
  bool Delete(HGDIOBJ handle);
  size_t CountOf(uint32_t pid) const;
  void DeleteAllOf(uint32_t pid);

 private:
  std::map<uintptr_t, Object> objects_;
  uintptr_t next_ = 0x0A000000;
};

}  // namespace winsim
