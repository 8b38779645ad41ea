// The registry of the simulated PC: keys under the four roots, their values, and who may
// change what.
//
// Paths name a root by its short name and the keys below it, "HKLM\Software\Microsoft";
// names compare without regard to ASCII case and keep the case they were created with. Each
// key has an identity of its own, so a handle to a key that was deleted stays dead even when a
// key of the same name is created again.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace winsim {

struct OsProfile;

class Registry {
 public:
  struct Value {
    DWORD type = REG_NONE;
    std::string data;  // the bytes as stored
  };

  Registry();
  // The keys and values every Windows of the profile's family has before any program runs.
  void Boot(const OsProfile& profile);

  // The root's short name ("HKLM") for a predefined handle, or "" for any other.
  static std::string RootName(HKEY root);
  // "HKLM" + "Software\X" → "HKLM\Software\X"; false when `relative` is malformed (an empty
  // component, a leading or doubled separator, or a name longer than 255 characters).
  static bool Join(const std::string& base, const std::string& relative, std::string* path);

  // 0 when the key does not exist; otherwise its identity, which never repeats.
  uint64_t KeyId(const std::string& path) const;
  // Creates the key and any missing parents; `created` tells whether the key itself was new.
  bool CreateKey(const std::string& path, bool* created);
  size_t SubkeyCount(const std::string& path) const;
  std::vector<std::string> SubkeyNames(const std::string& path) const;
  // Removes the key with everything beneath it; false when it is missing or a root.
  bool DeleteTree(const std::string& path);

  bool SetValue(const std::string& path, const std::string& name, const Value& value);
  const Value* FindValue(const std::string& path, const std::string& name) const;
  bool DeleteValue(const std::string& path, const std::string& name);
  std::vector<std::string> ValueNames(const std::string& path) const;

  // For tests and the timeline: a REG_SZ or REG_EXPAND_SZ value as text up to its first NUL,
  // a REG_DWORD in decimal; "" when missing.
  std::string ValueText(const std::string& path, const std::string& name) const;

 private:
  struct Key {
    uint64_t id = 0;
    std::string name;
    std::map<std::string, std::unique_ptr<Key>> subkeys;          // by upper-case name
    std::map<std::string, std::pair<std::string, Value>> values;  // by upper-case name
  };
  Key* Find(const std::string& path) const;

  std::map<std::string, std::unique_ptr<Key>> roots_;
  uint64_t nextId_ = 1;
};

}  // namespace winsim
