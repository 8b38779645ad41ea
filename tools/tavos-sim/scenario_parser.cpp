// Scenario lines to statements: tokens (words and C-escaped strings), then one rule per keyword.
#include "tools/tavos-sim/scenario_parser.h"

#include <cctype>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "sim/machine/tavos_machine.h"
#include "sim/notebook/notebook_keys.h"
#include "sim/winsim/timeline.h"

namespace tavos_scenario {

namespace {

// A word, or a string with its escapes resolved.
struct Token {
  bool quoted = false;
  std::string value;
};

// A name a scenario may use, and the value it stands for.
struct Name {
  const char* name;
  uint8_t value;
};

// Every statement's keyword, for the hint when one is written in another case.
constexpr const char* kKeywords[] = {
    "os",    "lang",  "driver", "ec",     "file",   "start", "exit",    "process",
    "press", "media", "hold",   "release", "wait",  "dump",  "tray",    "choose",
    "system", "type", "key",    "close",  "screen", "pick",  "command",
};

std::string LowerCase(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

constexpr Name kHotKeys[] = {
    {"internet", sim::kHotKeyInternet},   {"mail", sim::kHotKeyEmail},
    {"user", sim::kHotKeyUser},           {"search", sim::kHotKeySearch},
    {"video", sim::kHotKeyVideoRecorder}, {"mp3", sim::kHotKeyMp3},
};

constexpr Name kMediaButtons[] = {
    {"record", sim::kMediaRecord}, {"enter", sim::kMediaEnter}, {"next", sim::kMediaNext},
    {"prev", sim::kMediaPrev},     {"stop", sim::kMediaStop},
};

// Windows' VK_ names without the prefix; letters and digits are their own codes.
constexpr Name kKeyNames[] = {
    {"BACK", 0x08},        {"TAB", 0x09},         {"RETURN", 0x0D},    {"ENTER", 0x0D},
    {"SHIFT", 0x10},       {"CONTROL", 0x11},     {"CTRL", 0x11},      {"MENU", 0x12},
    {"ALT", 0x12},         {"PAUSE", 0x13},       {"CAPITAL", 0x14},   {"ESCAPE", 0x1B},
    {"ESC", 0x1B},         {"SPACE", 0x20},       {"PRIOR", 0x21},     {"NEXT", 0x22},
    {"END", 0x23},         {"HOME", 0x24},        {"LEFT", 0x25},      {"UP", 0x26},
    {"RIGHT", 0x27},       {"DOWN", 0x28},        {"SNAPSHOT", 0x2C},  {"INSERT", 0x2D},
    {"DELETE", 0x2E},      {"LWIN", 0x5B},        {"RWIN", 0x5C},      {"APPS", 0x5D},
    {"F1", 0x70},          {"F2", 0x71},          {"F3", 0x72},        {"F4", 0x73},
    {"F5", 0x74},          {"F6", 0x75},          {"F7", 0x76},        {"F8", 0x77},
    {"F9", 0x78},          {"F10", 0x79},         {"F11", 0x7A},       {"F12", 0x7B},
    {"NUMLOCK", 0x90},     {"SCROLL", 0x91},      {"LSHIFT", 0xA0},    {"RSHIFT", 0xA1},
    {"LCONTROL", 0xA2},    {"RCONTROL", 0xA3},    {"LMENU", 0xA4},     {"RMENU", 0xA5},
    {"VOLUME_MUTE", 0xAD}, {"VOLUME_DOWN", 0xAE}, {"VOLUME_UP", 0xAF},
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Scenario text inside a message: quoted as the timeline quotes (no raw control bytes reach
// the terminal), and cut short so one long word cannot flood it.
std::string Shown(const std::string& text) {
  constexpr size_t kMaxShown = 40;
  if (text.size() <= kMaxShown) return winsim::Quote(text);
  return winsim::Quote(text.substr(0, kMaxShown)) + "...";
}

std::string Upper(std::string text) {
  for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// One line: its tokens, then the statement they make; the first error found is reported.
class LineParser {
 public:
  LineParser(const std::string& text, int line, ScenarioError* error)
      : text_(text), line_(line), error_(error) {}

  bool Tokenize(std::vector<Token>* tokens) {
    size_t i = 0;
    const size_t n = text_.size();
    while (i < n) {
      char c = text_[i];
      if (IsBlank(c)) {
        ++i;
      } else if (c == '#') {
        break;
      } else if (c == '"') {
        Token token;
        token.quoted = true;
        if (!ReadString(&i, &token.value)) return false;
        if (i < n && !IsBlank(text_[i]) && text_[i] != '#')
          return Fail("expected a space after the closing quote");
        tokens->push_back(token);
      } else {
        Token token;
        while (i < n && !IsBlank(text_[i]) && text_[i] != '#' && text_[i] != '"')
          token.value += text_[i++];
        if (i < n && text_[i] == '"') return Fail("expected a space before the opening quote");
        tokens->push_back(token);
      }
    }
    return true;
  }

  bool Parse(const std::vector<Token>& tokens, Statement* statement) {
    tokens_ = &tokens;
    statement->line = line_;
    if (tokens[0].quoted) return Fail("a statement starts with a keyword, not a string");
    keyword_ = tokens[0].value;
    const std::string& k = keyword_;
    Statement& s = *statement;
    if (k == "os") {
      s.op = Op::Os;
      if (!Count(1, 1) || !Word(1, "a Windows version")) return false;
      s.os = tokens[1].value;
      if (!tavos_sim::IsKnownOs(s.os))
        return Fail("unknown Windows version " + Shown(s.os) +
                    " (95, 98, me, nt351, nt4, 2000 or xp)");
    } else if (k == "lang") {
      s.op = Op::Lang;
      if (!Count(1, 1) || !Number(1, kMaxLanguage, "a language id", &s.number)) return false;
    } else if (k == "driver") {
      s.op = Op::Driver;
      if (!Count(1, 1) || !Word(1, "loaded or absent")) return false;
      if (tokens[1].value == "loaded")
        s.driverLoaded = true;
      else if (tokens[1].value == "absent")
        s.driverLoaded = false;
      else
        return Fail("expected loaded or absent, found " + Shown(tokens[1].value));
    } else if (k == "ec") {
      s.op = Op::Ec;
      if (!Count(1, 2) || !Word(1, "ready, busy N or stuck")) return false;
      const std::string& mode = tokens[1].value;
      if (mode == "busy") {
        s.ec = EcMode::Busy;
        if (tokens.size() < 3) return Fail("busy needs the number of status reads");
        if (!Number(2, kMaxBusyReads, "a number of status reads", &s.number)) return false;
      } else if (mode == "ready" || mode == "stuck") {
        s.ec = mode == "ready" ? EcMode::Ready : EcMode::Stuck;
        if (!Count(1, 1)) return false;
      } else {
        return Fail("expected ready, busy N or stuck, found " + Shown(mode));
      }
    } else if (k == "file") {
      s.op = Op::File;
      if (!Count(2, 2) || !String(1, "the path") || !String(2, "the bytes")) return false;
      s.path = tokens[1].value;
      s.text = tokens[2].value;
    } else if (k == "start" || k == "exit") {
      s.op = k == "start" ? Op::Start : Op::Exit;
      if (!Count(0, 0)) return false;
    } else if (k == "process") {
      s.op = Op::Process;
      if (!Count(1, 1) || !String(1, "the program's name or path")) return false;
      std::string why;
      if (!ProcessPath(tokens[1].value, &s.path, &why))
        return Fail(Shown(tokens[1].value) + ": " + why);
    } else if (k == "press" || k == "media") {
      s.op = k == "press" ? Op::Press : Op::Media;
      if (!Count(1, tokens.size())) return false;
      for (size_t i = 1; i < tokens.size(); ++i) {
        uint8_t bit = 0;
        if (!Word(i, "a key name")) return false;
        if (k == "press" ? !Lookup(kHotKeys, tokens[i].value, &bit)
                         : !Lookup(kMediaButtons, tokens[i].value, &bit))
          return Fail("unknown " + std::string(k == "press" ? "hot key" : "media button") + " " +
                      Shown(tokens[i].value) +
                      (k == "press" ? " (internet, mail, user, search, video or mp3)"
                                    : " (record, enter, next, prev or stop)"));
        s.number |= bit;
      }
    } else if (k == "hold" || k == "release") {
      s.op = k == "hold" ? Op::Hold : Op::Release;
      if (!Count(1, 1) || !Word(1, "a key")) return false;
      uint8_t vk = 0;
      if (!KeyCode(tokens[1].value, &vk))
        return Fail("unknown key " + Shown(tokens[1].value) +
                    " (a letter, a digit, a name such as LWIN, or 0x01 to 0xFE)");
      s.number = vk;
    } else if (k == "wait") {
      s.op = Op::Wait;
      if (!Count(1, 1) || !Number(1, kMaxVirtualMs, "milliseconds", &s.number)) return false;
    } else if (k == "dump") {
      s.op = Op::Dump;
      if (!Count(1, 1) || !String(1, "the path")) return false;
      s.path = tokens[1].value;
    } else if (k == "tray") {
      s.op = Op::Tray;
      if (!Count(1, 1) || !Word(1, "right, left or double")) return false;
      s.text = tokens[1].value;
      if (s.text != "right" && s.text != "left" && s.text != "double")
        return Fail("expected right, left or double, found " + Shown(s.text));
    } else if (k == "choose") {
      s.op = Op::Choose;
      if (!Count(1, 1) || !String(1, "the choice")) return false;
      s.text = tokens[1].value;
    } else if (k == "system") {
      s.op = Op::System;
      if (!Count(1, 3) || !Word(1, "ctrl+esc or ctrl+alt+del")) return false;
      s.text = tokens[1].value;
      if (s.text != "ctrl+esc" && s.text != "ctrl+alt+del")
        return Fail("expected ctrl+esc or ctrl+alt+del, found " + Shown(s.text));
      if (tokens.size() == 2) return true;
      if (tokens.size() != 4 || tokens[2].quoted || tokens[2].value != "after")
        return Fail("expected after N (the events the next playback has played) or nothing");
      if (!Number(3, kMaxPlaybackEvents, "a number of events", &s.number)) return false;
    } else if (k == "type") {
      s.op = Op::Type;
      if (!Count(1, 1) || !String(1, "the text")) return false;
      s.text = tokens[1].value;
      if (s.text.size() > kMaxTyped)
        return Fail("an edit box takes at most " + std::to_string(kMaxTyped) + " characters");
      // A one-line edit box takes no line breaks or other control characters from the keyboard.
      for (char c : s.text)
        if (static_cast<unsigned char>(c) < 0x20)
          return Fail("a one-line edit box takes no control characters");
    } else if (k == "key") {
      s.op = Op::Key;
      if (!Count(1, 1) || !Word(1, "enter or esc")) return false;
      s.text = tokens[1].value;
      if (s.text != "enter" && s.text != "esc")
        return Fail("expected enter or esc, found " + Shown(s.text));
    } else if (k == "close" || k == "screen") {
      s.op = k == "close" ? Op::Close : Op::Screen;
      if (!Count(0, 0)) return false;
    } else if (k == "pick") {
      s.op = Op::Pick;
      if (!Count(1, 1)) return false;
      if (!tokens[1].quoted) {
        if (tokens[1].value != "cancel")
          return Fail("expected \"PATH\" or cancel, found " + Shown(tokens[1].value));
        s.text.clear();
      } else {
        std::string why;
        if (tokens[1].value.find('\\') == std::string::npos)
          return Fail(Shown(tokens[1].value) +
                      ": the file dialog answers with a full path, such as C:\\Tools\\A.EXE");
        if (!ProcessPath(tokens[1].value, &s.text, &why))
          return Fail(Shown(tokens[1].value) + ": " + why);
      }
    } else if (k == "command") {
      s.op = Op::Command;
      if (!Count(1, 1) || !Number(1, kMaxCommand, "a command id", &s.number)) return false;
    } else {
      keyword_.clear();
      const std::string lower = LowerCase(tokens[0].value);
      for (const char* known : kKeywords)
        if (lower == known)
          return Fail("unknown statement " + Shown(tokens[0].value) +
                      " (keywords are lower case: " + known + ")");
      return Fail("unknown statement " + Shown(tokens[0].value));
    }
    return true;
  }

 private:
  bool Fail(const std::string& message) {
    error_->line = line_;
    error_->message = keyword_.empty() ? message : keyword_ + ": " + message;
    return false;
  }

  // From the opening quote at *i to just past the closing one.
  bool ReadString(size_t* i, std::string* value) {
    const size_t n = text_.size();
    size_t p = *i + 1;
    while (true) {
      if (p >= n) return Fail("unterminated string");
      char c = text_[p];
      if (c == '"') break;
      if (c != '\\') {
        *value += c;
        ++p;
        continue;
      }
      if (p + 1 >= n) return Fail("unterminated string");
      char e = text_[p + 1];
      p += 2;
      switch (e) {
        case '\\':
          *value += '\\';
          break;
        case '"':
          *value += '"';
          break;
        case 'n':
          *value += '\n';
          break;
        case 'r':
          *value += '\r';
          break;
        case 't':
          *value += '\t';
          break;
        case 'x': {
          // Exactly two digits: a longer run would be ambiguous with the text after it.
          int high = p < n ? HexValue(text_[p]) : -1;
          int low = p + 1 < n ? HexValue(text_[p + 1]) : -1;
          if (high < 0 || low < 0) return Fail("\\x needs two hex digits");
          *value += char(high * 16 + low);
          p += 2;
          break;
        }
        default: {
          if (e < '0' || e > '7') {
            // A byte that would not print is named by its value, so messages stay readable.
            unsigned char byte = static_cast<unsigned char>(e);
            // Most often a Windows path: its backslashes must be doubled.
            if (byte > 0x20 && byte < 0x7F)
              return Fail(std::string("unknown escape \\") + e +
                          " (write a backslash as \\\\, as in \"C:\\\\Tools\")");
            char value[8];
            std::snprintf(value, sizeof value, "0x%02X", byte);
            return Fail(std::string("unknown escape: \\ followed by byte ") + value);
          }
          int code = e - '0';
          for (int digits = 1; digits < 3 && p < n && text_[p] >= '0' && text_[p] <= '7'; ++digits)
            code = code * 8 + (text_[p++] - '0');
          if (code > 0xFF) return Fail("octal escape above \\377");
          *value += char(code);
        }
      }
    }
    *i = p + 1;
    return true;
  }

  bool Count(size_t min, size_t max) {
    size_t arguments = tokens_->size() - 1;
    if (arguments < min) return Fail(min == 1 ? "missing argument" : "missing arguments");
    if (arguments > max) return Fail("too many arguments");
    return true;
  }

  bool Word(size_t i, const std::string& what) {
    if ((*tokens_)[i].quoted) return Fail("expected " + what + ", found a string");
    return true;
  }

  bool String(size_t i, const std::string& what) {
    if (!(*tokens_)[i].quoted) return Fail("expected " + what + " in double quotes");
    return true;
  }

  // Decimal or 0x hex, at most `max`; digits are checked one by one so nothing overflows.
  bool Number(size_t i, uint64_t max, const std::string& what, uint64_t* value) {
    if (!Word(i, what)) return false;
    const std::string& word = (*tokens_)[i].value;
    bool hex = word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X');
    size_t start = hex ? 2 : 0;
    uint64_t result = 0;
    for (size_t p = start; p < word.size(); ++p) {
      int digit = hex ? HexValue(word[p]) : (word[p] >= '0' && word[p] <= '9' ? word[p] - '0' : -1);
      if (digit < 0) return Fail("expected " + what + ", found " + Shown(word));
      result = result * (hex ? 16 : 10) + uint64_t(digit);
      if (result > max)
        return Fail(Shown(word) + " is out of range (0 to " + std::to_string(max) + ")");
    }
    *value = result;
    return true;
  }

  template <size_t N>
  static bool Lookup(const Name (&names)[N], const std::string& name, uint8_t* value) {
    for (const Name& entry : names) {
      if (name == entry.name) {
        *value = entry.value;
        return true;
      }
    }
    return false;
  }

  const std::string& text_;
  int line_;
  ScenarioError* error_;
  const std::vector<Token>* tokens_ = nullptr;
  std::string keyword_;
};

}  // namespace

bool ProcessPath(const std::string& name, std::string* path, std::string* why) {
  if (name.empty()) {
    *why = "an empty name";
    return false;
  }
  bool full = name.find('\\') != std::string::npos;
  if (full && !(name.size() >= 3 && std::isalpha(static_cast<unsigned char>(name[0])) &&
                name[1] == ':' && name[2] == '\\')) {
    *why = "a path starts with a drive, such as C:\\";
    return false;
  }
  // Characters no Windows file name holds; the drive's colon is the one allowed.
  for (size_t i = 0; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (c < 0x20 || std::strchr("/*?\"<>|", c) != nullptr || (c == ':' && !(full && i == 1))) {
      *why = "no file name holds " + winsim::Quote(std::string(1, char(c)));
      return false;
    }
    if (c == '\\' && i + 1 < name.size() && name[i + 1] == '\\') {
      *why = "an empty folder name";
      return false;
    }
  }
  if (name.back() == '\\') {
    *why = "a folder, not a program";
    return false;
  }
  *path = full ? name : "C:\\WINDOWS\\" + name;
  if (path->size() > kMaxProcessPath) {
    *why = "the path is longer than " + std::to_string(kMaxProcessPath) + " characters";
    return false;
  }
  return true;
}

bool KeyCode(const std::string& name, uint8_t* vk) {
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
    *vk = uint8_t(std::toupper(static_cast<unsigned char>(name[0])));
    return true;
  }
  if (name.size() >= 3 && name.size() <= 4 && name[0] == '0' &&
      (name[1] == 'x' || name[1] == 'X')) {
    int code = 0;
    for (size_t p = 2; p < name.size(); ++p) {
      int digit = HexValue(name[p]);
      if (digit < 0) return false;
      code = code * 16 + digit;
    }
    // 0x00 and 0xFF are no keys.
    if (code == 0 || code == 0xFF) return false;
    *vk = uint8_t(code);
    return true;
  }
  std::string upper = Upper(name);
  for (const Name& entry : kKeyNames) {
    if (upper == entry.name) {
      *vk = entry.value;
      return true;
    }
  }
  return false;
}

bool ParseLine(const std::string& text, int line, Statement* statement, bool* empty,
               ScenarioError* error) {
  LineParser parser(text, line, error);
  std::vector<Token> tokens;
  if (!parser.Tokenize(&tokens)) return false;
  *empty = tokens.empty();
  if (tokens.empty()) return true;
  *statement = Statement();
  return parser.Parse(tokens, statement);
}

ParseResult ParseScenario(const std::string& text) {
  ParseResult result;
  bool started = false;
  int line = 0;
  // Notepad starts a file saved as UTF-8 with a byte-order mark.
  size_t begin = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  while (begin <= text.size()) {
    size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    ++line;
    Statement statement;
    bool empty = false;
    if (!ParseLine(text.substr(begin, end - begin), line, &statement, &empty, &result.error)) {
      result.ok = false;
      result.statements.clear();
      return result;
    }
    if (!empty) {
      if (statement.op == Op::Os && started) {
        result.ok = false;
        result.statements.clear();
        result.error = ScenarioError{line, kOsAfterStart};
        return result;
      }
      if (statement.op == Op::Start) started = true;
      result.statements.push_back(statement);
    }
    begin = end + 1;
  }
  return result;
}

}  // namespace tavos_scenario
