// CreateFileA on "\\.\NAME" and DeviceIoControl against the simulated NT kernel: portio's
// exclusive device, absent devices and the Windows 95 family, the status-to-error mapping
// (through portio and through a small driver that completes with any status), bytes
// returned, and CloseHandle closing the kernel's handle.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "driver/portio_protocol.h"
#include "sim/kernel/security.h"
#include "sim/kernel/sim_kernel.h"
#include "sim/notebook/notebook.h"
#include "sim_pc_fixture.h"

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT, PUNICODE_STRING);

namespace winsim_test {
namespace {

constexpr uint8_t kMarker = 0xA5;
constexpr DWORD kErrorNoAccess = 998;
constexpr DWORD kErrorBadCommand = 22;
constexpr DWORD kErrorBusy = 170;
constexpr DWORD kSpare = 4;  // bytes past the output length, which must stay untouched

std::string HexBytes(const uint8_t* bytes, size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, i ? " %02X" : "%02X", bytes[i]);
    text += hex;
  }
  return text;
}

struct Reply {
  BOOL ok;
  DWORD error;
  DWORD returned;
  std::string output;  // the output buffer and kSpare bytes past it, in hex
};

// The device tests' common part: a kernel under the PC, opens and requests with evidence.
class DeviceTest : public SimPcTest {
 protected:
  sim::Notebook* NotebookForPc() override { return &notebook; }
  sim::SimKernel* KernelForPc() override { return &kernel; }

  void TearDown() override {
    SimPcTest::TearDown();  // ends the programs, which closes what they left open
    EXPECT_EQ(0u, kernel.Io().OpenHandles());
    if (kernel.Io().DriverLoaded()) {
      EXPECT_EQ(STATUS_SUCCESS, kernel.Io().UnloadDriver());
    }
    EXPECT_EQ(std::vector<std::string>{}, kernel.Faults().All());
  }

  HANDLE Open(const char* path) {
    SetLastError(kUntouched);
    HANDLE handle =
        CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    error = GetLastError();
    return handle;
  }

  static Reply Control(HANDLE device, DWORD code, std::vector<uint8_t> input, DWORD outputSize) {
    std::vector<uint8_t> output(outputSize + kSpare, kMarker);
    Reply reply{};
    reply.returned = kUntouched;
    SetLastError(kUntouched);
    reply.ok =
        DeviceIoControl(device, code, input.empty() ? nullptr : input.data(), DWORD(input.size()),
                        output.data(), outputSize, &reply.returned, nullptr);
    reply.error = GetLastError();
    reply.output = HexBytes(output.data(), output.size());
    return reply;
  }

  sim::Notebook notebook;
  sim::SimKernel kernel{notebook.Bus()};
  DWORD error = 0;
};

class Kernel32Device : public DeviceTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(STATUS_SUCCESS, kernel.Io().LoadDriver(DriverEntry));
    DeviceTest::SetUp();
  }
};

TEST_F(Kernel32Device, Drv1OpensOnceAtATimeAndCloseHandleClosesTheKernelHandle) {
  HANDLE device = Open("\\\\.\\DRV1");
  ASSERT_NE(INVALID_HANDLE_VALUE, device) << "error " << error;
  EXPECT_EQ(DWORD(ERROR_SUCCESS), error);
  EXPECT_EQ(1u, kernel.Io().OpenHandles());

  EXPECT_EQ(INVALID_HANDLE_VALUE, Open("\\\\.\\drv1")) << "portio's device is exclusive";
  EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), error);

  kernel.Io().ClearRequests();
  EXPECT_TRUE(CloseHandle(device));
  EXPECT_EQ(0u, kernel.Io().OpenHandles());
  ASSERT_FALSE(kernel.Io().Requests().empty());
  EXPECT_EQ(IRP_MJ_CLOSE, kernel.Io().Requests().back().majorFunction);
  SetLastError(kUntouched);
  EXPECT_FALSE(CloseHandle(device));
  EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());

  HANDLE again = Open("\\\\.\\DRV1");
  EXPECT_NE(INVALID_HANDLE_VALUE, again) << "error " << error;
  EXPECT_TRUE(CloseHandle(again));
}

TEST_F(Kernel32Device, AbsentDevicesAreNotFound) {
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open("\\\\.\\DRV2"));
  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), error);
  ASSERT_EQ(STATUS_SUCCESS, kernel.Io().UnloadDriver());
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open("\\\\.\\DRV1"));
  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), error);
}

// The Windows 95 family would look for a VxD of that name; the NT kernel is never asked.
TEST_F(Kernel32Device, TheWindows95FamilyFindsNoNtDevice) {
  pc->SetProfile(Profile("95"));
  kernel.Io().ClearRequests();
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open("\\\\.\\DRV1"));
  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), error);
  EXPECT_EQ(0u, kernel.Io().Requests().size());
  EXPECT_EQ(0u, kernel.Io().OpenHandles());
}

// The caller's account decides: the logged-on user's for the owner and for programs, unless
// a program runs as another account; names beneath the device are refused to everyone.
TEST_F(Kernel32Device, Drv1OpensOnlyForAccountsTheDeviceAdmits) {
  struct Case {
    const char* path;
    sim::AccessToken account;
    DWORD error;  // ERROR_SUCCESS: opened
  };
  const Case cases[] = {
      {"\\\\.\\DRV1", sim::AccessToken::InteractiveAdministrator(), ERROR_SUCCESS},
      {"\\\\.\\DRV1", sim::AccessToken::InteractiveUser(), ERROR_SUCCESS},
      {"\\\\.\\DRV1", sim::AccessToken::NetworkUser(), ERROR_ACCESS_DENIED},
      {"\\\\.\\DRV1", sim::AccessToken::ServiceAccount(), ERROR_ACCESS_DENIED},
      {"\\\\.\\DRV1\\0CF9", sim::AccessToken::InteractiveAdministrator(), ERROR_ACCESS_DENIED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.path << " as " << c.account.kind);
    pc->SetLoggedOnUser(c.account);
    HANDLE device = Open(c.path);
    EXPECT_EQ(c.error, error);
    EXPECT_EQ(c.error == ERROR_SUCCESS, device != INVALID_HANDLE_VALUE);
    if (device != INVALID_HANDLE_VALUE) {
      EXPECT_TRUE(CloseHandle(device));
    }
  }
  // A program of the logged-on user opens; the same program as a service account does not.
  pc->SetLoggedOnUser(sim::AccessToken::InteractiveUser());
  DWORD asUser = kUntouched, asService = kUntouched;
  Run([&] {
    HANDLE device = CreateFileA("\\\\.\\DRV1", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    asUser = GetLastError();
    CloseHandle(device);
    winsim::WindowsPc::Current().SetProcessAccount(winsim::WindowsPc::Current().CurrentPid(),
                                                   sim::AccessToken::ServiceAccount());
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              CreateFileA("\\\\.\\DRV1", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    asService = GetLastError();
    return 0;
  });
  EXPECT_EQ(DWORD(ERROR_SUCCESS), asUser);
  EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), asService);
}

TEST_F(Kernel32Device, StatusesOfPortioBecomeWin32Errors) {
  HANDLE device = Open("\\\\.\\DRV1");
  ASSERT_NE(INVALID_HANDLE_VALUE, device);
  const std::string untouched4 = "A5 A5 A5 A5";
  const std::string untouched8 = untouched4 + " " + untouched4;

  Reply unassigned = Control(device, portio::kUnassigned, {1, 0, 0, 0}, 4);
  EXPECT_FALSE(unassigned.ok);
  EXPECT_EQ(DWORD(ERROR_INVALID_FUNCTION), unassigned.error);
  EXPECT_EQ(0u, unassigned.returned);
  EXPECT_EQ(untouched8, unassigned.output);

  Reply noOutput = Control(device, portio::kKeyboardStatusRead, {}, 0);
  EXPECT_FALSE(noOutput.ok);
  EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), noOutput.error);
  EXPECT_EQ(0u, noOutput.returned);

  Reply shortDword = Control(device, portio::kPciDataRead, {}, 3);
  EXPECT_FALSE(shortDword.ok);
  EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), shortDword.error);
  EXPECT_EQ("A5 A5 A5 " + untouched4, shortDword.output);

  Reply noInput = Control(device, portio::kEcDataWrite, {}, 0);
  EXPECT_FALSE(noInput.ok);
  EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), noInput.error);

  DWORD returned = kUntouched;
  SetLastError(kUntouched);
  EXPECT_FALSE(DeviceIoControl(device, portio::kKeyboardStatusRead, nullptr, 4, nullptr, 0,
                               &returned, nullptr));
  EXPECT_EQ(kErrorNoAccess, GetLastError()) << "an input length without a buffer";
  EXPECT_TRUE(CloseHandle(device));
}

TEST_F(Kernel32Device, BytesReturnedCountWhatTheRequestReported) {
  HANDLE device = Open("\\\\.\\DRV1");
  ASSERT_NE(INVALID_HANDLE_VALUE, device);
  const uint8_t status = notebook.Bus().InByte(0x64);
  const std::string port = HexBytes(&status, 1);

  // A byte read reports the port's byte, then the caller's input bytes 1 to 3.
  Reply full = Control(device, portio::kKeyboardStatusRead, {0x11, 0x22, 0x33, 0x44}, 4);
  EXPECT_TRUE(full.ok) << full.error;
  EXPECT_EQ(4u, full.returned);
  EXPECT_EQ(port + " 22 33 44 A5 A5 A5 A5", full.output);

  Reply cut = Control(device, portio::kKeyboardStatusRead, {0x11, 0x22, 0x33, 0x44}, 2);
  EXPECT_TRUE(cut.ok) << cut.error;
  EXPECT_EQ(2u, cut.returned);
  EXPECT_EQ(port + " 22 A5 A5 A5 A5", cut.output);

  Reply write = Control(device, portio::kCmosIndexWrite, {0x0A}, 4);
  EXPECT_TRUE(write.ok) << write.error;
  EXPECT_EQ(0u, write.returned);

  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  Reply wrongKind = Control(snapshot, portio::kKeyboardStatusRead, {}, 4);
  EXPECT_FALSE(wrongKind.ok);
  EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), wrongKind.error);
  EXPECT_TRUE(CloseHandle(snapshot));
  EXPECT_TRUE(CloseHandle(device));
}

TEST_F(Kernel32Device, NoBytesReturnedPointerIsReportedAsAViolation) {
  expectedViolations = {
      "DeviceIoControl without lpBytesReturned (an access violation on Windows NT)"};
  HANDLE device = Open("\\\\.\\DRV1");
  ASSERT_NE(INVALID_HANDLE_VALUE, device);
  uint8_t output[4];
  EXPECT_TRUE(DeviceIoControl(device, portio::kKeyboardStatusRead, nullptr, 0, output, 4, nullptr,
                              nullptr));
  EXPECT_TRUE(CloseHandle(device));
}

// ---- any status, from a driver that completes requests with what the input asks for

constexpr char16_t kDeviceName[] = u"\\Device\\WSTATUS";
constexpr char16_t kLinkName[] = u"\\DosDevices\\WStatus";
constexpr ULONG kAnyStatus = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x801, METHOD_BUFFERED, FILE_ANY_ACCESS);

UNICODE_STRING Name(const char16_t* text) {
  UNICODE_STRING name;
  RtlInitUnicodeString(&name, reinterpret_cast<const WCHAR*>(text));
  return name;
}

NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = information;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

NTSTATUS NTAPI OpenOrClose(PDEVICE_OBJECT, PIRP irp) { return Complete(irp, STATUS_SUCCESS, 0); }

// Input: the status, then the byte count to report. Output: D0 D1 D2 ...
NTSTATUS NTAPI AnswerAsAsked(PDEVICE_OBJECT, PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  auto* buffer = static_cast<UCHAR*>(irp->AssociatedIrp.SystemBuffer);
  if (buffer == nullptr || stack->Parameters.DeviceIoControl.InputBufferLength < 8)
    return Complete(irp, STATUS_INVALID_PARAMETER, 0);
  NTSTATUS status;
  uint32_t information;
  std::memcpy(&status, buffer, 4);
  std::memcpy(&information, buffer + 4, 4);
  for (ULONG i = 0; i < stack->Parameters.DeviceIoControl.OutputBufferLength; ++i)
    buffer[i] = UCHAR(0xD0 + i);
  return Complete(irp, status, information);
}

VOID NTAPI UnloadStatusDriver(PDRIVER_OBJECT driver) {
  UNICODE_STRING link = Name(kLinkName);
  IoDeleteSymbolicLink(&link);
  IoDeleteDevice(driver->DeviceObject);
}

NTSTATUS NTAPI StatusDriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
  driver->DriverUnload = UnloadStatusDriver;
  driver->MajorFunction[IRP_MJ_CREATE] = OpenOrClose;
  driver->MajorFunction[IRP_MJ_CLOSE] = OpenOrClose;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = AnswerAsAsked;
  UNICODE_STRING name = Name(kDeviceName), link = Name(kLinkName);
  PDEVICE_OBJECT device = nullptr;
  NTSTATUS status = IoCreateDevice(driver, 0, &name, FILE_DEVICE_UNKNOWN, 0, FALSE, &device);
  if (!NT_SUCCESS(status)) return status;
  status = IoCreateSymbolicLink(&link, &name);
  if (!NT_SUCCESS(status)) IoDeleteDevice(device);
  return status;
}

class Kernel32DeviceStatus : public DeviceTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(STATUS_SUCCESS, kernel.Io().LoadDriver(StatusDriverEntry));
    DeviceTest::SetUp();
    device = Open("\\\\.\\WStatus");
    ASSERT_NE(INVALID_HANDLE_VALUE, device) << "error " << error;
  }
  void TearDown() override {
    if (device != INVALID_HANDLE_VALUE) {
      EXPECT_TRUE(CloseHandle(device));
    }
    DeviceTest::TearDown();
  }
  Reply Ask(NTSTATUS status, uint32_t information, DWORD outputSize) {
    std::vector<uint8_t> input(8);
    std::memcpy(input.data(), &status, 4);
    std::memcpy(input.data() + 4, &information, 4);
    return Control(device, kAnyStatus, input, outputSize);
  }
  HANDLE device = INVALID_HANDLE_VALUE;
};

// The errors are RtlNtStatusToDosError's.
TEST_F(Kernel32DeviceStatus, ErrorStatusesMapAsRtlNtStatusToDosErrorDoes) {
  struct Case {
    ULONG status;
    DWORD error;
  };
  const Case cases[] = {
      {0xC0000001, ERROR_GEN_FAILURE},          // STATUS_UNSUCCESSFUL
      {0xC0000002, ERROR_INVALID_FUNCTION},     // STATUS_NOT_IMPLEMENTED
      {0xC00000BB, ERROR_NOT_SUPPORTED},        // STATUS_NOT_SUPPORTED
      {0xC000000D, ERROR_INVALID_PARAMETER},    // STATUS_INVALID_PARAMETER
      {0xC0000010, ERROR_INVALID_FUNCTION},     // STATUS_INVALID_DEVICE_REQUEST
      {0xC0000022, ERROR_ACCESS_DENIED},        // STATUS_ACCESS_DENIED
      {0xC0000023, ERROR_INSUFFICIENT_BUFFER},  // STATUS_BUFFER_TOO_SMALL
      {0xC0000184, kErrorBadCommand},           // STATUS_INVALID_DEVICE_STATE
      {0x80000011, kErrorBusy},                 // STATUS_DEVICE_BUSY
  };
  for (const Case& c : cases) {
    Reply reply = Ask(NTSTATUS(c.status), 0, 4);
    EXPECT_FALSE(reply.ok) << std::hex << c.status;
    EXPECT_EQ(c.error, reply.error) << "status 0x" << std::hex << c.status;
    EXPECT_EQ(0u, reply.returned) << std::hex << c.status;
  }
}

TEST_F(Kernel32DeviceStatus, AWarningFailsButCarriesItsData) {
  Reply overflow = Ask(STATUS_BUFFER_OVERFLOW, 4, 4);
  EXPECT_FALSE(overflow.ok);
  EXPECT_EQ(DWORD(ERROR_MORE_DATA), overflow.error);
  EXPECT_EQ(4u, overflow.returned);
  EXPECT_EQ("D0 D1 D2 D3 A5 A5 A5 A5", overflow.output);

  Reply success = Ask(STATUS_SUCCESS, 2, 4);
  EXPECT_TRUE(success.ok);
  EXPECT_EQ(2u, success.returned);
  EXPECT_EQ("D0 D1 A5 A5 A5 A5 A5 A5", success.output);

  Reply failure = Ask(STATUS_INVALID_PARAMETER, 4, 4);
  EXPECT_FALSE(failure.ok);
  EXPECT_EQ(0u, failure.returned);
  EXPECT_EQ("A5 A5 A5 A5 A5 A5 A5 A5", failure.output) << "an error carries no data";
}

}  // namespace
}  // namespace winsim_test
