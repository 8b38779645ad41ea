// Pool-backed counted wide strings for device and link names.
#include "driver/owned_unicode_string.h"

#include "driver/portio_protocol.h"

namespace {

constexpr ULONG kMinimumCapacity = 32;
// The largest capacity a UNICODE_STRING can describe, kept even.
constexpr ULONG kMaximumCapacity = 0xFFFE;

ULONG AtLeastMinimum(ULONG capacity) {
  return capacity < kMinimumCapacity ? kMinimumCapacity : capacity;
}

}  // namespace

OwnedUnicodeString::OwnedUnicodeString() : string_{0, 0, nullptr}, owned_(FALSE) {}

OwnedUnicodeString::OwnedUnicodeString(const char* text) : OwnedUnicodeString() {
  ULONG length = 0;
  while (text[length] != '\0') {
    // Longer text cannot be counted in 16 bits; the string stays invalid.
    if (++length > kMaximumCapacity / 2 - 1) return;
  }
  ANSI_STRING ansi;
  RtlInitAnsiString(&ansi, text);
  ULONG capacity = NLS_MB_CODE_PAGE_TAG ? RtlxAnsiStringToUnicodeSize(&ansi) : 2 * length + 2;
  if (capacity > kMaximumCapacity || !Allocate(AtLeastMinimum(capacity))) return;
  if (!NT_SUCCESS(RtlAnsiStringToUnicodeString(&string_, &ansi, FALSE))) {
    Release();
    return;
  }
  Terminate();
}

OwnedUnicodeString::OwnedUnicodeString(ULONG number) : OwnedUnicodeString() {
  if (!Allocate(kMinimumCapacity)) return;  // ten digits fit in 32 bytes
  if (!NT_SUCCESS(RtlIntegerToUnicodeString(number, 0, &string_))) {
    Release();
    return;
  }
  Terminate();
}

OwnedUnicodeString::OwnedUnicodeString(const OwnedUnicodeString& first,
                                       const OwnedUnicodeString& second)
    : OwnedUnicodeString() {
  ULONG capacity = AtLeastMinimum(ULONG(first.string_.Length) + second.string_.Length + 2);
  if (!first.IsValid() || !second.IsValid() || capacity > kMaximumCapacity ||
      !Allocate(capacity))
    return;
  RtlCopyUnicodeString(&string_, &first.string_);
  RtlAppendUnicodeStringToString(&string_, &second.string_);
  Terminate();
}

OwnedUnicodeString::OwnedUnicodeString(const OwnedUnicodeString& other) : OwnedUnicodeString() {
  if (other.IsValid() && Allocate(other.string_.MaximumLength)) CopyFrom(other.string_);
}

OwnedUnicodeString& OwnedUnicodeString::operator=(const OwnedUnicodeString& other) {
  if (this == &other) return *this;
  // A shorter text fits in our own buffer with its terminator; keep the buffer.
  if (owned_ && other.IsValid() && other.string_.Length < string_.Length) {
    CopyFrom(other.string_);
    return *this;
  }
  Release();
  if (other.IsValid() && Allocate(other.string_.MaximumLength)) CopyFrom(other.string_);
  return *this;
}

OwnedUnicodeString::~OwnedUnicodeString() { Release(); }

OwnedUnicodeString& OwnedUnicodeString::operator+=(const OwnedUnicodeString& other) {
  if (!IsValid() || !other.IsValid()) {
    Release();
    return *this;
  }
  if (owned_ && ULONG(string_.Length) + other.string_.Length + 2 <= string_.MaximumLength) {
    RtlAppendUnicodeStringToString(&string_, &other.string_);
    Terminate();
    return *this;
  }
  OwnedUnicodeString joined(*this, other);
  Release();
  string_ = joined.string_;
  owned_ = joined.owned_;
  joined.string_ = UNICODE_STRING{0, 0, nullptr};
  joined.owned_ = FALSE;
  return *this;
}

void OwnedUnicodeString::Release() {
  if (owned_ && string_.Buffer != nullptr) ExFreePool(string_.Buffer);
  string_ = UNICODE_STRING{0, 0, nullptr};
  owned_ = FALSE;
}

bool OwnedUnicodeString::Allocate(ULONG capacityBytes) {
  void* buffer = ExAllocatePoolWithTag(PagedPool, capacityBytes, portio::kPoolTag);
  if (buffer == nullptr) return false;
  string_.Buffer = static_cast<PWSTR>(buffer);
  string_.Length = 0;
  string_.MaximumLength = USHORT(capacityBytes);
  string_.Buffer[0] = 0;
  owned_ = TRUE;
  return true;
}

void OwnedUnicodeString::CopyFrom(const UNICODE_STRING& source) {
  RtlCopyUnicodeString(&string_, &source);
  Terminate();
}

void OwnedUnicodeString::Terminate() {
  // Every producer above leaves room for the terminator; guard all the same.
  if (string_.Length + sizeof(WCHAR) <= string_.MaximumLength)
    string_.Buffer[string_.Length / sizeof(WCHAR)] = 0;
}
