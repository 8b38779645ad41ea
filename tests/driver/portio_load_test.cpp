// Loading and unloading portio: the objects it creates, and a clean slate after every failure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/portio_device.h"
#include "sim/kernel/driver_imports.h"
#include "tests/driver/portio_fixture.h"

namespace portio_test {
namespace {

class PortioLoad : public ::testing::Test {
 protected:
  void ExpectNothingLeft() {
    EXPECT_TRUE(kernel.Io().DeviceNames().empty());
    EXPECT_TRUE(kernel.Io().LinkNames().empty());
    EXPECT_EQ(0u, kernel.Pool().OutstandingBlocks());
    EXPECT_EQ(std::vector<std::string>{}, kernel.Faults().All());
  }

  std::string Text(const UNICODE_STRING& s) {
    std::string text;
    for (int i = 0; i < s.Length / 2; ++i) text.push_back(char(s.Buffer[i]));
    return text;
  }

  sim::Notebook notebook;
  sim::SimKernel kernel{notebook.Bus()};
};

TEST_F(PortioLoad, CreatesOneExclusiveBufferedDeviceWithItsLink) {
  ASSERT_EQ(STATUS_SUCCESS, kernel.Io().LoadDriver(DriverEntry));
  EXPECT_EQ(std::vector<std::string>{"\\Device\\DRIVER0"}, kernel.Io().DeviceNames());
  EXPECT_EQ(std::vector<std::string>{"\\??\\DRV1"}, kernel.Io().LinkNames());
  EXPECT_EQ("\\Device\\DRIVER0", kernel.Io().LinkTarget("\\DosDevices\\DRV1"));

  PDEVICE_OBJECT device = kernel.Io().FindDevice("\\Device\\DRIVER0");
  ASSERT_NE(nullptr, device);
  EXPECT_EQ(ULONG(DO_BUFFERED_IO | DO_EXCLUSIVE), device->Flags);
  EXPECT_EQ(ULONG(FILE_DEVICE_UNKNOWN), device->DeviceType);
  EXPECT_EQ(ULONG(FILE_DEVICE_SECURE_OPEN), device->Characteristics);
  EXPECT_EQ(nullptr, device->NextDevice);

  auto* extension = static_cast<PortDeviceExtension*>(device->DeviceExtension);
  EXPECT_EQ(device, extension->DeviceObject);
  EXPECT_EQ(0u, extension->DeviceNumber);
  EXPECT_EQ("\\Device\\DRIVER0", Text(extension->DeviceName.View()));
  EXPECT_EQ("\\DosDevices\\DRV1", Text(extension->LinkName.View()));
  EXPECT_EQ(0u, extension->RememberedPort);
  // The two stored names are the driver's only pool, under its own tag.
  EXPECT_EQ(2u, kernel.Pool().OutstandingBlocks());
  EXPECT_EQ(2u, kernel.Pool().OutstandingBlocks(portio::kPoolTag));

  ASSERT_EQ(STATUS_SUCCESS, kernel.Io().UnloadDriver());
  ExpectNothingLeft();
}

TEST_F(PortioLoad, LoadsAgainAfterUnload) {
  for (int round = 0; round < 3; ++round) {
    ASSERT_EQ(STATUS_SUCCESS, kernel.Io().LoadDriver(DriverEntry));
    sim::KernelHandle handle = 0;
    ASSERT_EQ(STATUS_SUCCESS, kernel.Io().Open(portio::kDevicePath, &handle));
    EXPECT_EQ(STATUS_DEVICE_BUSY, kernel.Io().UnloadDriver()) << "a handle is still open";
    ASSERT_EQ(STATUS_SUCCESS, kernel.Io().Close(handle));
    ASSERT_EQ(STATUS_SUCCESS, kernel.Io().UnloadDriver());
  }
  ExpectNothingLeft();
}

TEST_F(PortioLoad, EveryFailingPoolAllocationLeavesNothingBehind) {
  int failures = 0;
  for (uint64_t n = 1;; ++n) {
    SCOPED_TRACE(testing::Message() << "allocation " << n << " fails");
    kernel.Pool().FailAllocationNumber(n);
    NTSTATUS status = kernel.Io().LoadDriver(DriverEntry);
    kernel.Pool().FailAllocationNumber(0);
    if (NT_SUCCESS(status)) break;
    ++failures;
    EXPECT_EQ(STATUS_INSUFFICIENT_RESOURCES, status);
    ExpectNothingLeft();
    ASSERT_LT(n, 50u) << "the load never succeeds";
  }
  // Device name, its parts, the copies and the link name: several steps can fail.
  EXPECT_GE(failures, 6);
  EXPECT_EQ(STATUS_SUCCESS, kernel.Io().UnloadDriver());
  ExpectNothingLeft();
}

TEST_F(PortioLoad, FailedDeviceCreationIsReturnedAndCleanedUp) {
  kernel.Io().FailDeviceCreations(1);
  EXPECT_EQ(STATUS_INSUFFICIENT_RESOURCES, kernel.Io().LoadDriver(DriverEntry));
  EXPECT_FALSE(kernel.Io().DriverLoaded());
  ExpectNothingLeft();
}

TEST_F(PortioLoad, FailedLinkCreationDeletesTheDevice) {
  kernel.Io().FailLinkCreations(1);
  EXPECT_EQ(STATUS_INSUFFICIENT_RESOURCES, kernel.Io().LoadDriver(DriverEntry));
  ExpectNothingLeft();
  sim::KernelHandle handle = 0;
  EXPECT_EQ(STATUS_OBJECT_NAME_NOT_FOUND, kernel.Io().Open(portio::kDevicePath, &handle));
}

TEST_F(PortioLoad, ADeviceThatCannotBeLockedDownIsNotLoaded) {
  struct Case {
    const char* how;
    bool captureFails;
    KPROCESSOR_MODE entryMode;
    NTSTATUS status;
  };
  const Case cases[] = {
      {"the descriptor cannot be captured", true, KernelMode, STATUS_INSUFFICIENT_RESOURCES},
      // The Nt service then probes the descriptor on the driver's stack as user memory.
      {"the entry runs with a user-mode previous mode", false, UserMode, STATUS_ACCESS_VIOLATION},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    kernel.Io().FailSecurityChanges(c.captureFails ? 1 : 0);
    kernel.Io().SetEntryPreviousMode(c.entryMode);
    EXPECT_EQ(c.status, kernel.Io().LoadDriver(DriverEntry));
    EXPECT_FALSE(kernel.Io().DriverLoaded());
    EXPECT_EQ(0u, kernel.Io().OpenObjectHandles());
    ExpectNothingLeft();
  }
}

// The loader resolves the image's imports (platform/portio_imports.def) against the kernel of
// the machine's NT version before the entry runs.
TEST_F(PortioLoad, LoadsOnEveryNtFromFourOnAndIsRefusedWhereAnImportIsMissing) {
  std::vector<sim::DriverImport> withZwSetSecurityObject = sim::PortioImports();
  withZwSetSecurityObject.push_back({"NTOSKRNL", "ZwSetSecurityObject", "2000"});
  struct Case {
    const char* name;
    sim::NtVersion version;
    const std::vector<sim::DriverImport>& imports;
    std::string refused;
  };
  const Case cases[] = {
      {"NT 3.1", {3, 10}, sim::PortioImports(), "HAL!KfAcquireSpinLock"},
      {"NT 4.0", sim::kNt40, sim::PortioImports(), ""},
      {"Windows 2000", sim::kWindows2000, sim::PortioImports(), ""},
      {"Windows XP", sim::kWindowsXp, sim::PortioImports(), ""},
      // What the driver imported before it set its DACL with NtSetSecurityObject.
      {"NT 4.0, ZwSetSecurityObject imported", sim::kNt40, withZwSetSecurityObject,
       "NTOSKRNL!ZwSetSecurityObject"},
      {"Windows 2000, ZwSetSecurityObject imported", sim::kWindows2000, withZwSetSecurityObject,
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    kernel.Io().SetNtVersion(c.version);
    NTSTATUS status = kernel.Io().LoadDriver(DriverEntry, c.imports);
    EXPECT_EQ(c.refused, kernel.Io().RefusedImport());
    if (c.refused.empty()) {
      EXPECT_EQ(STATUS_SUCCESS, status);
      EXPECT_EQ(STATUS_SUCCESS, kernel.Io().UnloadDriver());
    } else {
      EXPECT_EQ(sim::kStatusDriverEntrypointNotFound, status);
      EXPECT_FALSE(kernel.Io().DriverLoaded());
    }
    ExpectNothingLeft();
  }
}

TEST_F(PortioLoad, MultiByteCodePageSizesNamesWithTheSystemService) {
  NlsMbCodePageTag = TRUE;
  NTSTATUS status = kernel.Io().LoadDriver(DriverEntry);
  NlsMbCodePageTag = FALSE;
  ASSERT_EQ(STATUS_SUCCESS, status);
  EXPECT_EQ(2u, kernel.MultiByteSizeQueries()) << "one query per narrow prefix";
  EXPECT_EQ("\\Device\\DRIVER0", kernel.Io().LinkTarget("\\??\\DRV1"));
  ASSERT_EQ(STATUS_SUCCESS, kernel.Io().UnloadDriver());
  ExpectNothingLeft();
}

TEST_F(PortioLoad, CreateAndCloseCompleteWithSuccessAndNoData) {
  ASSERT_EQ(STATUS_SUCCESS, kernel.Io().LoadDriver(DriverEntry));
  sim::KernelHandle handle = 0;
  ASSERT_EQ(STATUS_SUCCESS, kernel.Io().Open(portio::kDevicePath, &handle));
  ASSERT_EQ(STATUS_SUCCESS, kernel.Io().Close(handle));
  const auto& requests = kernel.Io().Requests();
  ASSERT_EQ(2u, requests.size());
  EXPECT_EQ(IRP_MJ_CREATE, requests[0].majorFunction);
  EXPECT_EQ(IRP_MJ_CLOSE, requests[1].majorFunction);
  for (auto& request : requests) {
    EXPECT_EQ(STATUS_SUCCESS, request.status);
    EXPECT_EQ(0u, request.information);
  }
  ASSERT_EQ(STATUS_SUCCESS, kernel.Io().UnloadDriver());
  ExpectNothingLeft();
}

}  // namespace
}  // namespace portio_test
