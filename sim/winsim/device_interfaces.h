// The device-interface registry that SetupDi* enumerates: interface class, device path.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

namespace winsim {

class DeviceInterfaces {
 public:
  struct Interface {
    GUID interfaceClass;
    std::string devicePath;
  };
  void Add(const GUID& interfaceClass, const std::string& devicePath);
  void RemoveAll() { interfaces_.clear(); }
  std::vector<Interface> OfClass(const GUID& interfaceClass) const;

 private:
  std::vector<Interface> interfaces_;
};

}  // namespace winsim
