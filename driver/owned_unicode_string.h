// A counted wide string that owns its pool buffer: the names portio builds at load.
//
// Kernel code has no exceptions, so a failed allocation leaves the string without a
// buffer; callers check IsValid() after every operation that may allocate. The all-zero
// object is a valid empty string, so it may live in zero-filled pool.
#pragma once

#include "platform/nt_kernel.h"

class OwnedUnicodeString {
 public:
  OwnedUnicodeString();
  explicit OwnedUnicodeString(const char* text);
  explicit OwnedUnicodeString(ULONG number);
  OwnedUnicodeString(const OwnedUnicodeString& first, const OwnedUnicodeString& second);
  OwnedUnicodeString(const OwnedUnicodeString& other);
  OwnedUnicodeString& operator=(const OwnedUnicodeString& other);
  ~OwnedUnicodeString();

  // Appends in place; keeps the buffer when the result fits, else reallocates.
  OwnedUnicodeString& operator+=(const OwnedUnicodeString& other);

  // The text exists (its buffer was allocated or the string is a deliberate empty one
  // built from empty text).
  bool IsValid() const { return string_.Buffer != nullptr; }
  PUNICODE_STRING Get() { return &string_; }
  const UNICODE_STRING& View() const { return string_; }

  // Frees an owned buffer and leaves the empty, bufferless string.
  void Release();

 private:
  bool Allocate(ULONG capacityBytes);
  void CopyFrom(const UNICODE_STRING& source);
  void Terminate();

  UNICODE_STRING string_;
  BOOLEAN owned_;
};
