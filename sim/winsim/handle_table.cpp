// Handle values and their objects.
#include "sim/winsim/handle_table.h"

namespace winsim {

HANDLE HandleTable::Add(std::unique_ptr<HandleObject> object, uint32_t ownerPid) {
  uintptr_t key = next_;
  next_ += 4;
  objects_[key] = Entry{std::move(object), ownerPid};
  return reinterpret_cast<HANDLE>(key);
}

bool HandleTable::Close(HANDLE handle) { return objects_.erase(Key(handle)) == 1; }

size_t HandleTable::OpenCount(uint32_t ownerPid) const {
  size_t count = 0;
  for (auto& [key, entry] : objects_) count += entry.ownerPid == ownerPid;
  return count;
}

std::vector<std::string> HandleTable::OpenKindsOf(uint32_t ownerPid) const {
  std::map<std::string, size_t> counts;
  for (auto& [key, entry] : objects_)
    if (entry.ownerPid == ownerPid) ++counts[entry.object->Kind()];
  std::vector<std::string> kinds;
  for (auto& [kind, count] : counts) kinds.push_back(std::to_string(count) + " " + kind);
  return kinds;
}

void HandleTable::CloseAllOf(uint32_t ownerPid) {
  for (auto it = objects_.begin(); it != objects_.end();)
    it = it->second.ownerPid == ownerPid ? objects_.erase(it) : std::next(it);
}

}  // namespace winsim
