// Device-interface enumeration over the PC's interface registry.
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "sim/winsim/device_interfaces.h"
#include "sim/winsim/windows_pc.h"

using winsim::WindowsPc;

namespace {

constexpr DWORD kSpintActive = 1;

class DeviceInfoSet : public winsim::HandleObject {
 public:
  explicit DeviceInfoSet(std::vector<winsim::DeviceInterfaces::Interface> members)
      : members_(std::move(members)) {}
  const char* Kind() const override { return "device information set"; }
  const std::vector<winsim::DeviceInterfaces::Interface>& Members() const { return members_; }

 private:
  std::vector<winsim::DeviceInterfaces::Interface> members_;
};

DeviceInfoSet* SetOf(HDEVINFO set) {
  return WindowsPc::Current().Handles().Get<DeviceInfoSet>(reinterpret_cast<HANDLE>(set));
}

}  // namespace

HDEVINFO WINAPI SetupDiGetClassDevsA(const GUID* ClassGuid, LPCSTR, HWND, DWORD Flags) {
  WindowsPc& pc = WindowsPc::Current();
  if (!(Flags & DIGCF_DEVICEINTERFACE)) {
    pc.Stub("SetupDiGetClassDevsA for device setup classes");
    SetLastError(ERROR_NOT_SUPPORTED);
    return reinterpret_cast<HDEVINFO>(INVALID_HANDLE_VALUE);
  }
  if (ClassGuid == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return reinterpret_cast<HDEVINFO>(INVALID_HANDLE_VALUE);
  }
  HANDLE set = pc.Handles().Add(
      std::make_unique<DeviceInfoSet>(pc.Interfaces().OfClass(*ClassGuid)), pc.CurrentPid());
  return reinterpret_cast<HDEVINFO>(set);
}

BOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA,
                                        const GUID* InterfaceClassGuid, DWORD MemberIndex,
                                        PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData) {
  auto* set = SetOf(DeviceInfoSet);
  if (set == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (DeviceInterfaceData == nullptr || InterfaceClassGuid == nullptr ||
      DeviceInterfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  DWORD index = 0;
  for (size_t i = 0; i < set->Members().size(); ++i) {
    if (!(set->Members()[i].interfaceClass == *InterfaceClassGuid)) continue;
    if (index++ != MemberIndex) continue;
    DeviceInterfaceData->InterfaceClassGuid = *InterfaceClassGuid;
    DeviceInterfaceData->Flags = kSpintActive;
    DeviceInterfaceData->Reserved = i + 1;  // which member, for the detail query
    return TRUE;
  }
  SetLastError(ERROR_NO_MORE_ITEMS);
  return FALSE;
}

BOOL WINAPI SetupDiGetDeviceInterfaceDetailA(
    HDEVINFO DeviceInfoSet, PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData,
    PSP_DEVICE_INTERFACE_DETAIL_DATA_A DeviceInterfaceDetailData,
    DWORD DeviceInterfaceDetailDataSize, PDWORD RequiredSize, PSP_DEVINFO_DATA) {
  auto* set = SetOf(DeviceInfoSet);
  if (set == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (DeviceInterfaceData == nullptr || DeviceInterfaceData->Reserved == 0 ||
      DeviceInterfaceData->Reserved > set->Members().size()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::string& path = set->Members()[DeviceInterfaceData->Reserved - 1].devicePath;
  const DWORD needed = DWORD(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + path.size() + 1);
  if (RequiredSize != nullptr) *RequiredSize = needed;
  if (DeviceInterfaceDetailData == nullptr) {
    SetLastError(DeviceInterfaceDetailDataSize ? ERROR_INVALID_USER_BUFFER : ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  if (DeviceInterfaceDetailData->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  if (DeviceInterfaceDetailDataSize < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(DeviceInterfaceDetailData->DevicePath, path.c_str(), path.size() + 1);
  return TRUE;
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) {
  if (SetOf(DeviceInfoSet) == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return WindowsPc::Current().Handles().Close(reinterpret_cast<HANDLE>(DeviceInfoSet));
}
