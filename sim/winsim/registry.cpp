// The registry's keys and values.
#include "sim/winsim/registry.h"

#include <cstring>

#include "sim/winsim/os_profile.h"

namespace winsim {

namespace {

constexpr size_t kMaxKeyName = 255;

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return text;
}

std::vector<std::string> Split(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    size_t end = path.find('\\', start);
    parts.push_back(path.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

}  // namespace

Registry::Registry() {
  for (const char* root : {"HKCR", "HKCU", "HKLM", "HKU"}) {
    auto key = std::make_unique<Key>();
    key->id = nextId_++;
    key->name = root;
    roots_[root] = std::move(key);
  }
}

void Registry::Boot(const OsProfile& profile) {
  bool created = false;
  const std::string current = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion";
  for (const char* key : {"\\Run", "\\Uninstall"}) CreateKey(current + key, &created);
  if (FindValue(current, "ProgramFilesDir") == nullptr) {
    const char folder[] = "C:\\Program Files";
    SetValue(current, "ProgramFilesDir", Value{REG_SZ, std::string(folder, sizeof folder)});
  }
  CreateKey("HKLM\\System\\CurrentControlSet\\Services", &created);
  if (profile.IsNt()) {
    CreateKey("HKLM\\System\\CurrentControlSet\\Control\\Session Manager", &created);
    CreateKey("HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion", &created);
  }
  CreateKey("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", &created);
}

std::string Registry::RootName(HKEY root) {
  if (root == HKEY_CLASSES_ROOT) return "HKCR";
  if (root == HKEY_CURRENT_USER) return "HKCU";
  if (root == HKEY_LOCAL_MACHINE) return "HKLM";
  if (root == HKEY_USERS) return "HKU";
  return "";
}

bool Registry::Join(const std::string& base, const std::string& relative, std::string* path) {
  if (relative.empty()) {
    *path = base;
    return true;
  }
  // A trailing separator is ignored, as Windows ignores it.
  std::string rest = relative;
  if (rest.back() == '\\') rest.pop_back();
  for (const std::string& part : Split(rest))
    if (part.empty() || part.size() > kMaxKeyName) return false;
  *path = base + "\\" + rest;
  return true;
}

Registry::Key* Registry::Find(const std::string& path) const {
  std::vector<std::string> parts = Split(path);
  auto root = roots_.find(Upper(parts[0]));
  if (root == roots_.end()) return nullptr;
  Key* key = root->second.get();
  for (size_t i = 1; i < parts.size(); ++i) {
    auto sub = key->subkeys.find(Upper(parts[i]));
    if (sub == key->subkeys.end()) return nullptr;
    key = sub->second.get();
  }
  return key;
}

uint64_t Registry::KeyId(const std::string& path) const {
  Key* key = Find(path);
  return key ? key->id : 0;
}

bool Registry::CreateKey(const std::string& path, bool* created) {
  std::vector<std::string> parts = Split(path);
  auto root = roots_.find(Upper(parts[0]));
  if (root == roots_.end()) return false;
  Key* key = root->second.get();
  *created = false;
  for (size_t i = 1; i < parts.size(); ++i) {
    std::unique_ptr<Key>& sub = key->subkeys[Upper(parts[i])];
    if (!sub) {
      sub = std::make_unique<Key>();
      sub->id = nextId_++;
      sub->name = parts[i];
      *created = true;
    } else {
      *created = false;
    }
    key = sub.get();
  }
  return true;
}

size_t Registry::SubkeyCount(const std::string& path) const {
  Key* key = Find(path);
  return key ? key->subkeys.size() : 0;
}

std::vector<std::string> Registry::SubkeyNames(const std::string& path) const {
  std::vector<std::string> names;
  if (Key* key = Find(path))
    for (auto& [upper, sub] : key->subkeys) names.push_back(sub->name);
  return names;
}

bool Registry::DeleteTree(const std::string& path) {
  size_t split = path.rfind('\\');
  if (split == std::string::npos) return false;  // a root
  Key* parent = Find(path.substr(0, split));
  return parent != nullptr && parent->subkeys.erase(Upper(path.substr(split + 1))) == 1;
}

bool Registry::SetValue(const std::string& path, const std::string& name, const Value& value) {
  Key* key = Find(path);
  if (key == nullptr) return false;
  key->values[Upper(name)] = {name, value};
  return true;
}

const Registry::Value* Registry::FindValue(const std::string& path, const std::string& name) const {
  Key* key = Find(path);
  if (key == nullptr) return nullptr;
  auto found = key->values.find(Upper(name));
  return found == key->values.end() ? nullptr : &found->second.second;
}

bool Registry::DeleteValue(const std::string& path, const std::string& name) {
  Key* key = Find(path);
  return key != nullptr && key->values.erase(Upper(name)) == 1;
}

std::vector<std::string> Registry::ValueNames(const std::string& path) const {
  std::vector<std::string> names;
  if (Key* key = Find(path))
    for (auto& [upper, named] : key->values) names.push_back(named.first);
  return names;
}

std::string Registry::ValueText(const std::string& path, const std::string& name) const {
  const Value* value = FindValue(path, name);
  if (value == nullptr) return "";
  if (value->type == REG_DWORD && value->data.size() == 4) {
    uint32_t number;
    std::memcpy(&number, value->data.data(), 4);
    return std::to_string(number);
  }
  return value->data.substr(0, value->data.find('\0'));
}

}  // namespace winsim
