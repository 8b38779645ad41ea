// The run-time library's counted-string services, with the kernel's own edge behaviour:
// lengths in bytes, terminators only where there is room, overflow statuses.
//
// The system code page is single-byte (byte b is U+00b) unless NlsMbCodePageTag is set;
// then bytes 0x81 to 0xFE lead a two-byte character, as in the East Asian code pages.
#include <cstring>
#include <string>

#include "platform/nt_kernel.h"
#include "sim/kernel/sim_kernel.h"

using sim::SimKernel;

BOOLEAN NlsMbCodePageTag = FALSE;

namespace {

constexpr NTSTATUS kStatusInvalidParameter2 = static_cast<NTSTATUS>(0xC00000F0L);
constexpr NTSTATUS kStatusNotImplemented = static_cast<NTSTATUS>(0xC0000002L);

bool IsLeadByte(UCHAR byte) { return NlsMbCodePageTag && byte >= 0x81 && byte <= 0xFE; }

// Wide characters of the text, without a terminator.
ULONG WideCharacters(PCANSI_STRING ansi) {
  ULONG count = 0;
  for (ULONG i = 0; i < ansi->Length; ++i, ++count)
    if (IsLeadByte(UCHAR(ansi->Buffer[i])) && i + 1 < ansi->Length) ++i;
  return count;
}

void ExpectPassive(const char* service) {
  SimKernel& kernel = SimKernel::Current();
  if (kernel.Cpu().Irql() != sim::Processor::kPassiveLevel)
    kernel.Faults().Report("IRQL_NOT_LESS_OR_EQUAL", std::string(service) + " above PASSIVE_LEVEL");
}

}  // namespace

VOID NTAPI RtlInitAnsiString(PANSI_STRING DestinationString, PCSZ SourceString) {
  if (SourceString == nullptr) {
    *DestinationString = ANSI_STRING{0, 0, nullptr};
    return;
  }
  size_t length = std::strlen(SourceString);
  if (length > 0xFFFE) length = 0xFFFE;
  DestinationString->Length = USHORT(length);
  DestinationString->MaximumLength = USHORT(length + 1);
  DestinationString->Buffer = const_cast<PCHAR>(SourceString);
}

VOID NTAPI RtlInitUnicodeString(PUNICODE_STRING DestinationString, const WCHAR* SourceString) {
  size_t length = 0;
  if (SourceString != nullptr)
    while (SourceString[length] != 0 && length < 0x7FFE) ++length;
  DestinationString->Length = USHORT(length * 2);
  DestinationString->MaximumLength = SourceString ? USHORT(length * 2 + 2) : 0;
  DestinationString->Buffer = const_cast<PWSTR>(SourceString);
}

ULONG NTAPI RtlxAnsiStringToUnicodeSize(PCANSI_STRING AnsiString) {
  ExpectPassive("RtlxAnsiStringToUnicodeSize");
  SimKernel::Current().CountMultiByteSizeQuery();
  return (WideCharacters(AnsiString) + 1) * sizeof(WCHAR);
}

NTSTATUS NTAPI RtlAnsiStringToUnicodeString(PUNICODE_STRING DestinationString,
                                            PCANSI_STRING SourceString,
                                            BOOLEAN AllocateDestinationString) {
  ExpectPassive("RtlAnsiStringToUnicodeString");
  ULONG total = (WideCharacters(SourceString) + 1) * sizeof(WCHAR);
  if (total > 0xFFFF) return kStatusInvalidParameter2;
  if (AllocateDestinationString) {
    // The driver builds its own buffers; allocating here would need RtlFreeUnicodeString.
    SimKernel::Current().Io();  // a kernel must be running, as for every service
    return kStatusNotImplemented;
  }
  if (total > DestinationString->MaximumLength) return STATUS_BUFFER_OVERFLOW;
  ULONG out = 0;
  for (ULONG i = 0; i < SourceString->Length; ++i) {
    UCHAR byte = UCHAR(SourceString->Buffer[i]);
    WCHAR wide = byte;
    if (IsLeadByte(byte) && i + 1 < SourceString->Length)
      wide = WCHAR(0x8000 | ((byte & 0x7F) << 8) | UCHAR(SourceString->Buffer[++i]));
    DestinationString->Buffer[out++] = wide;
  }
  DestinationString->Length = USHORT(out * sizeof(WCHAR));
  DestinationString->Buffer[out] = 0;
  return STATUS_SUCCESS;
}

NTSTATUS NTAPI RtlIntegerToUnicodeString(ULONG Value, ULONG Base, PUNICODE_STRING String) {
  if (Base == 0) Base = 10;
  if (Base != 2 && Base != 8 && Base != 10 && Base != 16) return STATUS_INVALID_PARAMETER;
  WCHAR digits[33];
  int start = 32;
  digits[32] = 0;
  do {
    ULONG digit = Value % Base;
    digits[--start] = WCHAR(digit < 10 ? '0' + digit : 'A' + digit - 10);
    Value /= Base;
  } while (Value != 0);
  USHORT length = USHORT((32 - start) * sizeof(WCHAR));
  String->Length = length;
  if (length >= String->MaximumLength) return STATUS_BUFFER_OVERFLOW;
  std::memcpy(String->Buffer, digits + start, length + sizeof(WCHAR));
  return STATUS_SUCCESS;
}

VOID NTAPI RtlCopyUnicodeString(PUNICODE_STRING DestinationString, PCUNICODE_STRING SourceString) {
  if (SourceString == nullptr) {
    DestinationString->Length = 0;
    return;
  }
  USHORT length = SourceString->Length < DestinationString->MaximumLength
                      ? SourceString->Length
                      : DestinationString->MaximumLength;
  std::memmove(DestinationString->Buffer, SourceString->Buffer, length);
  DestinationString->Length = length;
  if (length < DestinationString->MaximumLength) DestinationString->Buffer[length / 2] = 0;
}

NTSTATUS NTAPI RtlAppendUnicodeStringToString(PUNICODE_STRING Destination, PCUNICODE_STRING Source) {
  if (Source->Length == 0) return STATUS_SUCCESS;
  ULONG length = ULONG(Destination->Length) + Source->Length;
  if (length > Destination->MaximumLength) return STATUS_BUFFER_TOO_SMALL;
  std::memmove(reinterpret_cast<char*>(Destination->Buffer) + Destination->Length, Source->Buffer,
               Source->Length);
  Destination->Length = USHORT(length);
  if (length < Destination->MaximumLength) Destination->Buffer[length / 2] = 0;
  return STATUS_SUCCESS;
}
