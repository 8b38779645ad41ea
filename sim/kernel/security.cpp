// Identifiers, tokens, ACL parsing and the access check of the simulated kernel.
#include "sim/kernel/security.h"

#include <algorithm>
#include <cstring>

namespace sim {

namespace {

constexpr ULONG kSidHeaderBytes = 8;  // revision, count, 6-byte authority
constexpr ULONG kAceHeaderBytes = sizeof(ACE_HEADER);
constexpr ULONG kKnownAceFixedBytes = kAceHeaderBytes + sizeof(ACCESS_MASK);

constexpr ACCESS_MASK kFileAllAccess = STANDARD_RIGHTS_REQUIRED | SYNCHRONIZE | 0x1FF;
constexpr ACCESS_MASK kFileGenericRead =
    READ_CONTROL | FILE_READ_DATA | FILE_READ_ATTRIBUTES | FILE_READ_EA | SYNCHRONIZE;
constexpr ACCESS_MASK kFileGenericWrite = READ_CONTROL | FILE_WRITE_DATA | FILE_WRITE_ATTRIBUTES |
                                          FILE_WRITE_EA | FILE_APPEND_DATA | SYNCHRONIZE;
constexpr ACCESS_MASK kFileGenericExecute =
    READ_CONTROL | FILE_READ_ATTRIBUTES | FILE_EXECUTE | SYNCHRONIZE;

AccessToken Token(const char* kind, Sid user, std::vector<Sid> groups) {
  groups.push_back(Sid::Everyone());
  return AccessToken{kind, std::move(user), std::move(groups)};
}

}  // namespace

std::string Sid::Text() const {
  std::string text = "S-1-" + std::to_string(authority);
  for (uint32_t sub : subAuthorities) text += "-" + std::to_string(sub);
  return text;
}

bool AccessToken::Has(const Sid& sid) const {
  return user == sid || std::find(groups.begin(), groups.end(), sid) != groups.end();
}

AccessToken AccessToken::LocalSystem() {
  return Token("SYSTEM", Sid::LocalSystem(), {Sid::Administrators(), Sid::AuthenticatedUsers()});
}

AccessToken AccessToken::InteractiveAdministrator() {
  return Token(
      "interactive administrator", Sid::LocalAccount(500),
      {Sid::Administrators(), Sid::Users(), Sid::Interactive(), Sid::AuthenticatedUsers()});
}

AccessToken AccessToken::InteractiveUser() {
  return Token("interactive user", Sid::LocalAccount(1003),
               {Sid::Users(), Sid::Interactive(), Sid::AuthenticatedUsers()});
}

AccessToken AccessToken::NetworkUser() {
  return Token("network user", Sid::LocalAccount(1004),
               {Sid::Users(), Sid::Network(), Sid::AuthenticatedUsers()});
}

AccessToken AccessToken::NetworkAdministrator() {
  return Token("network administrator", Sid::LocalAccount(500),
               {Sid::Administrators(), Sid::Users(), Sid::Network(), Sid::AuthenticatedUsers()});
}

AccessToken AccessToken::ServiceAccount() {
  return Token("service account", Sid::LocalAccount(1005),
               {Sid::Users(), Sid::Service(), Sid::AuthenticatedUsers()});
}

AccessToken AccessToken::BatchUser() {
  return Token("scheduled task", Sid::LocalAccount(1006),
               {Sid::Users(), Sid::Batch(), Sid::AuthenticatedUsers()});
}

AccessToken AccessToken::Anonymous() {
  return Token("anonymous", Sid::Anonymous(), {Sid::Network()});
}

Dacl DefaultDeviceDacl() {
  return std::vector<Ace>{
      {ACCESS_ALLOWED_ACE_TYPE, 0, GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | READ_CONTROL,
       Sid::Everyone()},
      {ACCESS_ALLOWED_ACE_TYPE, 0, GENERIC_ALL, Sid::LocalSystem()},
      {ACCESS_ALLOWED_ACE_TYPE, 0, GENERIC_ALL, Sid::Administrators()},
      {ACCESS_ALLOWED_ACE_TYPE, 0, GENERIC_READ | GENERIC_EXECUTE, Sid::Restricted()},
  };
}

ACCESS_MASK MapGenericFileAccess(ACCESS_MASK access) {
  ACCESS_MASK mapped = access & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL);
  if (access & GENERIC_READ) mapped |= kFileGenericRead;
  if (access & GENERIC_WRITE) mapped |= kFileGenericWrite;
  if (access & GENERIC_EXECUTE) mapped |= kFileGenericExecute;
  if (access & GENERIC_ALL) mapped |= kFileAllAccess;
  return mapped;
}

bool AccessCheck(const Dacl& dacl, const AccessToken& token, ACCESS_MASK desired) {
  const bool maximum = (desired & MAXIMUM_ALLOWED) != 0;
  const ACCESS_MASK wanted = MapGenericFileAccess(desired & ~MAXIMUM_ALLOWED);
  if (wanted == 0 && !maximum) return false;
  if (!dacl) return true;
  ACCESS_MASK granted = 0;
  ACCESS_MASK denied = 0;
  // Entries apply in order: a right is decided by the first entry that names it.
  for (const Ace& ace : *dacl) {
    if ((ace.flags & INHERIT_ONLY_ACE) || !token.Has(ace.sid)) continue;
    const ACCESS_MASK rights = MapGenericFileAccess(ace.mask);
    if (ace.type == ACCESS_ALLOWED_ACE_TYPE) granted |= rights & ~denied;
    if (ace.type == ACCESS_DENIED_ACE_TYPE) denied |= rights & ~granted;
  }
  if ((granted & wanted) != wanted) return false;
  return !maximum || granted != 0;
}

bool ReadSid(const void* sid, ULONG available, Sid* value, ULONG* length) {
  if (sid == nullptr || available < kSidHeaderBytes) return false;
  const auto* bytes = static_cast<const UCHAR*>(sid);
  const UCHAR count = bytes[1];
  if (bytes[0] != SID_REVISION || count > SID_MAX_SUB_AUTHORITIES) return false;
  const ULONG size = kSidHeaderBytes + 4 * count;
  if (size > available) return false;
  Sid read;
  for (int i = 2; i < 8; ++i) read.authority = read.authority << 8 | bytes[i];
  for (UCHAR i = 0; i < count; ++i) {
    uint32_t sub;
    std::memcpy(&sub, bytes + kSidHeaderBytes + 4 * i, 4);
    read.subAuthorities.push_back(sub);
  }
  if (value) *value = read;
  if (length) *length = size;
  return true;
}

NTSTATUS ReadAcl(const ACL* acl, std::vector<Ace>* entries, ULONG* firstFree) {
  if (acl == nullptr) return STATUS_INVALID_ACL;
  ACL header;
  std::memcpy(&header, acl, sizeof header);
  if (header.AclRevision < ACL_REVISION || header.AclRevision > ACL_REVISION_DS ||
      header.AclSize < sizeof(ACL))
    return STATUS_INVALID_ACL;
  const auto* bytes = reinterpret_cast<const UCHAR*>(acl);
  ULONG offset = sizeof(ACL);
  for (USHORT i = 0; i < header.AceCount; ++i) {
    if (header.AclSize - offset < kAceHeaderBytes) return STATUS_INVALID_ACL;
    ACE_HEADER aceHeader;
    std::memcpy(&aceHeader, bytes + offset, sizeof aceHeader);
    if (aceHeader.AceSize < kAceHeaderBytes || aceHeader.AceSize > header.AclSize - offset)
      return STATUS_INVALID_ACL;
    if (aceHeader.AceType == ACCESS_ALLOWED_ACE_TYPE ||
        aceHeader.AceType == ACCESS_DENIED_ACE_TYPE) {
      Ace ace;
      ace.type = aceHeader.AceType;
      ace.flags = aceHeader.AceFlags;
      if (aceHeader.AceSize < kKnownAceFixedBytes + kSidHeaderBytes) return STATUS_INVALID_ACL;
      std::memcpy(&ace.mask, bytes + offset + kAceHeaderBytes, sizeof ace.mask);
      if (!ReadSid(bytes + offset + kKnownAceFixedBytes, aceHeader.AceSize - kKnownAceFixedBytes,
                   &ace.sid, nullptr))
        return STATUS_INVALID_ACL;
      if (entries) entries->push_back(ace);
    }
    offset += aceHeader.AceSize;
  }
  if (firstFree) *firstFree = offset;
  return STATUS_SUCCESS;
}

NTSTATUS CaptureDacl(const void* descriptor, Dacl* dacl) {
  if (descriptor == nullptr) return STATUS_ACCESS_VIOLATION;
  SECURITY_DESCRIPTOR_RELATIVE relative;
  std::memcpy(&relative, descriptor, sizeof relative);
  if (relative.Revision != SECURITY_DESCRIPTOR_REVISION) return STATUS_UNKNOWN_REVISION;
  if (!(relative.Control & SE_DACL_PRESENT)) {
    dacl->reset();
    return STATUS_SUCCESS;
  }
  const ACL* acl = nullptr;
  if (relative.Control & SE_SELF_RELATIVE) {
    if (relative.Dacl != 0) {
      if (relative.Dacl < sizeof relative || relative.Dacl % 4)
        return STATUS_INVALID_SECURITY_DESCR;
      acl = reinterpret_cast<const ACL*>(static_cast<const UCHAR*>(descriptor) + relative.Dacl);
    }
  } else {
    SECURITY_DESCRIPTOR absolute;
    std::memcpy(&absolute, descriptor, sizeof absolute);
    acl = absolute.Dacl;
  }
  if (acl == nullptr) {  // a NULL DACL grants everything
    dacl->reset();
    return STATUS_SUCCESS;
  }
  std::vector<Ace> entries;
  NTSTATUS status = ReadAcl(acl, &entries, nullptr);
  if (!NT_SUCCESS(status)) return status;
  *dacl = std::move(entries);
  return STATUS_SUCCESS;
}

}  // namespace sim
