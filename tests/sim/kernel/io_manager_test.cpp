// The I/O manager as a driver and its client see it: buffered transfers, opening by DOS name,
// exclusive devices, unloading, default dispatch, device objects, and the faults reported when
// a driver breaks the rules. Each test configures the small test driver below through `g`.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/sim/kernel/kernel_fixture.h"

namespace kernel_test {
namespace {

constexpr char16_t kDeviceName[] = u"\\Device\\KTEST";
constexpr char16_t kLinkName[] = u"\\DosDevices\\KTest";
constexpr char kPath[] = "\\\\.\\KTest";
constexpr ULONG kBuffered = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x801, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr UCHAR kMarker = 0xA5;
constexpr ULONG kSpare = 4;  // caller's bytes past the output length, which must stay untouched

UNICODE_STRING Name(const char16_t* text) {
  UNICODE_STRING name;
  RtlInitUnicodeString(&name, reinterpret_cast<const WCHAR*>(text));
  return name;
}

VOID NTAPI Unload(PDRIVER_OBJECT driver);
enum class Misdeed { CompleteTwice, ForgetToComplete, ReturnAnotherStatus, KeepALock, StayRaised };

struct TestDriver {
  BOOLEAN exclusive = FALSE;
  NTSTATUS entryStatus = STATUS_SUCCESS;  // a failing entry deletes only what leave* allow,
  bool leaveDevice = false;               // and so does the unload routine
  bool leaveLink = false;
  PDRIVER_DISPATCH control = nullptr;  // installed when set
  PDRIVER_DISPATCH cleanup = nullptr;
  PDRIVER_UNLOAD unload = Unload;
  Misdeed misdeed = Misdeed::CompleteTwice;  // what Misbehave does wrong
  NTSTATUS replyStatus = STATUS_SUCCESS;  // what Record answers
  ULONG_PTR replyInformation = 0;
  std::vector<UCHAR> replyBytes;

  PDRIVER_OBJECT driver = nullptr;
  PDEVICE_OBJECT device = nullptr;
  int unsetAtEntry = -1;      // major functions without a routine when the entry ran
  std::vector<UCHAR> majors;  // every request the driver got, in order
  PVOID systemBuffer = nullptr;
  std::vector<UCHAR> seen;  // the whole system buffer as Record got it
  ULONG inputLength = 0;
  ULONG outputLength = 0;
  KSPIN_LOCK lock = 0;
};
TestDriver g;

NTSTATUS Finish(PIRP irp, NTSTATUS status, ULONG_PTR information) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = information;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

NTSTATUS NTAPI Count(PDEVICE_OBJECT, PIRP irp) {
  g.majors.push_back(IoGetCurrentIrpStackLocation(irp)->MajorFunction);
  return Finish(irp, STATUS_SUCCESS, 0);
}

NTSTATUS NTAPI Record(PDEVICE_OBJECT, PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  g.systemBuffer = irp->AssociatedIrp.SystemBuffer;
  g.inputLength = stack->Parameters.DeviceIoControl.InputBufferLength;
  g.outputLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
  if (auto* buffer = static_cast<UCHAR*>(g.systemBuffer)) {
    g.seen.assign(buffer, buffer + std::max(g.inputLength, g.outputLength));
    std::copy(g.replyBytes.begin(), g.replyBytes.end(), buffer);
  }
  return Finish(irp, g.replyStatus, g.replyInformation);
}

NTSTATUS NTAPI Misbehave(PDEVICE_OBJECT, PIRP irp) {
  switch (g.misdeed) {
    case Misdeed::CompleteTwice: Finish(irp, STATUS_SUCCESS, 0); break;
    case Misdeed::ForgetToComplete: return irp->IoStatus.Status = STATUS_SUCCESS;
    case Misdeed::ReturnAnotherStatus: Finish(irp, STATUS_SUCCESS, 0); return STATUS_UNSUCCESSFUL;
    case Misdeed::KeepALock: KfAcquireSpinLock(&g.lock); break;
    case Misdeed::StayRaised:
      KfAcquireSpinLock(&g.lock);
      KfReleaseSpinLock(&g.lock, DISPATCH_LEVEL);
      break;
  }
  return Finish(irp, STATUS_SUCCESS, 0);
}

NTSTATUS NTAPI Entry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
  g.driver = driver;
  g.unsetAtEntry = int(std::count(std::begin(driver->MajorFunction),
                                  std::end(driver->MajorFunction), nullptr));
  UNICODE_STRING device = Name(kDeviceName);
  UNICODE_STRING link = Name(kLinkName);
  NTSTATUS status =
      IoCreateDevice(driver, 0, &device, FILE_DEVICE_UNKNOWN, 0, g.exclusive, &g.device);
  if (!NT_SUCCESS(status)) return status;
  status = IoCreateSymbolicLink(&link, &device);
  if (!NT_SUCCESS(status)) {
    IoDeleteDevice(g.device);
    return status;
  }
  if (!NT_SUCCESS(g.entryStatus)) {
    if (!g.leaveLink) IoDeleteSymbolicLink(&link);
    if (!g.leaveDevice) IoDeleteDevice(g.device);
    return g.entryStatus;
  }
  driver->MajorFunction[IRP_MJ_CREATE] = Count;
  driver->MajorFunction[IRP_MJ_CLOSE] = Count;
  if (g.control) driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = g.control;
  if (g.cleanup) driver->MajorFunction[IRP_MJ_CLEANUP] = g.cleanup;
  driver->DriverUnload = g.unload;
  return STATUS_SUCCESS;
}

VOID NTAPI Unload(PDRIVER_OBJECT driver) {
  UNICODE_STRING link = Name(kLinkName);
  if (!g.leaveLink) IoDeleteSymbolicLink(&link);
  // Bounded, so that a kernel that fails to unlink a deleted device cannot hang the test.
  for (int i = 0; i < 8 && !g.leaveDevice && driver->DeviceObject; ++i)
    IoDeleteDevice(driver->DeviceObject);
}

struct Reply {
  NTSTATUS status;
  ULONG returned;
  std::vector<UCHAR> output;  // the output length plus kSpare bytes
};

class IoManagerTest : public KernelTest {
 protected:
  void SetUp() override { g = TestDriver{}; }

  void TearDown() override {
    EXPECT_EQ(0u, kernel.Io().OpenHandles()) << "the test left a handle open";
    if (kernel.Io().DriverLoaded() && g.unload) {
      EXPECT_STATUS(STATUS_SUCCESS, kernel.Io().UnloadDriver());
    }
    KernelTest::TearDown();
  }

  void Load() { ASSERT_EQ(Status{STATUS_SUCCESS}, Status{kernel.Io().LoadDriver(Entry)}); }

  sim::KernelHandle OpenDevice(const std::string& path = kPath) {
    sim::KernelHandle handle = 0;
    EXPECT_STATUS(STATUS_SUCCESS, kernel.Io().Open(path, &handle)) << path;
    EXPECT_NE(0u, handle);
    return handle;
  }

  Reply Control(sim::KernelHandle handle, std::vector<UCHAR> input, ULONG outputLength) {
    Reply reply{STATUS_SUCCESS, 0xDEADBEEF, std::vector<UCHAR>(outputLength + kSpare, kMarker)};
    reply.status =
        kernel.Io().DeviceControl(handle, kBuffered, input.empty() ? nullptr : input.data(),
                                  ULONG(input.size()), reply.output.data(), outputLength,
                                  &reply.returned);
    return reply;
  }

  // The caller's buffer after the first `returned` reply bytes came back.
  static std::vector<UCHAR> Returned(ULONG returned, ULONG outputLength) {
    std::vector<UCHAR> expected(outputLength + kSpare, kMarker);
    std::copy_n(g.replyBytes.begin(), returned, expected.begin());
    return expected;
  }

  void ExpectNothingLoaded() {
    EXPECT_FALSE(kernel.Io().DriverLoaded());
    EXPECT_EQ(std::vector<std::string>{}, kernel.Io().DeviceNames());
    EXPECT_EQ(std::vector<std::string>{}, kernel.Io().LinkNames());
  }
};

TEST_F(IoManagerTest, BufferedRequestGetsTheInputInOneBufferOfTheLargerLength) {
  g.control = Record;
  Load();
  sim::KernelHandle handle = OpenDevice();
  struct Case {
    std::vector<UCHAR> input;
    ULONG outputLength;
  };
  for (const Case& c : {Case{{1, 2, 3}, 8}, Case{{1, 2, 3, 4, 5, 6}, 2}, Case{{9, 8, 7, 6}, 4},
                        Case{{}, 5}, Case{{}, 0}}) {
    SCOPED_TRACE(testing::Message() << "input " << c.input.size() << " output " << c.outputLength);
    g.seen.clear();
    g.systemBuffer = &g;
    EXPECT_STATUS(STATUS_SUCCESS, Control(handle, c.input, c.outputLength).status);
    std::vector<UCHAR> expected = c.input;  // then whatever the pool held
    expected.resize(std::max<size_t>(c.input.size(), c.outputLength), sim::KernelPool::kFreshFill);
    EXPECT_EQ(expected, g.seen);
    EXPECT_EQ(c.input.size(), g.inputLength);
    EXPECT_EQ(c.outputLength, g.outputLength);
    EXPECT_EQ(expected.empty(), g.systemBuffer == nullptr) << "a buffer only for some bytes";
  }
  EXPECT_STATUS(STATUS_SUCCESS, kernel.Io().Close(handle));
}

TEST_F(IoManagerTest, BufferedReplyReturnsInformationBytesUnlessAnErrorAndNeverMore) {
  g.control = Record;
  g.replyBytes = {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17};
  Load();
  sim::KernelHandle handle = OpenDevice();
  struct Case {
    NTSTATUS status;
    ULONG information;
    ULONG returned;
  };
  for (const Case& c : {Case{STATUS_SUCCESS, 5, 5}, Case{STATUS_SUCCESS, 0, 0},
                        Case{STATUS_BUFFER_OVERFLOW, 8, 8}, Case{STATUS_INVALID_PARAMETER, 5, 0}}) {
    SCOPED_TRACE(testing::Message() << "status 0x" << std::hex << ULONG(c.status) << std::dec
                                    << " information " << c.information);
    g.replyStatus = c.status;
    g.replyInformation = c.information;
    Reply reply = Control(handle, {0xEE}, 8);
    EXPECT_STATUS(c.status, reply.status);
    EXPECT_EQ(c.returned, reply.returned);
    EXPECT_EQ(Returned(c.returned, 8), reply.output);
  }

  // Reporting more than the output length is a fault, and the copy stops at the length.
  g.replyStatus = STATUS_SUCCESS;
  g.replyInformation = 12;
  Reply reply = Control(handle, {}, 8);
  std::vector<std::string> faults = TakeFaults({"DRIVER_VERIFIER_IOMANAGER_VIOLATION"});
  EXPECT_TRUE(Contains(faults[0], "reported 12 bytes for an output buffer of 8")) << faults[0];
  EXPECT_EQ(8u, reply.returned);
  EXPECT_EQ(Returned(8, 8), reply.output);
  EXPECT_STATUS(STATUS_SUCCESS, kernel.Io().Close(handle));
}

TEST_F(IoManagerTest, OpensByDosNameInEitherSpellingAndAnyCase) {
  Load();
  for (const char* path : {"\\\\.\\KTest", "\\\\.\\ktest", "\\\\.\\KTEST"})
    EXPECT_STATUS(STATUS_SUCCESS, kernel.Io().Close(OpenDevice(path)));
  EXPECT_EQ(6u, g.majors.size()) << "each open and close reached the driver";
  sim::KernelHandle handle = 77;
  EXPECT_STATUS(STATUS_OBJECT_NAME_NOT_FOUND, kernel.Io().Open("\\\\.\\KTest2", &handle));
  EXPECT_EQ(0u, handle);

  // \DosDevices\KTest, created by the driver, is \??\KTEST.
  UNICODE_STRING device = Name(kDeviceName);
  UNICODE_STRING link = Name(u"\\??\\KTEST");
  EXPECT_STATUS(STATUS_OBJECT_NAME_COLLISION, IoCreateSymbolicLink(&link, &device));
  EXPECT_STATUS(STATUS_SUCCESS, IoDeleteSymbolicLink(&link));
  EXPECT_STATUS(STATUS_OBJECT_NAME_NOT_FOUND, kernel.Io().Open(kPath, &handle));
  EXPECT_STATUS(STATUS_OBJECT_NAME_NOT_FOUND, IoDeleteSymbolicLink(&link));
  EXPECT_STATUS(STATUS_SUCCESS, IoCreateSymbolicLink(&link, &device));  // for the unload
}

TEST_F(IoManagerTest, ExclusiveDeviceAdmitsOneHandleAtATimeASharedOneSeveral) {
  g.exclusive = TRUE;
  Load();
  sim::KernelHandle first = OpenDevice();
  sim::KernelHandle second = 77;
  EXPECT_STATUS(STATUS_ACCESS_DENIED, kernel.Io().Open(kPath, &second));
  EXPECT_EQ(0u, second);
  EXPECT_EQ(std::vector<UCHAR>{IRP_MJ_CREATE}, g.majors) << "the refused open reached the driver";
  EXPECT_STATUS(STATUS_SUCCESS, kernel.Io().Close(first));
  EXPECT_STATUS(STATUS_SUCCESS, kernel.Io().Close(OpenDevice()));
  EXPECT_STATUS(STATUS_SUCCESS, kernel.Io().UnloadDriver());

  g = TestDriver{};
  Load();
  std::vector<sim::KernelHandle> handles = {OpenDevice(), OpenDevice(), OpenDevice()};
  EXPECT_EQ(3u, kernel.Io().OpenHandles());
  std::sort(handles.begin(), handles.end());
  EXPECT_EQ(handles.end(), std::adjacent_find(handles.begin(), handles.end())) << "distinct";
  for (sim::KernelHandle handle : handles) EXPECT_STATUS(STATUS_SUCCESS, kernel.Io().Close(handle));
}

TEST_F(IoManagerTest, EachBrokenDispatchRuleIsANamedFault) {
  struct Case {
    Misdeed misdeed;
    std::vector<std::string> rules;
    const char* detail;  // of the last fault
  };
  for (const Case& c : {
           Case{Misdeed::CompleteTwice, {"MULTIPLE_IRP_COMPLETE_REQUESTS"}, "twice"},
           Case{Misdeed::ForgetToComplete, {"DRIVER_VERIFIER_IOMANAGER_VIOLATION"},
                "without being completed"},
           Case{Misdeed::ReturnAnotherStatus, {"DRIVER_VERIFIER_IOMANAGER_VIOLATION"},
                "returned 0xC0000001 but completed with 0x00000000"},
           Case{Misdeed::KeepALock, {"IRQL_GT_ZERO_AT_SYSTEM_SERVICE", "SPIN_LOCK_ALREADY_OWNED"},
                "with a spin lock held"},
           Case{Misdeed::StayRaised, {"IRQL_GT_ZERO_AT_SYSTEM_SERVICE"}, "at IRQL 2"},
       }) {
    SCOPED_TRACE(c.detail);
    g = TestDriver{};
    g.control = Misbehave;
    g.misdeed = c.misdeed;
    Load();
    sim::KernelHandle handle = OpenDevice();
    Control(handle, {}, 0);
    std::vector<std::string> faults = TakeFaults(c.rules);
    EXPECT_TRUE(Contains(faults.back(), c.detail)) << faults.back();
    if (KeGetCurrentIrql() != PASSIVE_LEVEL) {  // back to PASSIVE_LEVEL with no lock held
      if (kernel.Cpu().LocksHeld() == 0) KfAcquireSpinLock(&g.lock);
      KfReleaseSpinLock(&g.lock, PASSIVE_LEVEL);
    }
    EXPECT_STATUS(STATUS_SUCCESS, kernel.Io().Close(handle));
    EXPECT_STATUS(STATUS_SUCCESS, kernel.Io().UnloadDriver());
    EXPECT_EQ(std::vector<std::string>{}, kernel.Faults().All());
  }
}

TEST_F(IoManagerTest, AFailedEntryOrAnUnloadMayLeaveNothingBehind) {
  struct Case {
    bool failEntry, leaveDevice, leaveLink;
    const char* detail;
  };
  for (const Case& c : {Case{true, true, false, "failed load left device \\Device\\KTEST"},
                        Case{true, false, true, "failed load left symbolic link \\??\\KTEST"},
                        Case{false, true, false, "unload left device \\Device\\KTEST"},
                        Case{false, false, true, "unload left symbolic link \\??\\KTEST"}}) {
    SCOPED_TRACE(c.detail);
    g = TestDriver{};
    g.entryStatus = c.failEntry ? STATUS_UNSUCCESSFUL : STATUS_SUCCESS;
    g.leaveDevice = c.leaveDevice;
    g.leaveLink = c.leaveLink;
    EXPECT_STATUS(g.entryStatus, kernel.Io().LoadDriver(Entry));
    if (!c.failEntry) {
      EXPECT_EQ(std::vector<std::string>{}, kernel.Faults().All());
      EXPECT_STATUS(STATUS_SUCCESS, kernel.Io().UnloadDriver());
    }
    std::vector<std::string> faults = TakeFaults({"DRIVER_LEFT_OBJECTS"});
    EXPECT_TRUE(Contains(faults[0], c.detail)) << faults[0];
    ExpectNothingLoaded();
  }
  g = TestDriver{};
  Load();  // nothing left over is in the way
}

TEST_F(IoManagerTest, UnloadIsRefusedWhileAHandleIsOpenOrWithoutAnUnloadRoutine) {
  Load();
  sim::KernelHandle handle = OpenDevice();
  EXPECT_STATUS(STATUS_DEVICE_BUSY, kernel.Io().UnloadDriver());
  EXPECT_TRUE(kernel.Io().DriverLoaded());
  EXPECT_STATUS(STATUS_SUCCESS, kernel.Io().Close(handle));
  EXPECT_STATUS(STATUS_SUCCESS, kernel.Io().UnloadDriver());
  ExpectNothingLoaded();

  g.unload = nullptr;
  Load();
  EXPECT_STATUS(STATUS_INVALID_DEVICE_REQUEST, kernel.Io().UnloadDriver());
  EXPECT_STATUS(STATUS_SUCCESS, kernel.Io().Close(OpenDevice())) << "still in service";
}

TEST_F(IoManagerTest, MajorFunctionsTheDriverLeavesAloneAreRejected) {
  Load();
  EXPECT_EQ(0, g.unsetAtEntry) << "every entry has a routine before the driver sets any";
  sim::KernelHandle handle = OpenDevice();
  Reply reply = Control(handle, {1, 2}, 4);
  EXPECT_STATUS(STATUS_INVALID_DEVICE_REQUEST, reply.status);
  EXPECT_EQ(0u, reply.returned);
  EXPECT_EQ(std::vector<UCHAR>(4 + kSpare, kMarker), reply.output);
  // Cleanup goes to the rejecting routine; the close behind it still reaches the driver.
  EXPECT_STATUS(STATUS_SUCCESS, kernel.Io().Close(handle));
  EXPECT_EQ((std::vector<UCHAR>{IRP_MJ_CREATE, IRP_MJ_CLOSE}), g.majors);
  EXPECT_STATUS(STATUS_SUCCESS, kernel.Io().Requests().back().status);
  EXPECT_STATUS(STATUS_SUCCESS, kernel.Io().UnloadDriver());

  g.cleanup = Count;  // with a routine of its own, the driver sees where cleanup goes
  Load();
  g.majors.clear();
  EXPECT_STATUS(STATUS_SUCCESS, kernel.Io().Close(OpenDevice()));
  EXPECT_EQ((std::vector<UCHAR>{IRP_MJ_CREATE, IRP_MJ_CLEANUP, IRP_MJ_CLOSE}), g.majors);
}

TEST_F(IoManagerTest, NewDevicesLeadTheListWithZeroedExtensionsAndUniqueNames) {
  Load();
  UNICODE_STRING second = Name(u"\\Device\\KTEST2");
  PDEVICE_OBJECT device = nullptr;
  ASSERT_EQ(Status{STATUS_SUCCESS},
            Status{IoCreateDevice(g.driver, 40, &second, FILE_DEVICE_UNKNOWN, 0, FALSE, &device)});
  EXPECT_EQ(device, g.driver->DeviceObject);
  EXPECT_EQ(g.device, device->NextDevice);
  EXPECT_EQ(g.driver, device->DriverObject);
  ASSERT_NE(nullptr, device->DeviceExtension);
  auto* extension = static_cast<const UCHAR*>(device->DeviceExtension);
  EXPECT_EQ(std::vector<UCHAR>(40, 0), std::vector<UCHAR>(extension, extension + 40));

  UNICODE_STRING taken = Name(u"\\device\\ktest");
  PDEVICE_OBJECT duplicate = nullptr;
  EXPECT_STATUS(STATUS_OBJECT_NAME_COLLISION,
                IoCreateDevice(g.driver, 0, &taken, FILE_DEVICE_UNKNOWN, 0, FALSE, &duplicate));
  EXPECT_EQ(device, g.driver->DeviceObject) << "the list is unchanged";
  EXPECT_EQ(2u, kernel.Io().DeviceNames().size());
}

TEST_F(IoManagerTest, InjectedCreationFailuresFailTheLoadCleanly) {
  kernel.Io().FailDeviceCreations(1);
  EXPECT_STATUS(STATUS_INSUFFICIENT_RESOURCES, kernel.Io().LoadDriver(Entry));
  ExpectNothingLoaded();
  kernel.Io().FailLinkCreations(2);
  EXPECT_STATUS(STATUS_INSUFFICIENT_RESOURCES, kernel.Io().LoadDriver(Entry));
  EXPECT_STATUS(STATUS_INSUFFICIENT_RESOURCES, kernel.Io().LoadDriver(Entry));
  ExpectNothingLoaded();
  Load();  // the injected failures are used up
}

}  // namespace
}  // namespace kernel_test
