// Each statement as one Machine call, with the refusals the machine reports turned into
// scenario errors.
#include "tools/tavos-sim/scenario_runner.h"

#include <stdlib.h>

#include <filesystem>
#include <system_error>

#include "sim/winsim/window_manager.h"

namespace tavos_scenario {

namespace fs = std::filesystem;

ScenarioRunner::ScenarioRunner(const std::string& sandbox) {
  tavos_sim::MachineOptions options;
  options.sandbox = sandbox;
  options.os = kDefaultOs;
  options.language = kDefaultLanguage;
  options.driverLoaded = true;
  options.resourceFile = TAVOS_RESOURCE_FILE;
  machine_ = std::make_unique<tavos_sim::Machine>(options);
}

ScenarioRunner::~ScenarioRunner() = default;

std::vector<std::string> ScenarioRunner::TakeNewLines() {
  const std::vector<std::string>& all = machine_->Timeline();
  std::vector<std::string> lines(all.begin() + long(taken_), all.end());
  taken_ = all.size();
  return lines;
}

bool ScenarioRunner::Apply(const Statement& s, ScenarioError* error) {
  auto fail = [&](const std::string& message) {
    *error = ScenarioError{s.line, message};
    return false;
  };
  tavos_sim::Machine& m = *machine_;
  switch (s.op) {
    case Op::Os:
      if (starts_ > 0) return fail(kOsAfterStart);
      if (!m.SetOs(s.os)) return fail("os: unknown Windows version \"" + s.os + "\"");
      break;
    case Op::Lang:
      m.SetLanguage(uint16_t(s.number));
      break;
    case Op::Driver:
      if (!m.SetDriverLoaded(s.driverLoaded))
        return fail(s.driverLoaded ? "driver loaded: the kernel refused to load portio"
                                   : "driver absent: the kernel refused to unload portio "
                                     "(a running program holds it open)");
      break;
    case Op::Ec:
      if (s.ec == EcMode::Ready)
        m.SetEcReady();
      else if (s.ec == EcMode::Busy)
        m.SetEcBusy(int(s.number));
      else
        m.SetEcStuck();
      break;
    case Op::File:
      if (!m.WriteFile(s.path, s.text))
        return fail("file: cannot write " + winsim::Quote(s.path) +
                    " (not a file path on C:, or a folder or file stands in its way)");
      break;
    case Op::Start:
      if (starts_ >= kMaxStarts)
        return fail("start: at most " + std::to_string(kMaxStarts) + " copies of Tavos per run");
      ++starts_;
      m.StartTavos();
      break;
    case Op::Process:
      if (processes_ >= kMaxProcesses)
        return fail("process: at most " + std::to_string(kMaxProcesses) + " processes per run");
      ++processes_;
      m.Pc().StartPassiveProcess(s.path);
      break;
    case Op::Press:
      m.PressHotKeys(uint8_t(s.number));
      break;
    case Op::Media:
      m.PressMediaButtons(uint8_t(s.number));
      break;
    case Op::Hold:
      m.Hold(uint8_t(s.number));
      break;
    case Op::Release:
      m.Release(uint8_t(s.number));
      break;
    case Op::Wait:
      if (m.Pc().Now() + s.number > kMaxVirtualMs)
        return fail("wait: a run lasts at most " + std::to_string(kMaxVirtualMs) +
                    " ms of virtual time; it is at " + std::to_string(m.Pc().Now()) + " ms");
      m.Wait(s.number);
      break;
    case Op::Dump:
      m.Dump(s.path);
      break;
    case Op::Exit:
      if (!m.Exit()) return fail("exit: no Tavos is running");
      break;
    case Op::Tray:
      if (!m.ClickTray(s.text)) return fail("tray: there is no icon in the notification area");
      break;
    case Op::System:
      m.PressSystemKeys(s.text, int(s.number));
      break;
    case Op::Type:
    case Op::Key:
    case Op::Close:
    case Op::Pick: {
      const char* keyword = s.op == Op::Type    ? "type"
                            : s.op == Op::Key   ? "key"
                            : s.op == Op::Close ? "close"
                                                : "pick";
      std::string why = s.op == Op::Type    ? m.Type(s.text)
                        : s.op == Op::Key   ? m.Key(s.text)
                        : s.op == Op::Close ? m.Close()
                                            : m.Pick(s.text);
      if (!why.empty()) return fail(std::string(keyword) + ": " + why);
      break;
    }
    case Op::Command:
      if (!m.Command(uint16_t(s.number))) return fail("command: no Tavos is running");
      break;
    case Op::Screen:
      m.Screen();
      break;
    case Op::Choose: {
      if (m.Choose(s.text)) break;
      winsim::Surface* top = m.Pc().Windows().TopSurface();
      if (top == nullptr) return fail("choose: nothing on screen waits for a choice");
      std::string offered;
      for (const std::string& choice : top->choices)
        offered += (offered.empty() ? "" : ", ") + winsim::Quote(choice);
      return fail("choose: the " + top->kind + " on top offers no " + winsim::Quote(s.text) +
                  " (it offers " + (offered.empty() ? "nothing" : offered) + ")");
    }
  }
  return true;
}

RunResult RunScenario(const std::vector<Statement>& statements, const std::string& sandbox,
                      const std::function<void(const std::string&)>& onLine,
                      const ProgressFn& onProgress) {
  RunResult result;
  ScenarioRunner runner(sandbox);
  winsim::Timeline& timeline = runner.Machine().Pc().Events();
  if (onLine) {
    for (const std::string& line : timeline.Lines()) onLine(line);  // from setting the machine up
    result.lines = timeline.Lines().size();
    timeline.StreamTo([&](const std::string& line) {
      ++result.lines;
      onLine(line);
    });
  }
  for (const Statement& statement : statements) {
    if (!runner.Apply(statement, &result.error)) {
      result.ok = false;
      break;
    }
    ++result.statementsDone;
    if (onProgress)
      onProgress(result.statementsDone, statements.size(), runner.Machine().Pc().Now());
  }
  result.virtualMs = runner.Machine().Pc().Now();
  // What the machine adds while it is switched off is not part of the scenario's timeline.
  timeline.StreamTo(nullptr);
  if (!onLine) {
    result.timeline = runner.Machine().Timeline();
    result.lines = result.timeline.size();
  }
  runner.Machine().SwitchOff();
  result.problems = runner.Machine().Problems();
  return result;
}

namespace {

void ListFolder(winsim::FileSystem& files, const std::string& folder,
                std::vector<std::string>* out) {
  std::vector<std::string> names;
  if (!files.List(folder, &names)) return;
  for (const std::string& name : names) {
    std::string path = folder + name;
    if (files.IsDirectory(path)) {
      ListFolder(files, path + "\\", out);
      continue;
    }
    std::string bytes;
    files.ReadFile(path, &bytes);
    bool hidden = files.Attributes(path) & FILE_ATTRIBUTE_HIDDEN;
    out->push_back(path + " " + std::to_string(bytes.size()) + (hidden ? " hidden" : ""));
  }
}

}  // namespace

std::vector<std::string> ListFiles(tavos_sim::Machine& machine) {
  std::vector<std::string> lines;
  ListFolder(machine.Pc().Files(), "C:\\", &lines);
  return lines;
}

}  // namespace tavos_scenario
