// Security as the simulated kernel checks it: identifiers, the caller's access token, the
// discretionary access-control list an object holds, and the access check of an open.
//
// Only what an open of a device needs: allow and deny entries, generic rights mapped as for
// files, no privileges, no owner rights, no auditing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/nt_kernel.h"

namespace sim {

// A security identifier by value.
struct Sid {
  uint64_t authority = 0;  // the 48-bit identifier authority (5 is NT AUTHORITY)
  std::vector<uint32_t> subAuthorities;

  bool operator==(const Sid& other) const {
    return authority == other.authority && subAuthorities == other.subAuthorities;
  }
  std::string Text() const;  // "S-1-5-32-544"

  static Sid LocalSystem() { return {5, {18}}; }
  static Sid Administrators() { return {5, {32, 544}}; }
  static Sid Users() { return {5, {32, 545}}; }
  static Sid Everyone() { return {1, {0}}; }
  static Sid Interactive() { return {5, {4}}; }
  static Sid Network() { return {5, {2}}; }
  static Sid Batch() { return {5, {3}}; }
  static Sid Service() { return {5, {6}}; }
  static Sid Anonymous() { return {5, {7}}; }
  static Sid AuthenticatedUsers() { return {5, {11}}; }
  static Sid Restricted() { return {5, {12}}; }
  // A local account of this machine's domain, by its relative identifier (500: Administrator).
  static Sid LocalAccount(uint32_t rid) { return {5, {21, 1, 2, 3, rid}}; }
};

// Who asks: the caller's user and the groups of its logon, every group enabled.
struct AccessToken {
  std::string kind;  // what kind of caller, for messages: "interactive user"
  Sid user;
  std::vector<Sid> groups;

  bool Has(const Sid& sid) const;

  static AccessToken LocalSystem();
  // The account a notebook's owner used on Windows NT 4.0 to XP: an administrator at the
  // keyboard.
  static AccessToken InteractiveAdministrator();
  static AccessToken InteractiveUser();  // a limited user at the keyboard
  static AccessToken NetworkUser();      // a user reaching the machine over the network
  static AccessToken NetworkAdministrator();
  static AccessToken ServiceAccount();  // a service running under an account of its own
  static AccessToken BatchUser();       // a scheduled task
  static AccessToken Anonymous();       // a null session
};

struct Ace {
  UCHAR type = ACCESS_ALLOWED_ACE_TYPE;
  UCHAR flags = 0;
  ACCESS_MASK mask = 0;
  Sid sid;
};

// A discretionary ACL as an object holds it. No value: the object has no DACL, or a NULL
// one, and so grants every access to everyone.
using Dacl = std::optional<std::vector<Ace>>;

// What IoCreateDevice gives a named device of most types: everyone may read, write and
// execute, SYSTEM and the administrators have all access, restricted code reads.
Dacl DefaultDeviceDacl();

// Generic rights as the file object type maps them.
ACCESS_MASK MapGenericFileAccess(ACCESS_MASK access);

// The access check of an open: true when `dacl` grants `token` every right of `desired`
// (after generic mapping). MAXIMUM_ALLOWED asks for whatever is granted, at least something;
// asking for nothing is refused.
bool AccessCheck(const Dacl& dacl, const AccessToken& token, ACCESS_MASK desired);

// Reads a security descriptor a driver hands over (absolute or self-relative) and captures
// its DACL. Malformed descriptors, ACLs and identifiers are refused with the status Windows
// gives them; nothing is read beyond the sizes the structures state.
NTSTATUS CaptureDacl(const void* descriptor, Dacl* dacl);

// Validates an ACL and reads its entries; `firstFree` gets the offset past the last entry.
NTSTATUS ReadAcl(const ACL* acl, std::vector<Ace>* entries, ULONG* firstFree);

// Validates an identifier as RtlValidSid does; on success `length` gets its size in bytes.
bool ReadSid(const void* sid, ULONG available, Sid* value, ULONG* length);

}  // namespace sim
