// Who gets a handle to portio's device: each kind of caller, the device itself and names
// beneath it, on a system that honours secure opens and on one that does not.
#include <gtest/gtest.h>

#include <string>

#include "tests/driver/portio_fixture.h"

namespace portio_test {
namespace {

constexpr ACCESS_MASK kTavosAccess =
    GENERIC_READ | GENERIC_WRITE | SYNCHRONIZE | FILE_READ_ATTRIBUTES;

class PortioAccess : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(STATUS_SUCCESS, kernel.Io().LoadDriver(DriverEntry)); }

  void TearDown() override {
    EXPECT_EQ(0u, kernel.Io().OpenHandles());
    EXPECT_EQ(0u, kernel.Io().OpenObjectHandles()) << "the entry routine kept a handle";
    EXPECT_EQ(STATUS_SUCCESS, kernel.Io().UnloadDriver());
    EXPECT_EQ(0u, kernel.Pool().OutstandingBlocks());
    EXPECT_EQ(std::vector<std::string>{}, kernel.Faults().All());
  }

  // Opens as `caller` and closes again; the open's status.
  NTSTATUS OpenAs(const sim::AccessToken& caller, const std::string& path,
                  ACCESS_MASK access = kTavosAccess) {
    sim::KernelHandle handle = 0;
    NTSTATUS status = kernel.Io().Open(path, &handle, sim::OpenRequest{access, caller});
    EXPECT_EQ(NT_SUCCESS(status), handle != 0);
    if (handle) {
      EXPECT_EQ(STATUS_SUCCESS, kernel.Io().Close(handle));
    }
    return status;
  }

  sim::Notebook notebook;
  sim::SimKernel kernel{notebook.Bus()};
};

struct Caller {
  sim::AccessToken token;
  bool admitted;
};

TEST_F(PortioAccess, OnlySystemTheAdministratorsAndTheUserAtTheKeyboardGetAHandle) {
  const Caller callers[] = {
      {sim::AccessToken::LocalSystem(), true},
      {sim::AccessToken::InteractiveAdministrator(), true},
      {sim::AccessToken::InteractiveUser(), true},
      {sim::AccessToken::NetworkAdministrator(), true},
      {sim::AccessToken::NetworkUser(), false},
      {sim::AccessToken::ServiceAccount(), false},
      {sim::AccessToken::BatchUser(), false},
      {sim::AccessToken::Anonymous(), false},
  };
  for (const Caller& caller : callers) {
    SCOPED_TRACE(caller.token.kind);
    EXPECT_EQ(caller.admitted ? STATUS_SUCCESS : STATUS_ACCESS_DENIED,
              OpenAs(caller.token, "\\\\.\\DRV1"));
    // Read access alone is no way in for those the device does not admit.
    EXPECT_EQ(caller.admitted ? STATUS_SUCCESS : STATUS_ACCESS_DENIED,
              OpenAs(caller.token, "\\\\.\\DRV1", GENERIC_READ | SYNCHRONIZE));
  }
  // The user at the keyboard may use the device, not change who else may.
  EXPECT_EQ(STATUS_ACCESS_DENIED,
            OpenAs(sim::AccessToken::InteractiveUser(), "\\\\.\\DRV1", kTavosAccess | WRITE_DAC));
  EXPECT_EQ(STATUS_SUCCESS, OpenAs(sim::AccessToken::InteractiveAdministrator(), "\\\\.\\DRV1",
                                   kTavosAccess | WRITE_DAC));
}

TEST_F(PortioAccess, NoNameBeneathTheDeviceOpensForAnyCallerEvenWhereSecureOpenIsIgnored) {
  for (bool honoured : {true, false}) {
    kernel.Io().SetSecureOpenHonoured(honoured);
    for (const sim::AccessToken& caller :
         {sim::AccessToken::LocalSystem(), sim::AccessToken::InteractiveUser(),
          sim::AccessToken::NetworkUser(), sim::AccessToken::Anonymous()}) {
      for (const char* path : {"\\\\.\\DRV1\\x", "\\\\.\\DRV1\\", "\\\\.\\drv1\\PORTS\\0CF9"}) {
        SCOPED_TRACE(testing::Message() << caller.kind << " " << path << " secure open "
                                        << (honoured ? "honoured" : "ignored"));
        EXPECT_EQ(STATUS_ACCESS_DENIED, OpenAs(caller, path));
      }
    }
  }
}

}  // namespace
}  // namespace portio_test
