// What a user, the hardware or a reviewer could observe, one line each, stamped with the
// virtual time in milliseconds: "650 shell open "Iexplore.exe" dir "C:\..."".
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace winsim {

class Timeline {
 public:
  explicit Timeline(const uint64_t& clock) : clock_(clock) {}
  void Add(const std::string& event);
  const std::vector<std::string>& Lines() const { return lines_; }
  void Clear() { lines_.clear(); }
  // Hands every new line to `sink` instead of keeping it, so that a day-long scenario whose
  // lines are printed as they come holds none of them; an empty sink keeps lines again.
  void StreamTo(std::function<void(const std::string&)> sink) { sink_ = std::move(sink); }

 private:
  const uint64_t& clock_;
  std::vector<std::string> lines_;
  std::function<void(const std::string&)> sink_;
};

// A string as a double-quoted C literal: the timeline's and the scenarios' one quoting rule.
std::string Quote(const std::string& text);

}  // namespace winsim
