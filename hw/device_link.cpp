// Opening portio and the status-port requests of the poll cycle.
#include "hw/device_link.h"

#include <cstdio>
#include <cstdlib>

#include "app/hot_keys.h"
#include "app/key_status.h"
#include "app/main_frame.h"
#include "driver/portio_protocol.h"
#include "procs/bound_function.h"

PROCESS_WIDE HANDLE g_hDriver = INVALID_HANDLE_VALUE;
PROCESS_WIDE bool g_bDriverOpen = false;

namespace tavos {
const GUID kPortioInterfaceClass = {
    0xC0CF0640, 0x5F6E, 0x11D2, {0xB6, 0x77, 0x00, 0xC0, 0xDF, 0xE4, 0xC1, 0xF3}};
}  // namespace tavos

namespace {

constexpr WORD kHotKeyPort = 0x040E;
constexpr WORD kMediaButtonPort = 0x0C12;

void OpenDevicePath(const char* path, DWORD attributes) {
  g_hDriver = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          nullptr, OPEN_EXISTING, attributes, nullptr);
  g_bDriverOpen = g_hDriver != INVALID_HANDLE_VALUE;
}

// An indexed read of one latch port into `status` (0 for a failed read or 0xFF).
void ReadLatch(WORD port, BYTE* status) {
  BYTE input[2] = {LOBYTE(port), BYTE(port >> 8)};
  BYTE value = 0;
  DWORD returned = 0;
  BOOL ok = DeviceIoControl(g_hDriver, portio::kIndexedRead, input, sizeof input, &value, 1,
                            &returned, nullptr);
  *status = tavos::StatusFromRead(ok && returned >= 1, value);
}

// The device-interface functions, bound at run time: Windows 95 and NT 4.0 have no
// SETUPAPI device interfaces, and a program importing them would not start there at all.
struct SetupApi {
  HMODULE module = nullptr;
  decltype(&SetupDiGetClassDevsA) getClassDevs = nullptr;
  decltype(&SetupDiEnumDeviceInterfaces) enumInterfaces = nullptr;
  decltype(&SetupDiGetDeviceInterfaceDetailA) getDetail = nullptr;
  decltype(&SetupDiDestroyDeviceInfoList) destroyList = nullptr;

  SetupApi() : module(LoadLibraryA("SETUPAPI.DLL")) {
    BindFunction(module, "SetupDiGetClassDevsA", &getClassDevs);
    BindFunction(module, "SetupDiEnumDeviceInterfaces", &enumInterfaces);
    BindFunction(module, "SetupDiGetDeviceInterfaceDetailA", &getDetail);
    BindFunction(module, "SetupDiDestroyDeviceInfoList", &destroyList);
  }
  ~SetupApi() {
    if (module != nullptr) FreeLibrary(module);
  }
  SetupApi(const SetupApi&) = delete;
  SetupApi& operator=(const SetupApi&) = delete;
  bool Complete() const {
    return getClassDevs != nullptr && enumInterfaces != nullptr && getDetail != nullptr &&
           destroyList != nullptr;
  }
};

}  // namespace

void CMainFrame::OpenDriver(const GUID& interfaceClass, DWORD memberIndex) {
  if (m_bDirectPortMode) {
    OpenDriverByInterface(interfaceClass, memberIndex);
    return;
  }
  OpenDevicePath(portio::kDevicePath, 0);
}

void CMainFrame::OpenDriverByInterface(const GUID& interfaceClass, DWORD memberIndex) {
  g_hDriver = INVALID_HANDLE_VALUE;
  g_bDriverOpen = false;
  // Without the functions there is no device set either: the same stop as a failed query.
  SetupApi api;
  HDEVINFO set = api.Complete() ? api.getClassDevs(&interfaceClass, nullptr, nullptr,
                                                   DIGCF_PRESENT | DIGCF_INTERFACEDEVICE)
                                : reinterpret_cast<HDEVINFO>(INVALID_HANDLE_VALUE);
  if (set == reinterpret_cast<HDEVINFO>(INVALID_HANDLE_VALUE)) {
    printf("No HDEVINFO available for this GUID\n");
    return;
  }
  SP_DEVICE_INTERFACE_DATA interfaceData{};
  interfaceData.cbSize = sizeof interfaceData;
  if (!api.enumInterfaces(set, nullptr, &interfaceClass, memberIndex, &interfaceData)) {
    printf("No SP_INTERFACE_DEVICE_DATA available for this GUID instance\n");
    api.destroyList(set);
    return;
  }
  DWORD required = 0;
  api.getDetail(set, &interfaceData, nullptr, 0, &required, nullptr);
  // The answer must at least hold the record's fixed part and a terminator.
  if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) + 1) {
    api.destroyList(set);
    return;
  }
  auto* detail = static_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(std::malloc(required));
  if (detail == nullptr) {
    api.destroyList(set);
    return;
  }
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
  if (api.getDetail(set, &interfaceData, detail, required, nullptr, nullptr)) {
    reinterpret_cast<char*>(detail)[required - 1] = '\0';  // never trust the path's end
    printf("Symbolic link is %s\n", detail->DevicePath);
    OpenDevicePath(detail->DevicePath, FILE_ATTRIBUTE_NORMAL);
  }
  std::free(detail);
  api.destroyList(set);
}

HANDLE CMainFrame::GetDriverHandle() const { return g_hDriver; }

void CMainFrame::ReadKeyStatus() {
  if (!g_bDriverOpen || m_bDirectPortMode) return;
  ReadLatch(kHotKeyPort, &g_byKeyStatus);
}

void CMainFrame::ReadMediaKeyStatus() {
  if (!g_bDriverOpen || m_bDirectPortMode) return;
  ReadLatch(kMediaButtonPort, &g_byKeyStatusC);
}

void CMainFrame::AckKeyStatus() {
  if (!g_bDriverOpen || m_bDirectPortMode) return;
  BYTE value = g_byKeyStatus & tavos::kKeyMp3;
  DWORD returned = 0;
  DeviceIoControl(g_hDriver, portio::kWriteBack, &value, 1, nullptr, 0, &returned, nullptr);
}

void CMainFrame::SendEcCommand(BYTE command, BYTE data) {
  ::SendEcCommand(g_hDriver, command, data);
}
