// Fuzzes the [KEYS] value parser with any text, as every key: a value is either refused with a
// terminated sentence that fits its buffer, or read into an action whose argument fits its
// field; an action that takes no argument leaves the fields empty.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/hot_keys.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Text stops at its first NUL, as the profile functions hand it over.
  std::string value(reinterpret_cast<const char*>(data), size);
  value = value.c_str();
  for (size_t k = 0; k < tavos::kKeyCount; ++k) {
    const tavos::KeyRow& key = tavos::kKeys[k];
    tavos::KeyPress press;
    char why[64];
    std::memset(why, 0x5A, sizeof why);
    if (!tavos::ParseKeyValue(value.c_str(), key, &press, why, sizeof why - 8)) {
      Check(std::memchr(why, '\0', sizeof why - 8) != nullptr && why[0] != '\0');
      Check(why[sizeof why - 8] == 0x5A);
      continue;
    }
    Check(press.key == &key && press.action != nullptr && press.value == value.c_str());
    Check(value.size() <= tavos::kMaxKeyValue);
    const size_t target = strnlen(press.target, sizeof press.target);
    const size_t arguments = strnlen(press.arguments, sizeof press.arguments);
    Check(target < sizeof press.target && arguments < sizeof press.arguments);
    switch (press.action->argument) {
      case tavos::ActionArgument::kNone:
        Check(target == 0 && arguments == 0);
        break;
      case tavos::ActionArgument::kProgram:
      case tavos::ActionArgument::kDocument:
        Check(target > 0 && target <= tavos::kMaxKeyTarget &&
              std::strchr(press.target, '"') == nullptr);
        break;
      case tavos::ActionArgument::kKeyString:
        Check(target > 0 && arguments == 0);
        break;
    }
    for (size_t i = 0; i < target; ++i)
      Check(static_cast<unsigned char>(press.target[i]) >= 0x20 || press.target[i] == '\t');
  }
  return 0;
}
