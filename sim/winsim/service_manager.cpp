// The service database and the driver images.
#include "sim/winsim/service_manager.h"

#include "sim/winsim/registry.h"

namespace winsim {

namespace {

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return text;
}

}  // namespace

void ServiceManager::AddDriverImage(const std::string& image, sim::DriverEntryRoutine entry) {
  driverImages_[image] = entry;
}

sim::DriverEntryRoutine ServiceManager::DriverEntryOf(const std::string& image) const {
  auto found = driverImages_.find(image);
  return found == driverImages_.end() ? nullptr : found->second;
}

ServiceManager::Service* ServiceManager::Find(const std::string& name) {
  auto found = services_.find(Upper(name));
  return found == services_.end() ? nullptr : &found->second;
}

ServiceManager::Service& ServiceManager::Add(const std::string& name, DWORD type) {
  Service& service = services_[Upper(name)];
  service = Service{};
  service.name = name;
  service.type = type;
  return service;
}

std::string ServiceManager::RegistryPath(const std::string& name) {
  return "HKLM\\System\\CurrentControlSet\\Services\\" + name;
}

void ServiceManager::Opened(const std::string& name) {
  if (Service* service = Find(name)) ++service->handles;
}

void ServiceManager::Closed(const std::string& name) {
  Service* service = Find(name);
  if (service == nullptr) return;
  --service->handles;
  RemoveIfDeleted(*service);
}

void ServiceManager::Refresh(Service& service, bool driverLoaded) {
  if (service.type == SERVICE_KERNEL_DRIVER && service.state != SERVICE_STOPPED && !driverLoaded)
    service.state = SERVICE_STOPPED;
  RemoveIfDeleted(service);
}

void ServiceManager::RemoveIfDeleted(Service& service) {
  if (!service.markedForDelete || service.handles > 0 || service.state != SERVICE_STOPPED) return;
  registry_.DeleteTree(RegistryPath(service.name));
  services_.erase(Upper(service.name));
}

}  // namespace winsim
