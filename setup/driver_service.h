// The driver's kernel service on the NT family, through the service control manager. Its
// functions are bound by name at run time: the 95 family has no service manager, and its
// ADVAPI32 is not relied upon to export them at all.
#pragma once

#include "platform/win32.h"

namespace setup {

class DriverService {
 public:
  DriverService() = default;
  ~DriverService();
  DriverService(const DriverService&) = delete;
  DriverService& operator=(const DriverService&) = delete;

  // Opens the manager with every right. 0, or why not (ERROR_ACCESS_DENIED for a user who
  // is not an administrator, ERROR_CALL_NOT_IMPLEMENTED without a service manager).
  DWORD Open();
  // Stops the service if it runs, and waits up to 5 s for it to stop, so that its file can be
  // replaced or removed.
  void Stop();
  // Creates the service (kernel driver, started with Windows, errors logged normally) or takes
  // the one an earlier install made, then starts it. 0, or the error of the creation;
  // `startError` gets 0, or why it did not start now (it then starts with Windows).
  DWORD Install(DWORD* startError);
  // Stops the service and deletes it.
  void Remove();

 private:
  struct Functions {
    decltype(&OpenSCManagerA) openManager;
    decltype(&OpenServiceA) openService;
    decltype(&CreateServiceA) createService;
    decltype(&StartServiceA) startService;
    decltype(&ControlService) controlService;
    decltype(&QueryServiceStatus) queryStatus;
    decltype(&DeleteService) deleteService;
    decltype(&CloseServiceHandle) closeHandle;
  };
  void StopAndWait(SC_HANDLE service);

  Functions f_{};
  SC_HANDLE manager_ = nullptr;
};

}  // namespace setup
