// Fuzzes the settings-file reader: any bytes as SelectFile.ini, read with every key and buffer
// size the program uses, and the section and key lists with small buffers. Buffers are
// exactly their declared size, so the sanitizers catch a write past the end; every answer
// must be terminated inside its buffer and no longer than the return value says.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz/fuzz_pc.h"

namespace {

constexpr char kPath[] = "C:\\WINDOWS\\SelectFile.ini";

void Read(const char* section, const char* key, const char* fallback, DWORD size) {
  std::unique_ptr<char[]> buffer(new char[size]);
  std::memset(buffer.get(), 0x55, size);
  DWORD length = GetPrivateProfileStringA(section, key, fallback, buffer.get(), size, kPath);
  if (length >= size || buffer[length] != '\0') std::abort();
  // Lists end with two terminators; plain values with one, right after the text.
  if (section != nullptr && key != nullptr && std::strlen(buffer.get()) != length) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzPc().Files().WriteFile(kPath, std::string(reinterpret_cast<const char*>(data), size));
  Read("ENABLESTART", "CHECK", nullptr, 80);
  Read("ENABLEMUTE", "CHECK", "", 41);
  Read("ENABLEMUTE", "MUTE", "", 41);
  Read("ENABLEMUTE", "CHECK", nullptr, 80);
  Read("USERDEFINE", "EXECUTE", "EXECUTE", 40);
  Read("USERDEFINE", "EXECUTE", "EXECUTE", 80);
  Read("BRIGHTNESS", "LEVEL", "", 41);
  Read(nullptr, nullptr, "", 16);
  Read("ENABLEMUTE", nullptr, "", 8);
  Read("USERDEFINE", "EXECUTE", "", 1);
  return 0;
}
