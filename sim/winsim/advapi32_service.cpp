// The service control manager's functions of ADVAPI32, with what Windows refuses: the 95
// family has none (ERROR_CALL_NOT_IMPLEMENTED), only administrators may create, start, stop
// or delete, a name can be created once, a running service cannot be started again, a
// stopped one not stopped, and a deleted one lingers, marked, until its last handle closes.
// Starting a kernel driver's service runs the driver's real code in the simulated kernel.
#include <memory>
#include <string>

#include "platform/win32.h"
#include "sim/kernel/sim_kernel.h"
#include "sim/winsim/device_files.h"
#include "sim/winsim/service_manager.h"
#include "sim/winsim/sim_scope.h"
#include "sim/winsim/windows_pc.h"

using winsim::ServiceManager;
using winsim::WindowsPc;

namespace {

constexpr DWORD kErrorInvalidName = 123;
constexpr DWORD kErrorServerUnavailable = 1722;  // RPC_S_SERVER_UNAVAILABLE
constexpr DWORD kErrorInvalidDatabase = 1065;    // ERROR_DATABASE_DOES_NOT_EXIST

// What a user who is not an administrator may ask of the manager and of a service.
constexpr DWORD kUserManagerRights =
    SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE | SC_MANAGER_QUERY_LOCK_STATUS | READ_CONTROL;
constexpr DWORD kUserServiceRights = SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS |
                                     SERVICE_ENUMERATE_DEPENDENTS | SERVICE_INTERROGATE |
                                     SERVICE_USER_DEFINED_CONTROL | READ_CONTROL;

// A handle to the manager (no service name) or to one service. Service handles are not
// kernel handles: CloseHandle refuses them.
class ScObject : public winsim::HandleObject {
 public:
  ScObject(ServiceManager& manager, std::string serviceName, DWORD rights)
      : service(std::move(serviceName)), granted(rights), manager_(manager) {
    if (!service.empty()) manager_.Opened(service);
  }
  ~ScObject() override {
    if (!service.empty()) manager_.Closed(service);
  }
  const char* Kind() const override { return "service"; }
  bool ClosesWithCloseHandle() const override { return false; }
  const std::string service;
  const DWORD granted;

 private:
  ServiceManager& manager_;
};

SC_HANDLE Fail(DWORD error) {
  SetLastError(error);
  return nullptr;
}

BOOL FailBool(DWORD error) {
  SetLastError(error);
  return FALSE;
}

SC_HANDLE AddHandle(const std::string& service, DWORD rights) {
  WindowsPc& pc = WindowsPc::Current();
  HANDLE handle =
      pc.Handles().Add(std::make_unique<ScObject>(pc.Services(), service, rights), pc.CurrentPid());
  return reinterpret_cast<SC_HANDLE>(handle);
}

ScObject* Opened(SC_HANDLE handle) {
  return WindowsPc::Current().Handles().Get<ScObject>(reinterpret_cast<HANDLE>(handle));
}

// The service behind a service handle opened with every right in `rights`, brought up to the
// kernel's state; null with the last error set otherwise.
ServiceManager::Service* OpenedService(SC_HANDLE handle, DWORD rights) {
  WindowsPc& pc = WindowsPc::Current();
  ScObject* object = Opened(handle);
  if (object == nullptr || object->service.empty()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if ((object->granted & rights) != rights) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  ServiceManager::Service* service = pc.Services().Find(object->service);
  if (service == nullptr) {  // cannot happen while a handle is open; said loudly if it does
    pc.Violation("a service handle outlived its service");
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  pc.Services().Refresh(*service, pc.Kernel() && pc.Kernel()->Io().DriverLoaded());
  return service;
}

void FillStatus(const ServiceManager::Service& service, LPSERVICE_STATUS status) {
  *status = SERVICE_STATUS{};
  status->dwServiceType = service.type;
  status->dwCurrentState = service.state;
  status->dwControlsAccepted = service.state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
}

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return text;
}

// The file a driver's ImagePath names: relative to the system root, "\SystemRoot\...",
// "\??\C:\..." or a plain "C:\..."; false for any other NT path.
bool DriverFile(const std::string& imagePath, std::string* file) {
  const std::string windows = WindowsPc::Current().Files().WindowsDirectory();
  const std::string upper = Upper(imagePath);
  if (upper.compare(0, 12, "\\SYSTEMROOT\\") == 0) {
    *file = windows + imagePath.substr(11);
  } else if (upper.compare(0, 4, "\\??\\") == 0) {
    *file = imagePath.substr(4);
  } else if (imagePath.size() > 1 && imagePath[1] == ':') {
    *file = imagePath;
  } else if (!imagePath.empty() && imagePath[0] != '\\') {
    *file = windows + "\\" + imagePath;
  } else {
    return false;
  }
  return true;
}

void SetDword(const std::string& path, const char* name, DWORD value) {
  std::string bytes(reinterpret_cast<const char*>(&value), 4);
  WindowsPc::Current().Reg().SetValue(path, name, {REG_DWORD, bytes});
}

void SetText(const std::string& path, const char* name, DWORD type, const char* text) {
  WindowsPc::Current().Reg().SetValue(path, name, {type, std::string(text) + '\0'});
}

}  // namespace

SC_HANDLE WINAPI OpenSCManagerA(LPCSTR lpMachineName, LPCSTR lpDatabaseName,
                                DWORD dwDesiredAccess) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  if (!pc.Profile().IsNt()) return Fail(ERROR_CALL_NOT_IMPLEMENTED);
  if (lpMachineName != nullptr && *lpMachineName != '\0') {
    pc.Stub("OpenSCManagerA of another machine");
    return Fail(kErrorServerUnavailable);
  }
  if (lpDatabaseName != nullptr && Upper(lpDatabaseName) != "SERVICESACTIVE")
    return Fail(kErrorInvalidDatabase);
  if (!pc.CallerIsAdministrator() && (dwDesiredAccess & ~kUserManagerRights))
    return Fail(ERROR_ACCESS_DENIED);
  return AddHandle("", dwDesiredAccess);
}

SC_HANDLE WINAPI OpenServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName, DWORD dwDesiredAccess) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  ScObject* manager = Opened(hSCManager);
  if (manager == nullptr || !manager->service.empty()) return Fail(ERROR_INVALID_HANDLE);
  if (lpServiceName == nullptr || *lpServiceName == '\0') return Fail(kErrorInvalidName);
  ServiceManager::Service* service = pc.Services().Find(lpServiceName);
  if (service == nullptr) return Fail(ERROR_SERVICE_DOES_NOT_EXIST);
  if (!pc.CallerIsAdministrator() && (dwDesiredAccess & ~kUserServiceRights))
    return Fail(ERROR_ACCESS_DENIED);
  return AddHandle(service->name, dwDesiredAccess);
}

SC_HANDLE WINAPI CreateServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName, LPCSTR lpDisplayName,
                                DWORD dwDesiredAccess, DWORD dwServiceType, DWORD dwStartType,
                                DWORD dwErrorControl, LPCSTR lpBinaryPathName,
                                LPCSTR lpLoadOrderGroup, LPDWORD lpdwTagId, LPCSTR,
                                LPCSTR lpServiceStartName, LPCSTR) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  ScObject* manager = Opened(hSCManager);
  if (manager == nullptr || !manager->service.empty()) return Fail(ERROR_INVALID_HANDLE);
  if (!(manager->granted & SC_MANAGER_CREATE_SERVICE)) return Fail(ERROR_ACCESS_DENIED);
  if (lpServiceName == nullptr || *lpServiceName == '\0' ||
      std::string(lpServiceName).find_first_of("/\\") != std::string::npos)
    return Fail(kErrorInvalidName);
  const bool driver =
      dwServiceType == SERVICE_KERNEL_DRIVER || dwServiceType == SERVICE_FILE_SYSTEM_DRIVER;
  const bool process =
      dwServiceType == SERVICE_WIN32_OWN_PROCESS || dwServiceType == SERVICE_WIN32_SHARE_PROCESS;
  // Only drivers start with the boot loader or the kernel; a tag needs a load-order group.
  if ((!driver && !process) || dwStartType > SERVICE_DISABLED ||
      (process && dwStartType < SERVICE_AUTO_START) || dwErrorControl > SERVICE_ERROR_CRITICAL ||
      lpBinaryPathName == nullptr || *lpBinaryPathName == '\0' ||
      (lpdwTagId != nullptr && (lpLoadOrderGroup == nullptr || *lpLoadOrderGroup == '\0')))
    return Fail(ERROR_INVALID_PARAMETER);
  if (ServiceManager::Service* existing = pc.Services().Find(lpServiceName))
    return Fail(existing->markedForDelete ? ERROR_SERVICE_MARKED_FOR_DELETE : ERROR_SERVICE_EXISTS);
  if (process && lpServiceStartName != nullptr) {
    pc.Stub("CreateServiceA of a service running under an account");
    return Fail(ERROR_INVALID_SERVICE_ACCOUNT);
  }

  ServiceManager::Service& service = pc.Services().Add(lpServiceName, dwServiceType);
  const std::string key = ServiceManager::RegistryPath(service.name);
  bool created = false;
  pc.Reg().CreateKey(key, &created);
  SetDword(key, "Type", dwServiceType);
  SetDword(key, "Start", dwStartType);
  SetDword(key, "ErrorControl", dwErrorControl);
  SetText(key, "ImagePath", REG_EXPAND_SZ, lpBinaryPathName);
  if (lpDisplayName != nullptr) SetText(key, "DisplayName", REG_SZ, lpDisplayName);
  if (lpLoadOrderGroup != nullptr && *lpLoadOrderGroup != '\0')
    SetText(key, "Group", REG_SZ, lpLoadOrderGroup);
  if (lpdwTagId != nullptr) *lpdwTagId = 1;
  pc.Events().Add(
      "service create " + winsim::Quote(service.name) + " type=" + std::to_string(dwServiceType) +
      " start=" + std::to_string(dwStartType) + " image=" + winsim::Quote(lpBinaryPathName));
  return AddHandle(service.name, dwDesiredAccess);
}

BOOL WINAPI StartServiceA(SC_HANDLE hService, DWORD, LPCSTR*) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  ServiceManager::Service* service = OpenedService(hService, SERVICE_START);
  if (service == nullptr) return FALSE;
  if (service->markedForDelete) return FailBool(ERROR_SERVICE_MARKED_FOR_DELETE);
  if (service->state != SERVICE_STOPPED) return FailBool(ERROR_SERVICE_ALREADY_RUNNING);
  const std::string key = ServiceManager::RegistryPath(service->name);
  if (pc.Reg().ValueText(key, "Start") == std::to_string(SERVICE_DISABLED))
    return FailBool(ERROR_SERVICE_DISABLED);
  if (service->type != SERVICE_KERNEL_DRIVER) {
    pc.Stub("StartServiceA of a service that is not a kernel driver");
    return FailBool(ERROR_CALL_NOT_IMPLEMENTED);
  }
  std::string file, image;
  if (!DriverFile(pc.Reg().ValueText(key, "ImagePath"), &file))
    return FailBool(ERROR_PATH_NOT_FOUND);
  if (!pc.Files().IsFile(file) || !pc.Files().ReadFile(file, &image))
    return FailBool(ERROR_FILE_NOT_FOUND);
  sim::DriverEntryRoutine entry = pc.Services().DriverEntryOf(image);
  if (entry == nullptr) return FailBool(ERROR_BAD_EXE_FORMAT);
  if (pc.Kernel() == nullptr) {
    pc.Stub("StartServiceA of a kernel driver on a PC without a simulated kernel");
    return FailBool(ERROR_CALL_NOT_IMPLEMENTED);
  }
  sim::IoManager& io = pc.Kernel()->Io();
  if (io.DriverLoaded()) {
    // The simulated kernel holds one driver: one loaded without the service manager is a
    // mistake of the test that set the machine up.
    pc.Violation("StartServiceA while the kernel runs a driver the service manager did not load");
    return FailBool(ERROR_SERVICE_ALREADY_RUNNING);
  }
  NTSTATUS status = io.LoadDriver(entry);
  if (!NT_SUCCESS(status)) return FailBool(winsim::Win32ErrorOf(status));
  service->state = SERVICE_RUNNING;
  pc.Events().Add("service start " + winsim::Quote(service->name));
  return TRUE;
}

BOOL WINAPI ControlService(SC_HANDLE hService, DWORD dwControl, LPSERVICE_STATUS lpServiceStatus) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  if (lpServiceStatus == nullptr) return FailBool(ERROR_INVALID_PARAMETER);
  if (dwControl != SERVICE_CONTROL_STOP && dwControl != SERVICE_CONTROL_INTERROGATE)
    return FailBool(ERROR_INVALID_SERVICE_CONTROL);
  DWORD right = dwControl == SERVICE_CONTROL_STOP ? SERVICE_STOP : SERVICE_INTERROGATE;
  ServiceManager::Service* service = OpenedService(hService, right);
  if (service == nullptr) return FALSE;
  if (service->state == SERVICE_STOPPED) return FailBool(ERROR_SERVICE_NOT_ACTIVE);
  if (service->state == SERVICE_STOP_PENDING) return FailBool(ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
  if (dwControl == SERVICE_CONTROL_STOP) {
    // A legacy driver with open handles stays loaded until the last one closes; the service
    // says so with STOP_PENDING, and the stop itself succeeds.
    NTSTATUS status = pc.Kernel()->Io().UnloadWhenUnused();
    if (!NT_SUCCESS(status)) return FailBool(winsim::Win32ErrorOf(status));
    const bool pending = pc.Kernel()->Io().DriverLoaded();
    service->state = pending ? SERVICE_STOP_PENDING : SERVICE_STOPPED;
    pc.Events().Add("service stop " + winsim::Quote(service->name) + (pending ? " pending" : ""));
  }
  FillStatus(*service, lpServiceStatus);
  return TRUE;
}

BOOL WINAPI QueryServiceStatus(SC_HANDLE hService, LPSERVICE_STATUS lpServiceStatus) {
  winsim::SimScope scope;
  if (lpServiceStatus == nullptr) return FailBool(ERROR_INVALID_PARAMETER);
  ServiceManager::Service* service = OpenedService(hService, SERVICE_QUERY_STATUS);
  if (service == nullptr) return FALSE;
  FillStatus(*service, lpServiceStatus);
  return TRUE;
}

BOOL WINAPI DeleteService(SC_HANDLE hService) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  ServiceManager::Service* service = OpenedService(hService, DELETE);
  if (service == nullptr) return FALSE;
  if (service->markedForDelete) return FailBool(ERROR_SERVICE_MARKED_FOR_DELETE);
  // It goes when it is stopped and its last handle is closed (this one included).
  service->markedForDelete = true;
  pc.Events().Add("service delete " + winsim::Quote(service->name));
  return TRUE;
}

BOOL WINAPI CloseServiceHandle(SC_HANDLE hSCObject) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  if (Opened(hSCObject) == nullptr) return FailBool(ERROR_INVALID_HANDLE);
  pc.Handles().Close(reinterpret_cast<HANDLE>(hSCObject));
  return TRUE;
}
