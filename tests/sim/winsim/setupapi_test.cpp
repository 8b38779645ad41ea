// Device-interface enumeration: the member and detail-size protocol with its cbSize checks and
// errors, and device information sets closed like other handles.
#include <cstddef>
#include <cstring>
#include <string>

#include "sim/winsim/device_interfaces.h"
#include "sim_pc_fixture.h"

namespace winsim_test {
namespace {

constexpr GUID kClass = {0x4D36E96B, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
constexpr GUID kOtherClass = {0x4D36E96F, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
const std::string kFirstPath = "\\\\?\\acpi#pnp0303#4&1d401fb5&0#{4d36e96b-e325-11ce-bfc1-08002be10318}";
const std::string kSecondPath = "\\\\?\\hid#vid_045e#7&1&0#{4d36e96b-e325-11ce-bfc1-08002be10318}";
constexpr unsigned char kMarker = 0xA5;

class SetupApi : public SimPcTest {
 protected:
  void SetUp() override {
    SimPcTest::SetUp();
    pc->Interfaces().Add(kClass, kFirstPath);
    pc->Interfaces().Add(kOtherClass, "\\\\?\\other");
    pc->Interfaces().Add(kClass, kSecondPath);
    set = SetupDiGetClassDevsA(&kClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    ASSERT_NE(reinterpret_cast<HDEVINFO>(INVALID_HANDLE_VALUE), set);
  }
  void TearDown() override {
    if (set != nullptr) {
      EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
    }
    SimPcTest::TearDown();
  }
  // Member `index` into a marker-filled structure with the given cbSize.
  BOOL Enum(DWORD index, SP_DEVICE_INTERFACE_DATA* data, DWORD cbSize = sizeof(SP_DEVICE_INTERFACE_DATA)) {
    std::memset(data, kMarker, sizeof *data);
    data->cbSize = cbSize;
    SetLastError(kUntouched);
    BOOL ok = SetupDiEnumDeviceInterfaces(set, nullptr, &kClass, index, data);
    error = GetLastError();
    return ok;
  }

  HDEVINFO set = nullptr;
  DWORD error = 0;
};

TEST_F(SetupApi, EnumeratesTheMembersOfTheClassThenNoMoreItems) {
  SP_DEVICE_INTERFACE_DATA data;
  ASSERT_TRUE(Enum(0, &data)) << error;
  EXPECT_TRUE(data.InterfaceClassGuid == kClass);
  EXPECT_EQ(1u, data.Flags) << "SPINT_ACTIVE";
  ASSERT_TRUE(Enum(1, &data)) << error;
  EXPECT_FALSE(Enum(2, &data));
  EXPECT_EQ(DWORD(ERROR_NO_MORE_ITEMS), error);

  HDEVINFO before = SetupDiGetClassDevsA(&kClass, nullptr, nullptr, DIGCF_DEVICEINTERFACE);
  pc->Interfaces().RemoveAll();
  HDEVINFO none = SetupDiGetClassDevsA(&kClass, nullptr, nullptr, DIGCF_DEVICEINTERFACE);
  std::memset(&data, kMarker, sizeof data);
  data.cbSize = sizeof data;
  SetLastError(kUntouched);
  EXPECT_FALSE(SetupDiEnumDeviceInterfaces(none, nullptr, &kClass, 0, &data));
  EXPECT_EQ(DWORD(ERROR_NO_MORE_ITEMS), GetLastError());
  // A set is a snapshot: the first one still has its members.
  EXPECT_TRUE(SetupDiEnumDeviceInterfaces(before, nullptr, &kClass, 1, &data));
  EXPECT_TRUE(SetupDiDestroyDeviceInfoList(before));
  EXPECT_TRUE(SetupDiDestroyDeviceInfoList(none));
}

TEST_F(SetupApi, EnumRefusesAWrongCbSizeAndLeavesTheStructureAlone) {
  for (DWORD cbSize : {DWORD(0), DWORD(sizeof(SP_DEVICE_INTERFACE_DATA) - 1), DWORD(sizeof(SP_DEVICE_INTERFACE_DATA) + 1)}) {
    SP_DEVICE_INTERFACE_DATA data;
    EXPECT_FALSE(Enum(0, &data, cbSize)) << "cbSize " << cbSize;
    EXPECT_EQ(DWORD(ERROR_INVALID_USER_BUFFER), error) << "cbSize " << cbSize;
    EXPECT_EQ(kMarker, reinterpret_cast<unsigned char*>(&data.InterfaceClassGuid)[0]) << "cbSize " << cbSize;
  }
}

// The usual two calls: the size first, then the detail into a buffer of that size.
TEST_F(SetupApi, DetailTellsItsSizeThenFillsABufferOfThatSize) {
  SP_DEVICE_INTERFACE_DATA data;
  ASSERT_TRUE(Enum(1, &data));
  const DWORD needed = DWORD(sizeof(DWORD) + kSecondPath.size() + 1);
  alignas(8) unsigned char buffer[512];
  auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(buffer);
  DWORD required = kUntouched;

  SetLastError(kUntouched);
  EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &required, nullptr));
  EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
  EXPECT_EQ(needed, required);

  SetLastError(kUntouched);
  EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, needed, nullptr, nullptr));
  EXPECT_EQ(DWORD(ERROR_INVALID_USER_BUFFER), GetLastError()) << "no buffer for a nonzero size";

  // cbSize is the fixed part as setupapi packs it (5 bytes for the 32-bit Windows we mimic).
  for (DWORD cbSize : {DWORD(0), DWORD(8), DWORD(needed)}) {
    std::memset(buffer, kMarker, sizeof buffer);
    detail->cbSize = cbSize;
    SetLastError(kUntouched);
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &data, detail, sizeof buffer, nullptr, nullptr));
    EXPECT_EQ(DWORD(ERROR_INVALID_USER_BUFFER), GetLastError()) << "cbSize " << cbSize;
  }

  std::memset(buffer, kMarker, sizeof buffer);
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
  ASSERT_EQ(5u, detail->cbSize);
  SetLastError(kUntouched);
  EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &data, detail, needed - 1, nullptr, nullptr));
  EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
  EXPECT_EQ(kMarker, buffer[offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath)]) << "path written anyway";

  required = kUntouched;
  ASSERT_TRUE(SetupDiGetDeviceInterfaceDetailA(set, &data, detail, needed, &required, nullptr));
  EXPECT_EQ(needed, required);
  EXPECT_EQ(kSecondPath, std::string(detail->DevicePath));
  EXPECT_EQ(kMarker, buffer[needed]) << "written past the size it asked for";
}

TEST_F(SetupApi, HandlesOfOtherKindsOrClosedSetsAreInvalid) {
  SP_DEVICE_INTERFACE_DATA data;
  ASSERT_TRUE(Enum(0, &data));
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  ASSERT_NE(INVALID_HANDLE_VALUE, snapshot);
  HDEVINFO notASet = reinterpret_cast<HDEVINFO>(snapshot);
  SetLastError(kUntouched);
  EXPECT_FALSE(SetupDiEnumDeviceInterfaces(notASet, nullptr, &kClass, 0, &data));
  EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
  SetLastError(kUntouched);
  EXPECT_FALSE(SetupDiDestroyDeviceInfoList(notASet));
  EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
  EXPECT_TRUE(CloseHandle(snapshot));

  EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
  HDEVINFO closed = set;
  set = nullptr;
  SetLastError(kUntouched);
  EXPECT_FALSE(SetupDiDestroyDeviceInfoList(closed));
  EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
  DWORD required = 0;
  SetLastError(kUntouched);
  EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(closed, &data, nullptr, 0, &required, nullptr));
  EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
  EXPECT_EQ(0u, pc->Handles().OpenCount());
}

}  // namespace
}  // namespace winsim_test
