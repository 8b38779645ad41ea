// The kernel service "portio".
#include "setup/driver_service.h"

#include "setup/install_plan.h"

namespace setup {

namespace {

constexpr DWORD kStopWaitMs = 5000;
constexpr DWORD kStopPollMs = 100;

template <class Function>
bool Bind(HMODULE module, const char* name, Function* function) {
  *function =
      reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
  return *function != nullptr;
}

}  // namespace

DriverService::~DriverService() {
  if (manager_) f_.closeHandle(manager_);
}

DWORD DriverService::Open() {
  HMODULE advapi = GetModuleHandleA("ADVAPI32.DLL");
  if (advapi == nullptr || !Bind(advapi, "OpenSCManagerA", &f_.openManager) ||
      !Bind(advapi, "OpenServiceA", &f_.openService) ||
      !Bind(advapi, "CreateServiceA", &f_.createService) ||
      !Bind(advapi, "StartServiceA", &f_.startService) ||
      !Bind(advapi, "ControlService", &f_.controlService) ||
      !Bind(advapi, "QueryServiceStatus", &f_.queryStatus) ||
      !Bind(advapi, "DeleteService", &f_.deleteService) ||
      !Bind(advapi, "CloseServiceHandle", &f_.closeHandle))
    return ERROR_CALL_NOT_IMPLEMENTED;
  manager_ = f_.openManager(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  return manager_ ? ERROR_SUCCESS : GetLastError();
}

void DriverService::StopAndWait(SC_HANDLE service) {
  SERVICE_STATUS status{};
  if (!f_.controlService(service, SERVICE_CONTROL_STOP, &status)) return;
  for (DWORD waited = 0; status.dwCurrentState != SERVICE_STOPPED && waited < kStopWaitMs;
       waited += kStopPollMs) {
    Sleep(kStopPollMs);
    if (!f_.queryStatus(service, &status)) return;
  }
}

void DriverService::Stop() {
  SC_HANDLE service = f_.openService(manager_, kServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS);
  if (service == nullptr) return;
  StopAndWait(service);
  f_.closeHandle(service);
}

DWORD DriverService::Install(DWORD* startError) {
  *startError = ERROR_SUCCESS;
  SC_HANDLE service =
      f_.createService(manager_, kServiceName, kServiceDisplayName, SERVICE_ALL_ACCESS,
                       SERVICE_KERNEL_DRIVER, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                       kServiceImage, nullptr, nullptr, nullptr, nullptr, nullptr);
  // An earlier install made it with the same settings: it is used as it is.
  if (service == nullptr && GetLastError() == ERROR_SERVICE_EXISTS)
    service = f_.openService(manager_, kServiceName, SERVICE_ALL_ACCESS);
  if (service == nullptr) return GetLastError();
  if (!f_.startService(service, 0, nullptr) && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
    *startError = GetLastError();
  f_.closeHandle(service);
  return ERROR_SUCCESS;
}

void DriverService::Remove() {
  SC_HANDLE service =
      f_.openService(manager_, kServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE);
  if (service == nullptr) return;
  StopAndWait(service);
  f_.deleteService(service);
  f_.closeHandle(service);
}

}  // namespace setup
