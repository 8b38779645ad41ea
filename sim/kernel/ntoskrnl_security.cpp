// The object-security services, as ntoskrnl exports them: descriptors and ACLs built in the
// caller's memory, and a device's DACL set through a handle to it.
#include <cstring>

#include "platform/nt_kernel.h"
#include "sim/kernel/security.h"
#include "sim/kernel/sim_kernel.h"

using sim::SimKernel;

NTSTATUS NTAPI RtlCreateSecurityDescriptor(PSECURITY_DESCRIPTOR SecurityDescriptor,
                                           ULONG Revision) {
  if (Revision != SECURITY_DESCRIPTOR_REVISION) return STATUS_UNKNOWN_REVISION;
  std::memset(SecurityDescriptor, 0, sizeof(SECURITY_DESCRIPTOR));
  static_cast<PISECURITY_DESCRIPTOR>(SecurityDescriptor)->Revision = SECURITY_DESCRIPTOR_REVISION;
  return STATUS_SUCCESS;
}

NTSTATUS NTAPI RtlSetDaclSecurityDescriptor(PSECURITY_DESCRIPTOR SecurityDescriptor,
                                            BOOLEAN DaclPresent, PACL Dacl, BOOLEAN DaclDefaulted) {
  auto* descriptor = static_cast<PISECURITY_DESCRIPTOR>(SecurityDescriptor);
  if (descriptor->Revision != SECURITY_DESCRIPTOR_REVISION) return STATUS_UNKNOWN_REVISION;
  // A self-relative descriptor holds offsets, not pointers: it cannot take an ACL from outside.
  if (descriptor->Control & SE_SELF_RELATIVE) return STATUS_INVALID_SECURITY_DESCR;
  descriptor->Control &= ~(SE_DACL_PRESENT | SE_DACL_DEFAULTED);
  descriptor->Dacl = nullptr;
  if (!DaclPresent) return STATUS_SUCCESS;
  descriptor->Control |= SE_DACL_PRESENT | (DaclDefaulted ? SE_DACL_DEFAULTED : 0);
  descriptor->Dacl = Dacl;
  return STATUS_SUCCESS;
}

NTSTATUS NTAPI RtlCreateAcl(PACL Acl, ULONG AclLength, ULONG AclRevision) {
  if (AclLength < sizeof(ACL)) return STATUS_BUFFER_TOO_SMALL;
  if (AclRevision < ACL_REVISION || AclRevision > ACL_REVISION_DS || AclLength > 0xFFFF)
    return STATUS_INVALID_PARAMETER;
  std::memset(Acl, 0, sizeof(ACL));
  Acl->AclRevision = UCHAR(AclRevision);
  Acl->AclSize = USHORT(AclLength);
  return STATUS_SUCCESS;
}

NTSTATUS NTAPI RtlAddAccessAllowedAce(PACL Acl, ULONG AceRevision, ACCESS_MASK AccessMask,
                                      PSID Sid) {
  ULONG sidLength = 0;
  if (!sim::ReadSid(Sid, SID_MAX_SUB_AUTHORITIES * 4 + 8, nullptr, &sidLength))
    return STATUS_INVALID_SID;
  if (AceRevision < ACL_REVISION || AceRevision > ACL_REVISION_DS ||
      Acl->AclRevision > ACL_REVISION_DS)
    return STATUS_REVISION_MISMATCH;
  ULONG firstFree = 0;
  if (!NT_SUCCESS(sim::ReadAcl(Acl, nullptr, &firstFree))) return STATUS_INVALID_ACL;
  const ULONG aceSize = sizeof(ACE_HEADER) + sizeof(ACCESS_MASK) + sidLength;
  if (firstFree + aceSize > Acl->AclSize) return STATUS_ALLOTTED_SPACE_EXCEEDED;
  auto* ace = reinterpret_cast<UCHAR*>(Acl) + firstFree;
  ACE_HEADER header{ACCESS_ALLOWED_ACE_TYPE, 0, USHORT(aceSize)};
  std::memcpy(ace, &header, sizeof header);
  std::memcpy(ace + sizeof header, &AccessMask, sizeof AccessMask);
  std::memcpy(ace + sizeof header + sizeof AccessMask, Sid, sidLength);
  ++Acl->AceCount;
  if (AceRevision > Acl->AclRevision) Acl->AclRevision = UCHAR(AceRevision);
  return STATUS_SUCCESS;
}

NTSTATUS NTAPI ObOpenObjectByPointer(PVOID Object, ULONG HandleAttributes,
                                     PACCESS_STATE PassedAccessState, ACCESS_MASK DesiredAccess,
                                     POBJECT_TYPE ObjectType, KPROCESSOR_MODE AccessMode,
                                     PHANDLE Handle) {
  return SimKernel::Current().Io().OpenObjectByPointer(
      Object, HandleAttributes, PassedAccessState, DesiredAccess, ObjectType, AccessMode, Handle);
}

// The Zw form runs the service with a kernel-mode previous mode (Windows 2000 and later export
// it); the Nt form, exported since NT 3.1, keeps the calling thread's.
NTSTATUS NTAPI ZwSetSecurityObject(HANDLE Handle, SECURITY_INFORMATION SecurityInformation,
                                   PSECURITY_DESCRIPTOR SecurityDescriptor) {
  return SimKernel::Current().Io().SetSecurityObject(Handle, SecurityInformation,
                                                     SecurityDescriptor, KernelMode);
}

NTSTATUS NTAPI NtSetSecurityObject(HANDLE Handle, SECURITY_INFORMATION SecurityInformation,
                                   PSECURITY_DESCRIPTOR SecurityDescriptor) {
  sim::IoManager& io = SimKernel::Current().Io();
  return io.SetSecurityObject(Handle, SecurityInformation, SecurityDescriptor, io.PreviousMode());
}

NTSTATUS NTAPI ZwClose(HANDLE Handle) {
  return SimKernel::Current().Io().CloseObjectHandle(Handle);
}
