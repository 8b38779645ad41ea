// The DACL of portio's device.
#include "driver/device_access.h"

namespace {

// A well-known identifier of at most two sub-authorities, laid out as SID.
struct WellKnownSid {
  UCHAR Revision;
  UCHAR SubAuthorityCount;
  SID_IDENTIFIER_AUTHORITY IdentifierAuthority;
  ULONG SubAuthority[2];
};

constexpr WellKnownSid kLocalSystem = {
    SID_REVISION, 1, SECURITY_NT_AUTHORITY, {SECURITY_LOCAL_SYSTEM_RID, 0}};
constexpr WellKnownSid kAdministrators = {
    SID_REVISION, 2, SECURITY_NT_AUTHORITY, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}};
constexpr WellKnownSid kInteractive = {
    SID_REVISION, 1, SECURITY_NT_AUTHORITY, {SECURITY_INTERACTIVE_RID, 0}};

struct Grant {
  const WellKnownSid* sid;
  ACCESS_MASK access;
};

// The user at the keyboard gets what Tavos opens the device with, nothing more.
const Grant kGrants[] = {
    {&kLocalSystem, GENERIC_ALL},
    {&kAdministrators, GENERIC_ALL},
    {&kInteractive, GENERIC_READ | GENERIC_WRITE},
};

constexpr ULONG SidLength(const WellKnownSid& sid) { return 8 + 4 * sid.SubAuthorityCount; }

// An access-allowed entry is its fixed part followed by the identifier in place of SidStart.
constexpr ULONG AceLength(const WellKnownSid& sid) {
  return sizeof(ACCESS_ALLOWED_ACE) - sizeof(ULONG) + SidLength(sid);
}

constexpr ULONG kAclBytes =
    sizeof(ACL) + AceLength(kLocalSystem) + AceLength(kAdministrators) + AceLength(kInteractive);

}  // namespace

NTSTATUS RestrictDeviceAccess(PDEVICE_OBJECT device) {
  ULONG aclBuffer[(kAclBytes + sizeof(ULONG) - 1) / sizeof(ULONG)];
  PACL acl = reinterpret_cast<PACL>(aclBuffer);
  NTSTATUS status = RtlCreateAcl(acl, sizeof aclBuffer, ACL_REVISION);
  for (const Grant& grant : kGrants) {
    if (!NT_SUCCESS(status)) return status;
    status = RtlAddAccessAllowedAce(acl, ACL_REVISION, grant.access,
                                    const_cast<WellKnownSid*>(grant.sid));
  }
  if (!NT_SUCCESS(status)) return status;

  SECURITY_DESCRIPTOR descriptor;
  status = RtlCreateSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  if (NT_SUCCESS(status)) status = RtlSetDaclSecurityDescriptor(&descriptor, TRUE, acl, FALSE);
  if (!NT_SUCCESS(status)) return status;

  // No OBJ_KERNEL_HANDLE, which NT 4.0 does not know: the entry routine runs in the system
  // process, whose handles user mode cannot reach, and the handle is closed at once.
  HANDLE handle = nullptr;
  status = ObOpenObjectByPointer(device, 0, nullptr, WRITE_DAC, nullptr, KernelMode, &handle);
  if (!NT_SUCCESS(status)) return status;
  // NT 4.0's kernel exports no ZwSetSecurityObject (it came with Windows 2000); the Nt form is
  // exported since NT 3.1. The entry routine runs on a system thread, whose previous mode is
  // kernel mode, so it takes the handle and the descriptor as the Zw form would. Called with a
  // user-mode previous mode it would refuse the descriptor on this stack, and then the driver
  // does not load: never an open device.
  status = NtSetSecurityObject(handle, DACL_SECURITY_INFORMATION, &descriptor);
  ZwClose(handle);
  return status;
}
