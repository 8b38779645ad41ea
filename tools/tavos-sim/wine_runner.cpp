// The Wine leg of tavos-sim: statements to scenario-host commands, host events to timeline lines.
#include "tools/tavos-sim/wine_runner.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sim/winsim/timeline.h"
#include "tools/tavos-sim/wine_machine.h"

namespace tavos_scenario {

const char* const kWineObservedKinds[] = {
    "ec", "shell", "key", "dump", "exit", "timer", "tray", "menu", "dialog", "msgbox", "screen",
    "fileopen", "command", "process start \"Tavos.exe\"", "process end \"Tavos.exe\"",
    // The media programs' stand-ins (tests/wine).
    "process start \"MP3Player.exe\"", "process end \"MP3Player.exe\"",
    "process start \"PVCR.EXE\"", "process end \"PVCR.EXE\"", nullptr};

bool WineObserves(const std::string& line) {
  const size_t blank = line.find(' ');
  const std::string event = blank == std::string::npos ? line : line.substr(blank + 1);
  for (const char* const* kind = kWineObservedKinds; *kind; ++kind) {
    const size_t n = std::strlen(*kind);
    if (event.compare(0, n, *kind) == 0 && (event.size() == n || event[n] == ' ')) return true;
  }
  return false;
}

std::string ComparableLine(const std::string& line) {
  std::string out = line;
  const size_t pid = out.find(" pid=");
  if (pid != std::string::npos) out.erase(pid);
  // Wine's Windows directory is "C:\windows", Windows XP's "C:\WINDOWS" (docs/wine.md).
  const std::string windows = "C:\\\\WINDOWS\\\\";
  for (size_t at = 0; at + windows.size() <= out.size(); ++at) {
    bool same = true;
    for (size_t i = 0; i < windows.size() && same; ++i)
      same = std::toupper(static_cast<unsigned char>(out[at + i])) == windows[i];
    if (same) out.replace(at, windows.size(), windows);
  }
  return out;
}

namespace {

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  if (bytes.empty()) return "-";
  std::string hex;
  for (unsigned char c : bytes) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

bool Unhex(const std::string& hex, std::string* bytes) {
  bytes->clear();
  if (hex == "-") return true;
  if (hex.size() % 2 != 0) return false;
  for (size_t i = 0; i < hex.size(); i += 2) {
    char* end = nullptr;
    const std::string pair = hex.substr(i, 2);
    const unsigned long value = std::strtoul(pair.c_str(), &end, 16);
    if (end != pair.c_str() + 2) return false;
    *bytes += char(value);
  }
  return true;
}

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find(' ', at);
    if (end == std::string::npos) end = text.size();
    if (end > at) words.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return words;
}

std::string Byte(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value & 0xFF);
  return text;
}

// The probe's "screen ..." and "fileopen ..." events, whose strings travel as hex, as the
// timeline writes them: the words a form puts strings in are unhexed and quoted.
bool ScreenOrFileLine(const std::vector<std::string>& w, std::string* line) {
  std::string s;
  auto all = [&](size_t from, size_t to, std::string* out) {
    for (size_t i = from; i < to; ++i) {
      if (!Unhex(w[i], &s)) return false;
      *out += " " + winsim::Quote(s);
    }
    return true;
  };
  *line = w[0] + " " + (w.size() > 1 ? w[1] : "");
  const std::string form = w.size() > 1 ? w[1] : "";
  if (w[0] == "fileopen") {
    if (form == "cancel" && w.size() == 2) return true;
    if (form == "pick" && w.size() == 3) return all(2, 3, line);
    size_t name = 2;
    while (name < w.size() && w[name] != "name") ++name;
    return form == "filter" && name + 2 == w.size() && all(2, name, line) &&
           all(name + 1, w.size(), &(*line += " name"));
  }
  if ((form == "none" || form == "menu") && w.size() == 2) return true;
  if ((form == "item" || form == "name" || form == "msgbox" || form == "fileopen") && w.size() == 3)
    return all(2, 3, line);
  if (form == "filter") return all(2, w.size(), line);
  if (form == "dialog" && w.size() == 4) return all(3, 4, &(*line += " " + w[2]));
  if (form == "control" && w.size() >= 5) {
    *line += " " + w[2] + " " + w[3];
    if (!all(4, 5, line)) return false;
    for (size_t i = 5; i < w.size(); ++i) *line += " " + w[i];
    return true;
  }
  return false;
}

// The host command for a statement; empty with `*why` for one Wine cannot do.
std::string HostCommand(const Statement& s, std::string* why) {
  switch (s.op) {
    case Op::Os:
      if (s.os == "95" || s.os == "98" || s.os == "me")
        return *why = "os " + s.os +
                      ": the 95 family's direct port instructions do not reach our notebook under "
                      "Wine (Wine64 faults on IN and OUT, 32-bit Wine answers them itself); only "
                      "nt4, 2000 and xp run here",
               "";
      if (s.os == "nt351") return *why = "os nt351: Wine cannot report Windows NT 3.51", "";
      return "os " + s.os;
    case Op::Lang:
      // The host starts with the run's locale (RunScenarioOnWine), so nothing is left to do.
      return WineLocaleFor(unsigned(s.number), why).empty() ? "" : "lang";
    case Op::Driver:
      return std::string("driver ") + (s.driverLoaded ? "loaded" : "absent");
    case Op::Ec:
      if (s.ec == EcMode::Ready) return "ec ready";
      if (s.ec == EcMode::Stuck) return "ec stuck";
      return "ec busy " + std::to_string(s.number);
    case Op::File:
      return "file " + Hex(s.path) + " " + Hex(s.text);
    case Op::Start:
      return "start";
    case Op::Process:
      return "process " + Hex(s.path);
    case Op::Press:
      return "press " + Byte(unsigned(s.number));
    case Op::Media:
      return "media " + Byte(unsigned(s.number));
    case Op::System:
      // Tried: Wine 8.0 takes a journal-playback hook but never calls it, so no playback
      // runs that a key could cancel, and Ctrl+Esc and Ctrl+Alt+Del reach the window in front
      // as ordinary keys, with no WM_CANCELJOURNAL and the hook left installed.
      return *why =
                 "system: Wine never plays a journal-playback hook, and no key cancels one "
                 "(docs/wine.md)",
             "";
    case Op::Hold:
      return "hold " + Byte(unsigned(s.number));
    case Op::Release:
      return "release " + Byte(unsigned(s.number));
    case Op::Wait:
      return "wait " + std::to_string(s.number);
    case Op::Dump:
      return "dump " + Hex(s.path);
    case Op::Exit:
      return "exit";
    case Op::Tray:
      return "tray " + s.text;
    case Op::Choose:
      return "choose " + Hex(s.text);
    case Op::Type:
      return "type " + Hex(s.text);
    case Op::Key:
      return "key " + s.text;
    case Op::Close:
      return "close";
    case Op::Pick:
      return s.text.empty() ? "pick cancel" : "pick " + Hex(s.text);
    case Op::Command:
      return "command " + std::to_string(s.number);
    case Op::Screen:
      return "screen";
  }
  return *why = "not possible on Wine", "";
}

// The host as a child process with a pipe each way.
class Host {
 public:
  // `env`: entries ("NAME=VALUE") the host gets on top of ours.
  bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
             std::string* why) {
    int toHost[2], fromHost[2];
    if (pipe(toHost) != 0 || pipe(fromHost) != 0) return *why = "cannot make pipes", false;
    pid_ = fork();
    if (pid_ < 0) return *why = "cannot fork", false;
    if (pid_ == 0) {
      dup2(toHost[0], 0);
      dup2(fromHost[1], 1);
      close(toHost[0]);
      close(toHost[1]);
      close(fromHost[0]);
      close(fromHost[1]);
      for (const std::string& entry : env) putenv(const_cast<char*>(entry.c_str()));
      std::vector<char*> args;
      for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      execvp(args[0], args.data());
      _exit(127);
    }
    close(toHost[0]);
    close(fromHost[1]);
    in_ = fdopen(toHost[1], "w");
    out_ = fdopen(fromHost[0], "r");
    return true;
  }
  ~Host() {
    if (in_) fclose(in_);
    if (out_) fclose(out_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
  }
  bool Send(const std::string& line) {
    return std::fprintf(in_, "%s\n", line.c_str()) > 0 && std::fflush(in_) == 0;
  }
  // One line without its end; false at the end of the host's output. Over-long lines are cut.
  bool Read(std::string* line) {
    line->clear();
    for (int c; (c = std::fgetc(out_)) != EOF;) {
      if (c == '\n') {
        if (!line->empty() && line->back() == '\r') line->pop_back();
        return true;
      }
      if (line->size() < (4u << 20)) *line += char(c);
    }
    return !line->empty();
  }

 private:
  pid_t pid_ = -1;
  FILE* in_ = nullptr;
  FILE* out_ = nullptr;
};

}  // namespace

bool CheckWineStatements(const std::vector<Statement>& statements, ScenarioError* error) {
  // Whether the tray menu is open: a right click opens it; a choice, a key or a left click on
  // the icon closes it.
  bool menuOpen = false;
  for (const Statement& s : statements) {
    std::string why;
    const bool rightClickOnOpenMenu = s.op == Op::Tray && s.text == "right" && menuOpen;
    if (rightClickOnOpenMenu)
      why =
          "tray right: a right click outside the open tray menu does not close it on Wine (its "
          "menu loop ignores the right button unless TrackPopupMenu was given TPM_RIGHTBUTTON, "
          "win32u/menu.c), where Windows closes the menu and passes the click on "
          "(docs/wine.md)";
    if (rightClickOnOpenMenu || HostCommand(s, &why).empty()) {
      *error = ScenarioError{s.line, why};
      return false;
    }
    if (s.op == Op::Tray) menuOpen = s.text == "right";
    if (s.op == Op::Choose || s.op == Op::Key) menuOpen = false;
  }
  return CheckWineMachine(statements, error);
}

bool WineEventTranslator::Add(const std::string& hostLine, std::vector<std::string>* lines,
                              std::string* problem) {
  const size_t blank = hostLine.find(' ');
  if (hostLine.empty() || hostLine[0] != '@' || blank == std::string::npos)
    return *problem = "unexpected host line: " + hostLine, false;
  const std::string stamp = hostLine.substr(1, blank - 1);
  const std::vector<std::string> w = Words(hostLine.substr(blank + 1));
  auto emit = [&](const std::string& event) { lines->push_back(stamp + " " + event); };
  std::string a, b, c, d;
  if (w.empty()) return *problem = "empty host event", false;
  if (w[0] == "ec-data" && w.size() == 2) {
    const unsigned data = unsigned(std::strtoul(w[1].c_str(), nullptr, 16));
    if (pendingCommand_) {
      pendingCommand_ = false;
      emit("ec " + Byte(pendingByte_) + " " + Byte(data));
    } else {
      emit("ec data " + Byte(data));
    }
    return true;
  }
  Flush(lines);
  if (w[0] == "ec-cmd" && w.size() == 2) {
    pendingCommand_ = true;
    pendingByte_ = unsigned(std::strtoul(w[1].c_str(), nullptr, 16));
    pendingStamp_ = stamp;
  } else if (w[0] == "process-start" && w.size() == 3 && Unhex(w[1], &a)) {
    emit("process start " + winsim::Quote(a) + " pid=" + w[2]);
  } else if (w[0] == "process-end" && w.size() == 3 && Unhex(w[1], &a)) {
    emit("process end " + winsim::Quote(a) + " code=" + w[2]);
  } else if (w[0] == "timer-start" && w.size() == 3) {
    emit("timer start " + w[1] + " " + w[2]);
  } else if (w[0] == "timer-stop" && w.size() == 2) {
    emit("timer stop " + w[1]);
  } else if ((w[0] == "tray-add" || w[0] == "tray-modify") && w.size() >= 3 && Unhex(w[2], &a)) {
    emit(std::string("tray ") + (w[0] == "tray-add" ? "add" : "modify") + " icon=" + w[1] +
         " tip=" + winsim::Quote(a));
  } else if (w[0] == "shell" && w.size() == 5 && Unhex(w[1], &a) && Unhex(w[2], &b) &&
             Unhex(w[3], &c) && Unhex(w[4], &d)) {
    emit("shell " + a + " " + winsim::Quote(b) + " dir " + winsim::Quote(c) +
         (d.empty() ? "" : " args " + winsim::Quote(d)));
  } else if (w[0] == "key" && (w.size() == 3 || (w.size() == 4 && w[3] == "held"))) {
    emit("key " + w[1] + " " + w[2] + (w.size() == 4 ? " held" : ""));
  } else if (w[0] == "dump" && w.size() == 3 && w[2] == "missing" && Unhex(w[1], &a)) {
    emit("dump " + winsim::Quote(a) + " missing");
  } else if (w[0] == "dump" && (w.size() == 3 || (w.size() == 4 && w[3] == "hidden")) &&
             Unhex(w[1], &a) && Unhex(w[2], &b)) {
    emit("dump " + winsim::Quote(a) + " " + winsim::Quote(b) + (w.size() == 4 ? " hidden" : ""));
  } else if (w[0] == "menu") {
    std::string items;
    for (size_t i = 1; i < w.size(); ++i) {
      if (!Unhex(w[i], &a)) return *problem = "malformed menu: " + hostLine, false;
      items += " " + winsim::Quote(a);
    }
    emit("menu" + items);
  } else if (w[0] == "dialog-open" && w.size() == 2) {
    emit("dialog open " + w[1]);
  } else if (w[0] == "dialog-close" && w.size() == 3) {
    emit("dialog close " + w[1] + " result=" + w[2]);
  } else if (w[0] == "msgbox" && w.size() == 2 && Unhex(w[1], &a)) {
    emit("msgbox " + winsim::Quote(a));
  } else if (w[0] == "menu-dismissed" && w.size() == 1) {
    emit("menu dismissed");
  } else if (w[0] == "command" && w.size() == 2) {
    emit("command " + w[1]);
  } else if (w[0] == "fileopen" || w[0] == "screen") {
    if (!ScreenOrFileLine(w, &a)) return *problem = "malformed line: " + hostLine, false;
    emit(a);
  } else if (w[0] == "exit" && w.size() == 1) {
    emit("exit");
  } else if (w[0] == "journal-set" && w.size() == 1) {
    emit("journal set");  // Wine's own lines: the simulation has none of these
  } else if (w[0] == "journal-removed" && w.size() == 1) {
    emit("journal removed");
  } else if (w[0] == "journal-refused" && w.size() == 2) {
    emit("journal refused error=" + w[1]);
  } else if (w[0] == "recorder-key" && w.size() == 4 && Unhex(w[3], &a)) {
    emit("recorder key " + w[1] + " " + w[2] + " " + winsim::Quote(a));
  } else {
    // hal-fault, hal-error, probe-error and anything unknown: a problem of the run.
    return *problem = hostLine.substr(blank + 1), false;
  }
  return true;
}

void WineEventTranslator::Flush(std::vector<std::string>* lines) {
  if (!pendingCommand_) return;
  pendingCommand_ = false;
  lines->push_back(pendingStamp_ + " ec " + Byte(pendingByte_));
}

RunResult RunScenarioOnWine(const std::vector<Statement>& statements,
                            const std::vector<std::string>& hostCommand,
                            const std::function<void(const std::vector<std::string>&)>& onLines) {
  RunResult result;
  if (!CheckWineStatements(statements, &result.error)) {
    result.ok = false;
    return result;
  }
  signal(SIGPIPE, SIG_IGN);  // a host that died shows as a failed write, not as our end
  Host host;
  std::string why;
  // The language Tavos reports comes from the locale the host, its parent, starts with.
  const unsigned language = WineRunLanguage(statements);
  const std::string localeName = WineLocaleFor(language, &why);
  const std::string locale = localeName.empty() ? "" : PrepareWineLocale(localeName, &why);
  if (locale.empty() || !host.Start(hostCommand, {locale}, &why)) {
    result.problems.push_back("wine: " + why);
    return result;
  }
  WineEventTranslator translator;
  // First the host checks that Wine reports that language.
  std::string checked;
  char check[16];
  std::snprintf(check, sizeof check, "lang 0x%04X", language);
  if (!host.Send(check) || !host.Read(&checked) || checked != "done") {
    result.problems.push_back("wine: " + (checked.rfind("refused ", 0) == 0
                                              ? checked.substr(8)
                                              : "the scenario host did not start"));
    host.Send("end");
    return result;
  }
  for (const Statement& s : statements) {
    std::string command = HostCommand(s, &why);
    if (command == "lang") continue;  // the language Wine reports already
    std::vector<std::string> lines;
    std::string reply;
    bool answered = host.Send(command);
    while (answered && (answered = host.Read(&reply)) && reply != "done" &&
           reply.rfind("refused ", 0) != 0) {
      std::string problem;
      if (!translator.Add(reply, &lines, &problem)) result.problems.push_back("wine: " + problem);
    }
    translator.Flush(&lines);
    result.timeline.insert(result.timeline.end(), lines.begin(), lines.end());
    if (onLines && !lines.empty()) onLines(lines);
    if (!answered) {
      result.problems.push_back("wine: the scenario host ended without answering \"" + command +
                                "\"");
      return result;
    }
    if (reply != "done") {
      result.ok = false;
      result.error = ScenarioError{s.line, reply.substr(8)};
      break;
    }
  }
  host.Send("end");
  std::string rest;
  while (host.Read(&rest)) {
    if (rest == "done") continue;
    std::vector<std::string> ignored;
    std::string problem;
    if (!translator.Add(rest, &ignored, &problem)) result.problems.push_back("wine: " + problem);
  }
  return result;
}

}  // namespace tavos_scenario
