// GDI object bookkeeping.
#include "sim/winsim/gdi_objects.h"

namespace winsim {

namespace {
// Stock objects live at fixed handles, apart from created ones.
constexpr uintptr_t kStockBase = 0x09000000;
}  // namespace

HGDIOBJ GdiObjects::Create(Kind kind, uint32_t pid, const std::string& description) {
  uintptr_t handle = next_;
  next_ += 4;
  objects_[handle] = Object{kind, pid, description};
  return reinterpret_cast<HGDIOBJ>(handle);
}

HGDIOBJ GdiObjects::Stock(int index) {
  Kind kind;
  if (index == BLACK_BRUSH)
    kind = Kind::Brush;
  else if (index == SYSTEM_FONT)
    kind = Kind::Font;
  else
    return nullptr;
  const uintptr_t handle = kStockBase + uintptr_t(index) * 4;
  objects_.emplace(handle, Object{kind, 0, "stock " + std::to_string(index)});
  return reinterpret_cast<HGDIOBJ>(handle);
}

const GdiObjects::Object* GdiObjects::Find(HGDIOBJ handle) const {
  auto found = objects_.find(reinterpret_cast<uintptr_t>(handle));
  return found == objects_.end() ? nullptr : &found->second;
}

bool GdiObjects::Delete(HGDIOBJ handle) {
  auto found = objects_.find(reinterpret_cast<uintptr_t>(handle));
  if (found == objects_.end()) return false;
  if (found->second.pid != 0) objects_.erase(found);
  return true;
}

size_t GdiObjects::CountOf(uint32_t pid) const {
  size_t count = 0;
  for (const auto& [handle, object] : objects_)
    if (object.pid == pid) ++count;
  return count;
}

void GdiObjects::DeleteAllOf(uint32_t pid) {
  for (auto it = objects_.begin(); it != objects_.end();)
    it = it->second.pid == pid ? objects_.erase(it) : std::next(it);
}

}  // namespace winsim
