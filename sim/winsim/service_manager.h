// The service control manager of the simulated PC (NT family): its database of services,
// the state of each, and the drivers it can load into the simulated NT kernel.
//
// A service's configuration lives where Windows keeps it, in the registry under
// HKLM\System\CurrentControlSet\Services\NAME; its state and its open handles live here. A
// kernel driver's service loads the driver whose image file holds bytes registered with
// AddDriverImage, by running that driver's real entry routine in the simulated kernel.
#pragma once

#include <map>
#include <string>

#include "platform/win32.h"
#include "sim/kernel/io_manager.h"

namespace winsim {

class Registry;

class ServiceManager {
 public:
  struct Service {
    std::string name;  // as created
    DWORD type = 0;
    DWORD state = SERVICE_STOPPED;
    int handles = 0;  // open service handles
    bool markedForDelete = false;
  };

  explicit ServiceManager(Registry& registry) : registry_(registry) {}

  // A driver file whose bytes are `image` runs `entry` when its service starts.
  void AddDriverImage(const std::string& image, sim::DriverEntryRoutine entry);
  // The entry routine of a driver image, or null for bytes no driver was registered with.
  sim::DriverEntryRoutine DriverEntryOf(const std::string& image) const;

  // The service by name (without regard to case), or null.
  Service* Find(const std::string& name);
  Service& Add(const std::string& name, DWORD type);
  static std::string RegistryPath(const std::string& name);

  // A handle to the service was opened or closed. A service marked for deletion goes, with
  // its registry key, once it is stopped and its last handle is closed.
  void Opened(const std::string& name);
  void Closed(const std::string& name);
  // Brings a kernel driver's state up to the kernel's: a stop waiting for the driver's last
  // handle ends when the driver is gone. Then removes the service if it may go.
  void Refresh(Service& service, bool driverLoaded);

 private:
  void RemoveIfDeleted(Service& service);

  Registry& registry_;
  std::map<std::string, Service> services_;  // by upper-case name
  std::map<std::string, sim::DriverEntryRoutine> driverImages_;
};

}  // namespace winsim
