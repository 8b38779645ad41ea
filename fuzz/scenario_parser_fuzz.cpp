// Fuzzes the scenario parser with any text: it either names a line of the text and says what
// is wrong there in printable characters, or hands out statements whose values keep the
// language's bounds. Nothing runs, so each input costs only the parse.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "sim/machine/tavos_machine.h"
#include "tools/tavos-sim/scenario_parser.h"

namespace {

using tavos_scenario::Op;

int LineCount(const std::string& text) {
  int lines = 1;
  for (char c : text) lines += c == '\n';
  return lines;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  tavos_scenario::ParseResult result = tavos_scenario::ParseScenario(text);
  if (!result.ok) {
    Check(result.statements.empty());
    Check(result.error.line >= 1 && result.error.line <= LineCount(text));
    Check(!result.error.message.empty());
    for (char c : result.error.message) Check(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
    return 0;
  }
  bool started = false;
  int previousLine = 0;
  for (const tavos_scenario::Statement& s : result.statements) {
    Check(s.line > previousLine && s.line <= LineCount(text));
    previousLine = s.line;
    switch (s.op) {
      case Op::Os: Check(!started && tavos_sim::IsKnownOs(s.os)); break;
      case Op::Lang: Check(s.number <= tavos_scenario::kMaxLanguage); break;
      case Op::Ec: Check(s.number <= tavos_scenario::kMaxBusyReads); break;
      case Op::Wait: Check(s.number <= tavos_scenario::kMaxVirtualMs); break;
      case Op::Hold:
      case Op::Release: Check(s.number >= 0x01 && s.number <= 0xFE); break;
      case Op::Press:
      case Op::Media: Check(s.number != 0 && s.number <= 0x3F); break;
      case Op::Process: Check(!s.path.empty() && s.path.size() <= tavos_scenario::kMaxProcessPath); break;
      case Op::Tray: Check(s.text == "right" || s.text == "left" || s.text == "double"); break;
      case Op::Start: started = true; break;
      default: break;
    }
  }
  return 0;
}
