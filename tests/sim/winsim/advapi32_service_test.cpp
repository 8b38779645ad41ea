// The service control manager: none on the 95 family; a kernel driver's whole life on NT
// with the real portio loaded and unloaded in the simulated kernel, each refusal on the way;
// what a user who is not an administrator may do; driver files that cannot be loaded.
#include <string>

#include "sim/kernel/security.h"
#include "sim/kernel/sim_kernel.h"
#include "sim/notebook/notebook.h"
#include "sim/winsim/registry.h"
#include "sim_pc_fixture.h"

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT, PUNICODE_STRING);

namespace winsim_test {
namespace {

constexpr char kImage[] = "MZ portio test image";
constexpr char kDriverFile[] = "C:\\WINDOWS\\system32\\drivers\\portio.sys";
constexpr char kServiceKey[] = "HKLM\\System\\CurrentControlSet\\Services\\portio";

class Services : public SimPcTest {
 protected:
  sim::Notebook* NotebookForPc() override { return &notebook; }
  sim::SimKernel* KernelForPc() override { return &kernel; }

  void SetUp() override {
    SimPcTest::SetUp();
    pc->Services().AddDriverImage(kImage, DriverEntry);
    ASSERT_TRUE(pc->Files().WriteFile(kDriverFile, kImage));
  }
  void TearDown() override {
    SimPcTest::TearDown();
    if (kernel.Io().DriverLoaded()) {
      EXPECT_EQ(STATUS_SUCCESS, kernel.Io().UnloadDriver());
    }
    EXPECT_EQ(std::vector<std::string>{}, kernel.Faults().All());
  }

  SC_HANDLE CreatePortio(SC_HANDLE manager, const char* image = "System32\\drivers\\portio.sys") {
    SetLastError(kUntouched);
    SC_HANDLE service =
        CreateServiceA(manager, "portio", "Tavos port I/O", SERVICE_ALL_ACCESS,
                       SERVICE_KERNEL_DRIVER, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, image,
                       nullptr, nullptr, nullptr, nullptr, nullptr);
    error = GetLastError();
    return service;
  }
  // The call's result and last error as "ok" or "error N".
  std::string Outcome(BOOL ok) { return ok ? "ok" : "error " + std::to_string(GetLastError()); }
  DWORD State(SC_HANDLE service) {
    SERVICE_STATUS status{};
    status.dwCurrentState = kUntouched;
    EXPECT_TRUE(QueryServiceStatus(service, &status));
    return status.dwCurrentState;
  }

  sim::Notebook notebook;
  sim::SimKernel kernel{notebook.Bus()};
  DWORD error = 0;
};

TEST_F(Services, TheNinetyFiveFamilyHasNone) {
  for (const char* profile : {"95", "98", "me"}) {
    pc->SetProfile(Profile(profile));
    SetLastError(kUntouched);
    EXPECT_EQ(nullptr, OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT)) << profile;
    EXPECT_EQ(DWORD(ERROR_CALL_NOT_IMPLEMENTED), GetLastError()) << profile;
  }
}

TEST_F(Services, AKernelDriverLivesLoadsStopsAndGoes) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  ASSERT_NE(nullptr, manager);
  SC_HANDLE service = CreatePortio(manager);
  ASSERT_NE(nullptr, service) << error;
  EXPECT_EQ("1", pc->Reg().ValueText(kServiceKey, "Type"));
  EXPECT_EQ("2", pc->Reg().ValueText(kServiceKey, "Start"));
  EXPECT_EQ("1", pc->Reg().ValueText(kServiceKey, "ErrorControl"));
  EXPECT_EQ("System32\\drivers\\portio.sys", pc->Reg().ValueText(kServiceKey, "ImagePath"));
  EXPECT_EQ(nullptr, CreatePortio(manager));
  EXPECT_EQ(DWORD(ERROR_SERVICE_EXISTS), error);
  EXPECT_EQ(DWORD(SERVICE_STOPPED), State(service));
  SERVICE_STATUS status{};
  EXPECT_EQ("error 1062", Outcome(ControlService(service, SERVICE_CONTROL_STOP, &status)));

  // Starting runs portio's own entry routine: its device appears.
  EXPECT_EQ("ok", Outcome(StartServiceA(service, 0, nullptr)));
  EXPECT_TRUE(kernel.Io().DriverLoaded());
  EXPECT_EQ("error 1056", Outcome(StartServiceA(service, 0, nullptr)));
  EXPECT_EQ(DWORD(SERVICE_RUNNING), State(service));

  // A stop while a program holds the device waits for its handle; new opens are refused.
  HANDLE device = CreateFileA("\\\\.\\DRV1", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, device);
  EXPECT_EQ("ok", Outcome(ControlService(service, SERVICE_CONTROL_STOP, &status)));
  EXPECT_EQ(DWORD(SERVICE_STOP_PENDING), status.dwCurrentState);
  EXPECT_EQ("error 1061", Outcome(ControlService(service, SERVICE_CONTROL_STOP, &status)));
  EXPECT_EQ("error 1056", Outcome(StartServiceA(service, 0, nullptr)));
  SetLastError(kUntouched);
  EXPECT_EQ(INVALID_HANDLE_VALUE,
            CreateFileA("\\\\.\\DRV1", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
  EXPECT_TRUE(CloseHandle(device));
  EXPECT_FALSE(kernel.Io().DriverLoaded()) << "the last handle took the driver with it";
  EXPECT_EQ(DWORD(SERVICE_STOPPED), State(service));

  // Without handles a stop is at once; deleting marks it until the last handle closes.
  EXPECT_EQ("ok", Outcome(StartServiceA(service, 0, nullptr)));
  EXPECT_EQ("ok", Outcome(ControlService(service, SERVICE_CONTROL_STOP, &status)));
  EXPECT_EQ(DWORD(SERVICE_STOPPED), status.dwCurrentState);
  SC_HANDLE second = OpenServiceA(manager, "PORTIO", SERVICE_ALL_ACCESS);
  ASSERT_NE(nullptr, second);
  EXPECT_EQ("ok", Outcome(DeleteService(service)));
  EXPECT_EQ("error 1072", Outcome(DeleteService(second)));
  EXPECT_EQ("error 1072", Outcome(StartServiceA(second, 0, nullptr)));
  EXPECT_EQ(nullptr, CreatePortio(manager));
  EXPECT_EQ(DWORD(ERROR_SERVICE_MARKED_FOR_DELETE), error);
  EXPECT_EQ("error 6", Outcome(CloseHandle(reinterpret_cast<HANDLE>(service))))
      << "service handles close with CloseServiceHandle only";
  EXPECT_TRUE(CloseServiceHandle(service));
  EXPECT_NE(0u, pc->Reg().KeyId(kServiceKey));
  EXPECT_TRUE(CloseServiceHandle(second));
  EXPECT_EQ(0u, pc->Reg().KeyId(kServiceKey)) << "gone with its last handle";
  SetLastError(kUntouched);
  EXPECT_EQ(nullptr, OpenServiceA(manager, "portio", SERVICE_QUERY_STATUS));
  EXPECT_EQ(DWORD(ERROR_SERVICE_DOES_NOT_EXIST), GetLastError());
  EXPECT_EQ("error 6", Outcome(CloseServiceHandle(service)));
  EXPECT_TRUE(CloseServiceHandle(manager));
}

TEST_F(Services, AUserWhoIsNoAdministratorMayOnlyLook) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE service = CreatePortio(manager);
  ASSERT_NE(nullptr, service);
  EXPECT_TRUE(CloseServiceHandle(service));
  EXPECT_TRUE(CloseServiceHandle(manager));

  pc->SetLoggedOnUser(sim::AccessToken::InteractiveUser());
  SetLastError(kUntouched);
  EXPECT_EQ(nullptr, OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
  manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  ASSERT_NE(nullptr, manager);
  EXPECT_EQ(nullptr, CreatePortio(manager));
  EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), error);
  SetLastError(kUntouched);
  EXPECT_EQ(nullptr, OpenServiceA(manager, "portio", SERVICE_START));
  EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
  service = OpenServiceA(manager, "portio", SERVICE_QUERY_STATUS);
  ASSERT_NE(nullptr, service);
  EXPECT_EQ(DWORD(SERVICE_STOPPED), State(service));
  EXPECT_EQ("error 5", Outcome(StartServiceA(service, 0, nullptr)))
      << "a handle opened to look cannot start";
  EXPECT_TRUE(CloseServiceHandle(service));
  EXPECT_TRUE(CloseServiceHandle(manager));
}

TEST_F(Services, DriverFilesThatCannotLoad) {
  struct Case {
    const char* image;
    const char* bytes;  // written to C:\WINDOWS\system32\drivers\other.sys; null: no file
    const char* outcome;
  };
  const Case cases[] = {
      {"System32\\drivers\\other.sys", nullptr, "error 2"},
      {"System32\\drivers\\other.sys", "MZ something else", "error 193"},
      {"\\Device\\HarddiskVolume1\\x.sys", nullptr, "error 3"},
      {"\\SystemRoot\\System32\\drivers\\portio.sys", nullptr, "ok"},
      {"\\??\\C:\\WINDOWS\\system32\\drivers\\portio.sys", nullptr, "ok"},
  };
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  ASSERT_NE(nullptr, manager);
  for (const Case& c : cases) {
    pc->Files().Remove("C:\\WINDOWS\\system32\\drivers\\other.sys");
    if (c.bytes) {
      ASSERT_TRUE(pc->Files().WriteFile("C:\\WINDOWS\\system32\\drivers\\other.sys", c.bytes));
    }
    SC_HANDLE service = CreatePortio(manager, c.image);
    ASSERT_NE(nullptr, service) << c.image;
    EXPECT_EQ(c.outcome, Outcome(StartServiceA(service, 0, nullptr))) << c.image;
    SERVICE_STATUS status{};
    if (std::string(c.outcome) == "ok") {
      EXPECT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status));
    }
    EXPECT_TRUE(DeleteService(service));
    EXPECT_TRUE(CloseServiceHandle(service));
  }
  EXPECT_TRUE(CloseServiceHandle(manager));
}

}  // namespace
}  // namespace winsim_test
