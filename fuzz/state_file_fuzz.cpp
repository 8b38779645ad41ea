// Fuzzes the state-file reader through the simulated PC's text streams: any bytes as
// "C:\Tavos.ini" give the value worked out independently from the bytes.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>

#include "settings/settings_keys.h"
#include "fuzz/fuzz_pc.h"

namespace {

// The same answer worked out from the raw bytes: Windows' text mode (CR LF reads as LF, a
// Ctrl-Z ends the text), then fgets's limits of 40 and 20 characters, then the number.
double Expected(const std::string& bytes) {
  std::string text;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == 0x1A) break;
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text += bytes[i];
  }
  size_t at = 0;
  auto line = [&](size_t limit) {
    std::string result;
    while (at < text.size() && result.size() < limit) {
      result += text[at++];
      if (result.back() == '\n') break;
    }
    return result;
  };
  line(40);
  std::string second = line(20);
  // Microsoft's strtod: decimal numbers only.
  static const std::regex kDecimal(R"(^[ \t\n\v\f\r]*([+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?))");
  std::smatch number;
  if (!std::regex_search(second, number, kDecimal)) return 0.0;
  return std::strtod(number[1].str().c_str(), nullptr) == 1.0 ? 1.0 : 0.0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  winsim::WindowsPc& pc = FuzzPc();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  pc.Files().WriteFile(tavos::kStateFilePath, bytes);
  FILE* stream = fopen(tavos::kStateFilePath, "r");
  double state = tavos::ReadDisabledState(stream);
  if (stream != nullptr) std::fclose(stream);
  // Whatever the bytes, the answer is exactly 0.0 or 1.0, as the second line says.
  if (stream == nullptr) std::abort();
  double expected = Expected(bytes);
  if (state != expected) std::abort();
  return 0;
}
