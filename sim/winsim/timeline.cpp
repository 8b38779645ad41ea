// Timeline lines and their quoting.
#include "sim/winsim/timeline.h"

#include <cstdio>

namespace winsim {

void Timeline::Add(const std::string& event) {
  std::string line = std::to_string(clock_) + " " + event;
  if (sink_)
    sink_(line);
  else
    lines_.push_back(std::move(line));
}

std::string Quote(const std::string& text) {
  std::string quoted = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': quoted += "\\\""; break;
      case '\\': quoted += "\\\\"; break;
      case '\r': quoted += "\\r"; break;
      case '\n': quoted += "\\n"; break;
      case '\t': quoted += "\\t"; break;
      default:
        if (c < 0x20 || c >= 0x7F) {
          // Octal, always three digits: a hex escape would swallow a following digit.
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\%03o", c);
          quoted += escaped;
        } else {
          quoted += char(c);
        }
    }
  }
  return quoted + "\"";
}

}  // namespace winsim
