// The .res format: a sequence of entries, each a header (sizes, type, name, flags) and its
// data, every part aligned to four bytes. Only numeric types and names are kept.
#include "sim/winsim/resources.h"

#include <fstream>
#include <iterator>

namespace winsim {

namespace {

// Icon handles live in a range no other handle uses.
constexpr uintptr_t kIconBase = 0x7E0000;

uint32_t Dword(const std::string& bytes, size_t at) {
  return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 |
         uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24;
}

uint16_t Word(const std::string& bytes, size_t at) {
  return uint16_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8);
}

// A type or name field: 0xFFFF and an ordinal, or a NUL-terminated UTF-16 string.
// Returns false past the end; `numeric` tells which form it was.
bool ReadId(const std::string& bytes, size_t end, size_t* at, bool* numeric, WORD* id) {
  if (*at + 2 > end) return false;
  if (Word(bytes, *at) == 0xFFFF) {
    if (*at + 4 > end) return false;
    *numeric = true;
    *id = Word(bytes, *at + 2);
    *at += 4;
    return true;
  }
  *numeric = false;
  while (*at + 2 <= end) {
    WORD c = Word(bytes, *at);
    *at += 2;
    if (c == 0) return true;
  }
  return false;
}

}  // namespace

bool ResourceModule::Load(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  if (!in) return false;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::map<std::pair<WORD, WORD>, std::string> loaded;
  size_t at = 0;
  while (at + 8 <= bytes.size()) {
    uint32_t dataSize = Dword(bytes, at);
    uint32_t headerSize = Dword(bytes, at + 4);
    if (headerSize < 16 || headerSize % 4 || at + headerSize > bytes.size() ||
        dataSize > bytes.size() - at - headerSize)
      return false;
    size_t field = at + 8;
    bool typeNumeric = false, nameNumeric = false;
    WORD type = 0, name = 0;
    if (!ReadId(bytes, at + headerSize, &field, &typeNumeric, &type) ||
        !ReadId(bytes, at + headerSize, &field, &nameNumeric, &name))
      return false;
    if (typeNumeric && nameNumeric && type != 0)
      loaded[{type, name}] = bytes.substr(at + headerSize, dataSize);
    at += headerSize + ((dataSize + 3) & ~size_t(3));
  }
  if (at != bytes.size() && at < bytes.size()) return false;
  resources_ = std::move(loaded);
  return true;
}

const std::string* ResourceModule::Find(WORD type, WORD id) const {
  auto found = resources_.find({type, id});
  return found == resources_.end() ? nullptr : &found->second;
}

std::vector<WORD> ResourceModule::IdsOf(WORD type) const {
  std::vector<WORD> ids;
  for (const auto& [key, data] : resources_)
    if (key.first == type) ids.push_back(key.second);
  return ids;
}

HICON IconHandle(WORD resourceId) { return reinterpret_cast<HICON>(kIconBase + resourceId * 4); }

WORD IconResourceId(HICON icon) {
  uintptr_t value = reinterpret_cast<uintptr_t>(icon);
  if (value < kIconBase || value >= kIconBase + 0x10000 * 4 || value % 4) return 0;
  return WORD((value - kIconBase) / 4);
}

}  // namespace winsim
