// Kernel-object handles of the simulated PC: files, finds, devices, snapshots, device sets.
//
// Every handle is counted, so a test can assert that the program closed what it opened.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace winsim {

// An object a handle refers to. Subclasses release their resources in the destructor.
class HandleObject {
 public:
  virtual ~HandleObject() = default;
  virtual const char* Kind() const = 0;  // "file", "find", "device", "snapshot", ...
  // False for the handles that have a closing function of their own (FindClose,
  // CloseServiceHandle): CloseHandle refuses them, as on Windows.
  virtual bool ClosesWithCloseHandle() const { return true; }
};

class HandleTable {
 public:
  HANDLE Add(std::unique_ptr<HandleObject> object, uint32_t ownerPid);
  // The object, or null when the handle is not open or is of another kind than T.
  template <class T>
  T* Get(HANDLE handle) const {
    auto found = objects_.find(Key(handle));
    return found == objects_.end() ? nullptr : dynamic_cast<T*>(found->second.object.get());
  }
  bool Close(HANDLE handle);
  size_t OpenCount() const { return objects_.size(); }
  size_t OpenCount(uint32_t ownerPid) const;
  // What a process holds open, as "2 file" per kind, in order of kind.
  std::vector<std::string> OpenKindsOf(uint32_t ownerPid) const;
  // Closes what a process left open when it ends, as Windows does.
  void CloseAllOf(uint32_t ownerPid);

 private:
  struct Entry {
    std::unique_ptr<HandleObject> object;
    uint32_t ownerPid;
  };
  static uintptr_t Key(HANDLE handle) { return reinterpret_cast<uintptr_t>(handle); }
  std::map<uintptr_t, Entry> objects_;
  uintptr_t next_ = 0x40;  // handle values are multiples of 4, as on Windows
};

}  // namespace winsim
