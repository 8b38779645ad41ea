// Device handles: "\\.\NAME" opened in the simulated NT kernel, and DeviceIoControl.
#include <cstring>
#include <string>

#include "platform/win32.h"
#include "sim/kernel/security.h"
#include "sim/kernel/sim_kernel.h"
#include "sim/winsim/device_files.h"
#include "sim/winsim/sim_scope.h"
#include "sim/winsim/windows_pc.h"

using winsim::WindowsPc;

namespace {

constexpr DWORD kErrorBadCommand = 22;
constexpr DWORD kErrorNoSystemMessage = 317;  // ERROR_MR_MID_NOT_FOUND: no mapping known

// An open handle of the kernel's I/O manager; closing it sends the driver its close.
class DeviceHandle : public winsim::HandleObject {
 public:
  DeviceHandle(sim::SimKernel& kernel, sim::KernelHandle handle)
      : kernel_(kernel), handle_(handle) {}
  ~DeviceHandle() override { kernel_.Io().Close(handle_); }
  const char* Kind() const override { return "device"; }
  sim::SimKernel& Kernel() const { return kernel_; }
  sim::KernelHandle Handle() const { return handle_; }

 private:
  sim::SimKernel& kernel_;
  sim::KernelHandle handle_;
};

}  // namespace

// The Win32 error a kernel status becomes, as RtlNtStatusToDosError maps it.
DWORD winsim::Win32ErrorOf(NTSTATUS status) {
  switch (ULONG(status)) {
    case 0x80000005:
      return ERROR_MORE_DATA;  // STATUS_BUFFER_OVERFLOW
    case 0xC0000008:
      return ERROR_INVALID_HANDLE;
    case 0xC000000D:
      return ERROR_INVALID_PARAMETER;
    case 0xC0000010:
      return ERROR_INVALID_FUNCTION;  // STATUS_INVALID_DEVICE_REQUEST
    case 0xC0000022:
      return ERROR_ACCESS_DENIED;
    case 0xC0000023:
      return ERROR_INSUFFICIENT_BUFFER;  // STATUS_BUFFER_TOO_SMALL
    case 0xC0000033:
      return 123;  // ERROR_INVALID_NAME
    case 0xC0000034:
      return ERROR_FILE_NOT_FOUND;  // STATUS_OBJECT_NAME_NOT_FOUND
    case 0xC000000E:
      return ERROR_FILE_NOT_FOUND;  // STATUS_NO_SUCH_DEVICE
    case 0xC0000184:
      return kErrorBadCommand;  // STATUS_INVALID_DEVICE_STATE
    case 0xC0000005:
      return 998;  // ERROR_NOACCESS
    case 0xC0000001:
      return ERROR_GEN_FAILURE;  // STATUS_UNSUCCESSFUL
    case 0xC0000002:
      return ERROR_INVALID_FUNCTION;  // STATUS_NOT_IMPLEMENTED
    case 0xC00000BB:
      return ERROR_NOT_SUPPORTED;  // STATUS_NOT_SUPPORTED
    case 0x80000011:
      return 170;  // ERROR_BUSY
    default:
      return kErrorNoSystemMessage;
  }
}

namespace winsim {

void WindowsPc::SetLoggedOnUser(const sim::AccessToken& token) {
  loggedOnUser_ = std::make_unique<sim::AccessToken>(token);
}

void WindowsPc::SetProcessAccount(DWORD pid, const sim::AccessToken& token) {
  processAccounts_[pid] = std::make_unique<sim::AccessToken>(token);
}

const sim::AccessToken& WindowsPc::CallerAccount() const {
  static const sim::AccessToken kOwnerOfTheNotebook = sim::AccessToken::InteractiveAdministrator();
  auto account = processAccounts_.find(CurrentPid());
  if (account != processAccounts_.end()) return *account->second;
  return loggedOnUser_ ? *loggedOnUser_ : kOwnerOfTheNotebook;
}

bool IsDevicePath(const char* path) {
  return path != nullptr && std::strncmp(path, "\\\\.\\", 4) == 0;
}

HANDLE CreateDeviceFile(const char* path, DWORD desiredAccess, DWORD, DWORD creationDisposition) {
  WindowsPc& pc = WindowsPc::Current();
  sim::SimKernel* kernel = pc.Kernel();
  // The Windows 95 family would look for a VxD of that name; there is none.
  if (kernel == nullptr) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (creationDisposition != OPEN_EXISTING) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  // CreateFileA asks NtCreateFile for these two besides what the caller wants.
  const sim::OpenRequest request{desiredAccess | SYNCHRONIZE | FILE_READ_ATTRIBUTES,
                                 pc.CallerAccount()};
  sim::KernelHandle handle = 0;
  NTSTATUS status = kernel->Io().Open(path, &handle, request);
  if (!NT_SUCCESS(status)) {
    SetLastError(Win32ErrorOf(status));
    return INVALID_HANDLE_VALUE;
  }
  SetLastError(ERROR_SUCCESS);
  return pc.Handles().Add(std::make_unique<DeviceHandle>(*kernel, handle), pc.CurrentPid());
}

}  // namespace winsim

BOOL WINAPI DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer,
                            DWORD nInBufferSize, LPVOID lpOutBuffer, DWORD nOutBufferSize,
                            LPDWORD lpBytesReturned, LPVOID lpOverlapped) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  if (lpBytesReturned == nullptr && lpOverlapped == nullptr)
    pc.Violation("DeviceIoControl without lpBytesReturned (an access violation on Windows NT)");
  auto* device = pc.Handles().Get<DeviceHandle>(hDevice);
  if (device == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  ULONG returned = 0;
  NTSTATUS status =
      device->Kernel().Io().DeviceControl(device->Handle(), dwIoControlCode, lpInBuffer,
                                          nInBufferSize, lpOutBuffer, nOutBufferSize, &returned);
  if (lpBytesReturned != nullptr) *lpBytesReturned = returned;
  if (status < 0 || ULONG(status) >> 30 == 2) {  // errors and warnings both fail
    SetLastError(winsim::Win32ErrorOf(status));
    return FALSE;
  }
  return TRUE;
}
