// A program's compiled resources (a .res file from the resource compiler), and the icon and
// menu handles loaded from them. The simulated PC loads what Windows would load.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32.h"

namespace winsim {

constexpr WORD kResourceMenu = 4;
constexpr WORD kResourceDialog = 5;
constexpr WORD kResourceString = 6;
constexpr WORD kResourceRawData = 10;  // RT_RCDATA
constexpr WORD kResourceGroupIcon = 14;

class ResourceModule {
 public:
  // Reads a .res file; false (and nothing loaded) when it is missing or malformed.
  bool Load(const std::string& hostPath);
  // The data of the resource with a numeric type and id, or null.
  const std::string* Find(WORD type, WORD id) const;
  // Adds or replaces one resource (a program image's raw data, for instance).
  void Add(WORD type, WORD id, const std::string& data) { resources_[{type, id}] = data; }
  // The ids of every resource of a numeric type, in ascending order.
  std::vector<WORD> IdsOf(WORD type) const;
  size_t Count() const { return resources_.size(); }
  // Whether `data` is one of this module's resources (what FindResourceA handed out).
  bool Holds(const std::string* data) const {
    for (const auto& [key, held] : resources_)
      if (&held == data) return true;
    return false;
  }
  bool HasType(WORD type) const {
    for (const auto& [key, held] : resources_)
      if (key.first == type) return true;
    return false;
  }

 private:
  std::map<std::pair<WORD, WORD>, std::string> resources_;
};

// Icon handles name the resource they came from, so the timeline can say which icon shows.
HICON IconHandle(WORD resourceId);
WORD IconResourceId(HICON icon);  // 0 for handles not made by IconHandle

}  // namespace winsim
