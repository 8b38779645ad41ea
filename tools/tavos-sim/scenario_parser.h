// Scenario text to statements: one statement a line, checked for form and bounds before
// anything runs. The language is described in docs/scenarios.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tavos_scenario {

// Bounds: a scenario that asks for more is wrong, not slow.
// A whole run, and so any one wait, lasts at most a day of virtual time (about 8 s of real
// time with Tavos polling).
constexpr uint64_t kMaxVirtualMs = 24ull * 60 * 60 * 1000;
constexpr uint64_t kMaxBusyReads = 1000000;
constexpr uint64_t kMaxLanguage = 0xFFFF;
// A process path as Windows keeps it: at most MAX_PATH - 1 characters.
constexpr size_t kMaxProcessPath = 259;
// More events than any playback of a full key queue has.
constexpr uint64_t kMaxPlaybackEvents = 10000;
// What `type` may put into an edit box: the box's own limit.
constexpr size_t kMaxTyped = 32767;
constexpr uint64_t kMaxCommand = 0xFFFF;

// The defaults of a machine no `os`, `lang`, `driver` or `ec` statement changed.
constexpr char kDefaultOs[] = "xp";
constexpr uint16_t kDefaultLanguage = 1033;

// What `os` after a `start` is told: the parser says it for scripts, the runner for input
// given one line at a time.
constexpr char kOsAfterStart[] =
    "os after start: the Windows version is fixed once Tavos has started";

enum class Op {
  Os,
  Lang,
  Driver,
  Ec,
  File,
  Start,
  Process,
  Press,
  Media,
  Hold,
  Release,
  Wait,
  Dump,
  Exit,
  Tray,
  Choose,
  Type,
  Key,
  Close,
  Pick,
  Command,
  Screen,
  System
};
enum class EcMode { Ready, Busy, Stuck };

// One statement; only the fields of its operation are meaningful.
struct Statement {
  Op op = Op::Start;
  int line = 0;
  std::string os;             // Os
  bool driverLoaded = true;   // Driver
  EcMode ec = EcMode::Ready;  // Ec
  // Lang: the language id; Ec busy: status reads; Wait: milliseconds; Hold/Release: the
  // virtual-key code; Press/Media: the latch bits; Command: the command id; System: the
  // events a playback has played before the keys come (0: now).
  uint64_t number = 0;
  std::string path;  // File, Dump; Process: the program's full path
  // File: the bytes; Choose: the choice; Tray: right, left or double; Type: the text;
  // Key: enter or esc; Pick: the path ("" for cancel); System: ctrl+esc or ctrl+alt+del.
  std::string text;
};

// What is wrong with a scenario, and where: a malformed line, or one the machine refused.
struct ScenarioError {
  int line = 0;
  std::string message;
  std::string ToString() const { return "line " + std::to_string(line) + ": " + message; }
};

struct ParseResult {
  bool ok = true;
  std::vector<Statement> statements;
  ScenarioError error;  // the first error, when !ok
};

// A whole scenario. Stops at the first error.
ParseResult ParseScenario(const std::string& text);

// One line (numbered `line` in messages). `*empty` is set for blank and comment-only lines;
// false with `*error` filled when the line is malformed.
bool ParseLine(const std::string& text, int line, Statement* statement, bool* empty,
               ScenarioError* error);

// The full path a `process` name starts from: a name with a backslash is a full path, a bare
// file name lives in the Windows directory. False, with `*why`, when it is no usable path.
bool ProcessPath(const std::string& name, std::string* path, std::string* why);

// The names `press` takes, joined: "internet, mail, ... or mp3" with (", ", " or ").
std::string HotKeyNames(const std::string& separator, const std::string& last);

// The virtual-key code of a key name for `hold` and `release`: a letter or digit, a name
// such as LWIN or SHIFT (any case), or 0xNN. False when unknown.
bool KeyCode(const std::string& name, uint8_t* vk);

}  // namespace tavos_scenario
