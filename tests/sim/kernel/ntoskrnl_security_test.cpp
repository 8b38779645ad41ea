// Object security as a driver and its callers see it: building descriptors and ACLs, setting
// a device's DACL through a handle, and the check of each open against it, for the device
// itself and for names beneath it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/sim/kernel/kernel_fixture.h"

namespace kernel_test {
namespace {

constexpr char kPath[] = "\\\\.\\STest";
constexpr ACCESS_MASK kReadWrite =
    GENERIC_READ | GENERIC_WRITE | SYNCHRONIZE | FILE_READ_ATTRIBUTES;

// An identifier of up to two sub-authorities, laid out as SID.
struct TestSid {
  UCHAR Revision;
  UCHAR SubAuthorityCount;
  SID_IDENTIFIER_AUTHORITY IdentifierAuthority;
  ULONG SubAuthority[2];
};
TestSid kInteractiveSid = {SID_REVISION, 1, SECURITY_NT_AUTHORITY, {SECURITY_INTERACTIVE_RID, 0}};
TestSid kNetworkSid = {SID_REVISION, 1, SECURITY_NT_AUTHORITY, {2, 0}};
TestSid kUsersSid = {SID_REVISION, 2, SECURITY_NT_AUTHORITY, {SECURITY_BUILTIN_DOMAIN_RID, 545}};

struct SecurityDriver {
  ULONG characteristics = 0;
  PDEVICE_OBJECT device = nullptr;
  std::vector<std::string> createdNames;  // the file name of every create the driver got
};
SecurityDriver d;

NTSTATUS NTAPI CreateClose(PDEVICE_OBJECT, PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  if (stack->MajorFunction == IRP_MJ_CREATE) {
    std::string name;
    const UNICODE_STRING& text = stack->FileObject->FileName;
    for (USHORT i = 0; i < text.Length / 2; ++i) name.push_back(char(text.Buffer[i]));
    d.createdNames.push_back(name);
  }
  irp->IoStatus.Status = STATUS_SUCCESS;
  irp->IoStatus.Information = 0;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return STATUS_SUCCESS;
}

VOID NTAPI Unload(PDRIVER_OBJECT driver) {
  UNICODE_STRING link;
  RtlInitUnicodeString(&link, reinterpret_cast<const WCHAR*>(u"\\DosDevices\\STest"));
  IoDeleteSymbolicLink(&link);
  IoDeleteDevice(driver->DeviceObject);
}

NTSTATUS NTAPI Entry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
  UNICODE_STRING name, link;
  RtlInitUnicodeString(&name, reinterpret_cast<const WCHAR*>(u"\\Device\\STEST"));
  RtlInitUnicodeString(&link, reinterpret_cast<const WCHAR*>(u"\\DosDevices\\STest"));
  NTSTATUS status =
      IoCreateDevice(driver, 0, &name, FILE_DEVICE_UNKNOWN, d.characteristics, FALSE, &d.device);
  if (NT_SUCCESS(status)) status = IoCreateSymbolicLink(&link, &name);
  driver->MajorFunction[IRP_MJ_CREATE] = CreateClose;
  driver->MajorFunction[IRP_MJ_CLOSE] = CreateClose;
  driver->DriverUnload = Unload;
  return status;
}

// An ACL in an aligned buffer of its own, with any entry type (the seam builds only allows).
struct AclBuffer {
  ULONG words[32];
  PACL Get() { return reinterpret_cast<PACL>(words); }

  explicit AclBuffer(ULONG length = sizeof words) {
    std::memset(words, 0xCC, sizeof words);
    EXPECT_STATUS(STATUS_SUCCESS, RtlCreateAcl(Get(), length, ACL_REVISION));
  }
  void Add(UCHAR type, ACCESS_MASK mask, const TestSid& sid) {
    if (type == ACCESS_ALLOWED_ACE_TYPE) {
      EXPECT_STATUS(STATUS_SUCCESS,
                    RtlAddAccessAllowedAce(Get(), ACL_REVISION, mask, const_cast<TestSid*>(&sid)));
      return;
    }
    const ULONG sidLength = 8 + 4 * sid.SubAuthorityCount;
    auto* bytes = reinterpret_cast<UCHAR*>(words) + Used();
    ACE_HEADER header{type, 0, USHORT(8 + sidLength)};
    std::memcpy(bytes, &header, sizeof header);
    std::memcpy(bytes + 4, &mask, 4);
    std::memcpy(bytes + 8, &sid, sidLength);
    ++Get()->AceCount;
  }
  ULONG Used() {
    ULONG used = sizeof(ACL);
    auto* bytes = reinterpret_cast<UCHAR*>(words);
    for (USHORT i = 0; i < Get()->AceCount; ++i)
      used += reinterpret_cast<ACE_HEADER*>(bytes + used)->AceSize;
    return used;
  }
};

class SecurityTest : public KernelTest {
 protected:
  void SetUp() override {
    d = SecurityDriver{};
    d.characteristics = FILE_DEVICE_SECURE_OPEN;
  }

  void TearDown() override {
    EXPECT_EQ(0u, kernel.Io().OpenHandles());
    if (kernel.Io().DriverLoaded()) {
      EXPECT_STATUS(STATUS_SUCCESS, kernel.Io().UnloadDriver());
    }
    KernelTest::TearDown();
  }

  void Load() { ASSERT_EQ(Status{STATUS_SUCCESS}, Status{kernel.Io().LoadDriver(Entry)}); }

  // Sets the device's DACL as a driver does; no ACL means a NULL DACL.
  NTSTATUS SetDacl(PACL acl, ACCESS_MASK handleAccess = WRITE_DAC) {
    SECURITY_DESCRIPTOR descriptor;
    EXPECT_STATUS(STATUS_SUCCESS,
                  RtlCreateSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    EXPECT_STATUS(STATUS_SUCCESS, RtlSetDaclSecurityDescriptor(&descriptor, TRUE, acl, FALSE));
    HANDLE handle = nullptr;
    EXPECT_STATUS(STATUS_SUCCESS,
                  ObOpenObjectByPointer(d.device, OBJ_KERNEL_HANDLE, nullptr, handleAccess, nullptr,
                                        KernelMode, &handle));
    NTSTATUS status = ZwSetSecurityObject(handle, DACL_SECURITY_INFORMATION, &descriptor);
    EXPECT_STATUS(STATUS_SUCCESS, ZwClose(handle));
    return status;
  }

  NTSTATUS OpenAs(const sim::AccessToken& caller, const std::string& path = kPath,
                  ACCESS_MASK access = kReadWrite) {
    sim::KernelHandle handle = 0;
    NTSTATUS status = kernel.Io().Open(path, &handle, sim::OpenRequest{access, caller});
    if (handle) {
      EXPECT_STATUS(STATUS_SUCCESS, kernel.Io().Close(handle));
    }
    return status;
  }
};

TEST_F(SecurityTest, DescriptorAndAclBuildersRefuseWhatWindowsRefuses) {
  SECURITY_DESCRIPTOR descriptor;
  EXPECT_STATUS(STATUS_UNKNOWN_REVISION, RtlCreateSecurityDescriptor(&descriptor, 2));
  ULONG words[8];
  EXPECT_STATUS(STATUS_BUFFER_TOO_SMALL,
                RtlCreateAcl(reinterpret_cast<PACL>(words), sizeof(ACL) - 1, ACL_REVISION));
  EXPECT_STATUS(STATUS_INVALID_PARAMETER,
                RtlCreateAcl(reinterpret_cast<PACL>(words), sizeof words, 1));

  // Room for the header and one entry for a one-part identifier, four bytes short of a second.
  AclBuffer acl(sizeof(ACL) + 2 * (8 + 12) - 4);
  acl.Add(ACCESS_ALLOWED_ACE_TYPE, GENERIC_READ, kInteractiveSid);
  const std::vector<ULONG> before(std::begin(acl.words), std::end(acl.words));
  EXPECT_STATUS(STATUS_ALLOTTED_SPACE_EXCEEDED,
                RtlAddAccessAllowedAce(acl.Get(), ACL_REVISION, GENERIC_READ, &kNetworkSid));
  TestSid badRevision = kNetworkSid;
  badRevision.Revision = 2;
  TestSid tooManyParts = kNetworkSid;
  tooManyParts.SubAuthorityCount = SID_MAX_SUB_AUTHORITIES + 1;
  EXPECT_STATUS(STATUS_INVALID_SID,
                RtlAddAccessAllowedAce(acl.Get(), ACL_REVISION, 0, &badRevision));
  EXPECT_STATUS(STATUS_INVALID_SID,
                RtlAddAccessAllowedAce(acl.Get(), ACL_REVISION, 0, &tooManyParts));
  EXPECT_EQ(before, std::vector<ULONG>(std::begin(acl.words), std::end(acl.words)))
      << "a refused entry changed the ACL";

  // An entry that claims more bytes than the ACL has makes the ACL unusable.
  AclBuffer broken;
  broken.Add(ACCESS_ALLOWED_ACE_TYPE, GENERIC_READ, kInteractiveSid);
  reinterpret_cast<ACE_HEADER*>(broken.words + 2)->AceSize = 0x200;
  EXPECT_STATUS(STATUS_INVALID_ACL,
                RtlAddAccessAllowedAce(broken.Get(), ACL_REVISION, 0, &kNetworkSid));

  // A self-relative descriptor holds offsets; it takes no ACL pointer.
  ULONG relative[8] = {};
  auto* header = reinterpret_cast<SECURITY_DESCRIPTOR_RELATIVE*>(relative);
  header->Revision = SECURITY_DESCRIPTOR_REVISION;
  header->Control = SE_SELF_RELATIVE;
  EXPECT_STATUS(STATUS_INVALID_SECURITY_DESCR,
                RtlSetDaclSecurityDescriptor(relative, TRUE, acl.Get(), FALSE));
}

TEST_F(SecurityTest, OpensAreCheckedAgainstTheDaclInOrder) {
  Load();
  const sim::AccessToken interactive = sim::AccessToken::InteractiveUser();
  const sim::AccessToken network = sim::AccessToken::NetworkUser();
  // A new device admits everyone to read and write, as IoCreateDevice's default does.
  EXPECT_STATUS(STATUS_SUCCESS, OpenAs(network));
  EXPECT_STATUS(STATUS_ACCESS_DENIED, OpenAs(network, kPath, kReadWrite | WRITE_DAC));

  AclBuffer readOnly;
  readOnly.Add(ACCESS_ALLOWED_ACE_TYPE, GENERIC_READ, kInteractiveSid);
  ASSERT_STATUS(STATUS_SUCCESS, SetDacl(readOnly.Get()));
  EXPECT_STATUS(STATUS_ACCESS_DENIED, OpenAs(interactive)) << "write is not granted";
  EXPECT_STATUS(STATUS_SUCCESS, OpenAs(interactive, kPath, GENERIC_READ | SYNCHRONIZE));
  EXPECT_STATUS(STATUS_ACCESS_DENIED, OpenAs(network, kPath, GENERIC_READ));
  EXPECT_STATUS(STATUS_ACCESS_DENIED, OpenAs(interactive, kPath, 0)) << "asking for nothing";

  // A deny entry decides the rights it names before a later allow can grant them.
  AclBuffer denyFirst;
  denyFirst.Add(ACCESS_DENIED_ACE_TYPE, FILE_WRITE_DATA, kNetworkSid);
  denyFirst.Add(ACCESS_ALLOWED_ACE_TYPE, GENERIC_READ | GENERIC_WRITE, kUsersSid);
  ASSERT_STATUS(STATUS_SUCCESS, SetDacl(denyFirst.Get()));
  EXPECT_STATUS(STATUS_SUCCESS, OpenAs(interactive));
  EXPECT_STATUS(STATUS_ACCESS_DENIED, OpenAs(network));
  EXPECT_STATUS(STATUS_SUCCESS, OpenAs(network, kPath, GENERIC_READ));

  AclBuffer empty;
  ASSERT_STATUS(STATUS_SUCCESS, SetDacl(empty.Get()));
  EXPECT_STATUS(STATUS_ACCESS_DENIED, OpenAs(sim::AccessToken::LocalSystem()))
      << "an empty DACL admits no one";
  ASSERT_STATUS(STATUS_SUCCESS, SetDacl(nullptr));
  EXPECT_STATUS(STATUS_SUCCESS, OpenAs(sim::AccessToken::Anonymous()))
      << "a NULL DACL admits everyone";
}

TEST_F(SecurityTest, NamesBeneathTheDeviceAreCheckedOnlyWithSecureOpen) {
  struct Case {
    ULONG characteristics;
    bool honoured;
    NTSTATUS network;  // what a caller the DACL does not admit gets for "\\.\STest\x"
  };
  for (const Case& c :
       {Case{FILE_DEVICE_SECURE_OPEN, true, STATUS_ACCESS_DENIED},
        Case{FILE_DEVICE_SECURE_OPEN, false, STATUS_SUCCESS}, Case{0, true, STATUS_SUCCESS}}) {
    SCOPED_TRACE(testing::Message()
                 << "characteristics " << c.characteristics << " honoured " << c.honoured);
    d = SecurityDriver{};
    d.characteristics = c.characteristics;
    kernel.Io().SetSecureOpenHonoured(c.honoured);
    Load();
    AclBuffer interactiveOnly;
    interactiveOnly.Add(ACCESS_ALLOWED_ACE_TYPE, GENERIC_ALL, kInteractiveSid);
    ASSERT_STATUS(STATUS_SUCCESS, SetDacl(interactiveOnly.Get()));
    EXPECT_STATUS(STATUS_ACCESS_DENIED, OpenAs(sim::AccessToken::NetworkUser()));
    EXPECT_STATUS(c.network, OpenAs(sim::AccessToken::NetworkUser(), "\\\\.\\STest\\x"));
    EXPECT_STATUS(STATUS_SUCCESS,
                  OpenAs(sim::AccessToken::InteractiveUser(), "\\\\.\\stest\\x\\y"));
    // The driver sees the name beneath the device, and an empty name for the device itself.
    std::vector<std::string> expected = {"\\x\\y"};
    if (c.network == STATUS_SUCCESS) expected.insert(expected.begin(), "\\x");
    EXPECT_EQ(expected, d.createdNames);
    ASSERT_STATUS(STATUS_SUCCESS, kernel.Io().UnloadDriver());
  }
}

TEST_F(SecurityTest, SettingTheDaclNeedsAWriteDacHandleAndAWellFormedDescriptor) {
  Load();
  AclBuffer interactiveOnly;
  interactiveOnly.Add(ACCESS_ALLOWED_ACE_TYPE, GENERIC_ALL, kInteractiveSid);
  EXPECT_STATUS(STATUS_ACCESS_DENIED, SetDacl(interactiveOnly.Get(), READ_CONTROL));
  EXPECT_STATUS(STATUS_SUCCESS, OpenAs(sim::AccessToken::NetworkUser()))
      << "the refused DACL took effect";

  SECURITY_DESCRIPTOR descriptor;
  RtlCreateSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  RtlSetDaclSecurityDescriptor(&descriptor, TRUE, interactiveOnly.Get(), FALSE);
  HANDLE handle = nullptr;
  ASSERT_STATUS(STATUS_SUCCESS, ObOpenObjectByPointer(d.device, 0, nullptr, WRITE_DAC, nullptr,
                                                      KernelMode, &handle));
  EXPECT_STATUS(STATUS_INVALID_HANDLE, ZwSetSecurityObject(reinterpret_cast<HANDLE>(0x1234),
                                                           DACL_SECURITY_INFORMATION, &descriptor));
  reinterpret_cast<ACE_HEADER*>(interactiveOnly.words + 2)->AceSize = 0x100;
  EXPECT_STATUS(STATUS_INVALID_ACL,
                ZwSetSecurityObject(handle, DACL_SECURITY_INFORMATION, &descriptor));
  descriptor.Revision = 3;
  EXPECT_STATUS(STATUS_UNKNOWN_REVISION,
                ZwSetSecurityObject(handle, DACL_SECURITY_INFORMATION, &descriptor));
  EXPECT_STATUS(STATUS_SUCCESS, OpenAs(sim::AccessToken::NetworkUser()))
      << "a refused descriptor took effect";

  // The same DACL self-relative: header, then the ACL at an offset.
  ULONG relative[40] = {};
  auto* header = reinterpret_cast<SECURITY_DESCRIPTOR_RELATIVE*>(relative);
  header->Revision = SECURITY_DESCRIPTOR_REVISION;
  header->Control = SE_SELF_RELATIVE | SE_DACL_PRESENT;
  header->Dacl = sizeof *header;
  AclBuffer again;
  again.Add(ACCESS_ALLOWED_ACE_TYPE, GENERIC_ALL, kInteractiveSid);
  std::memcpy(relative + sizeof *header / 4, again.words, again.Used());
  EXPECT_STATUS(STATUS_SUCCESS, ZwSetSecurityObject(handle, DACL_SECURITY_INFORMATION, relative));
  EXPECT_STATUS(STATUS_ACCESS_DENIED, OpenAs(sim::AccessToken::NetworkUser()));

  // A handle kept open past the unload is a leak; closing it twice stops the machine.
  EXPECT_STATUS(STATUS_SUCCESS, ZwClose(handle));
  EXPECT_STATUS(STATUS_INVALID_HANDLE, ZwClose(handle));
  TakeFaults({"INVALID_KERNEL_HANDLE"});
  ASSERT_STATUS(STATUS_SUCCESS, ObOpenObjectByPointer(d.device, 0, nullptr, WRITE_DAC, nullptr,
                                                      KernelMode, &handle));
  EXPECT_STATUS(STATUS_SUCCESS, kernel.Io().UnloadDriver());
  EXPECT_TRUE(Contains(TakeFaults({"DRIVER_LEFT_OBJECTS"})[0], "\\Device\\STEST"));
  EXPECT_EQ(0u, kernel.Io().OpenObjectHandles());
}

}  // namespace
}  // namespace kernel_test
