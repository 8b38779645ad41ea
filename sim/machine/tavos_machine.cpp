// The simulated notebook with Tavos on it.
#include "sim/machine/tavos_machine.h"

#include <cstdio>
#include <filesystem>

#include "app/hot_key_app.h"
#include "sim/kernel/driver_imports.h"
#include "sim/machine/outside_programs.h"
#include "sim/machine/tray_clicks.h"
#include "sim/winsim/keyboard.h"
#include "sim/winsim/notification_area.h"
#include "sim/winsim/scripted_user.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/window_manager.h"

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT, PUNICODE_STRING);

namespace tavos_sim {

namespace {

constexpr char kTavosPath[] = "C:\\Program Files\\Tavos\\Tavos.exe";
constexpr char kNotepadPath[] = "C:\\WINDOWS\\NOTEPAD.EXE";
constexpr char kBrowserPath[] = "C:\\Program Files\\Plus!\\Microsoft Internet\\Iexplore.exe";
constexpr WPARAM kExitCommand = 58112;

winsim::OsProfile ProfileOf(const std::string& name) {
  winsim::OsProfile profile;
  if (!winsim::ProfileByName(name, &profile)) winsim::ProfileByName("xp", &profile);
  return profile;
}

}  // namespace

bool IsKnownOs(const std::string& name) {
  winsim::OsProfile profile;
  return winsim::ProfileByName(name, &profile);
}

Machine::Machine(const MachineOptions& options) : options_(options) {
  std::filesystem::create_directories(options.sandbox);
  pc_ = std::make_unique<winsim::WindowsPc>(options.sandbox, ProfileOf(options.os),
                                            options.language, &notebook_, &kernel_);
  notebook_.Ec().SetAcceptListener([this] { ReportEcTraffic(false); });
  pc_->SetPauseObserver([this](bool) { ReportEcTraffic(true); });
  InstallStandardPrograms();
  InstallOutsidePrograms(*pc_);
  if (options.driverLoaded) SetDriverLoaded(true);
}

Machine::~Machine() { SwitchOff(); }

void Machine::SwitchOff() {
  if (switchedOff_) return;
  switchedOff_ = true;
  pc_->ShutDown();  // programs end first, closing their device handles
  for (const std::string& leak : pc_->Leaks()) switchOffProblems_.push_back("switch-off: " + leak);
  if (kernel_.Io().DriverLoaded()) {
    NTSTATUS status = kernel_.Io().UnloadDriver();
    if (!NT_SUCCESS(status)) {
      char code[16];
      std::snprintf(code, sizeof code, "0x%08X", unsigned(status));
      switchOffProblems_.push_back(std::string("switch-off: portio refused to unload (") + code +
                                   ")");
      return;
    }
  }
  // With no driver loaded nothing may hold pool any more.
  if (size_t blocks = kernel_.Pool().OutstandingBlocks())
    switchOffProblems_.push_back("switch-off: " + std::to_string(blocks) +
                                 " pool blocks still allocated after portio unloaded");
}

// The programs the hot keys start, where Windows of either language keeps them, and the
// shell's associations: text files open in Notepad, web pages and addresses in the browser.
void Machine::InstallStandardPrograms() {
  for (const char* path : {"C:\\Program Files\\Plus!\\Microsoft Internet\\Iexplore.exe",
                           "C:\\Program Files\\Outlook Express\\Msimn.exe",
                           "C:\\Programme\\Plus!\\Microsoft Internet\\Iexplore.exe",
                           "C:\\Programme\\Outlook Express\\Msimn.exe", kNotepadPath, kTavosPath}) {
    if (path == kTavosPath && !options_.tavosInstalled) continue;
    pc_->Files().WriteFile(path, "MZ");
  }
  pc_->Associate(".txt", kNotepadPath);
  for (const char* type : {".htm", ".html", "http:", "https:"}) pc_->Associate(type, kBrowserPath);
}

bool Machine::SetOs(const std::string& name) {
  winsim::OsProfile profile;
  if (!winsim::ProfileByName(name, &profile)) return false;
  pc_->SetProfile(profile);
  return true;
}

bool Machine::SetDriverLoaded(bool loaded) {
  if (loaded == kernel_.Io().DriverLoaded()) return true;
  // The loader resolves portio's imports against this NT version's kernel, as Windows does.
  const winsim::OsProfile& profile = pc_->Profile();
  if (profile.IsNt()) kernel_.Io().SetNtVersion({profile.major, profile.minor});
  NTSTATUS status = loaded ? kernel_.Io().LoadDriver(DriverEntry, sim::PortioImports())
                           : kernel_.Io().UnloadDriver();
  return NT_SUCCESS(status);
}

void Machine::StartTavos() {
  // Declared to the loader as the shipped image declares them.
  pc_->StartProgram(
      kTavosPath, [] { return TavosMain(); }, options_.resourceFile, winsim::ListedImports());
}

void Machine::PressHotKeys(uint8_t bits) { notebook_.HotKeys().Press(bits); }

void Machine::PressMediaButtons(uint8_t bits) { notebook_.MediaButtons().Press(bits); }

// A physical key: the system's keyboard changes, and the key message goes to the window the
// user types into, as any key input does.
void Machine::Hold(uint8_t vk) {
  winsim::DeliverKeyEvent(vk, false, true);
  pc_->Settle();
}

void Machine::Release(uint8_t vk) {
  winsim::DeliverKeyEvent(vk, true, true);
  pc_->Settle();
}

void Machine::Wait(uint64_t milliseconds) { pc_->Advance(milliseconds); }

HWND Machine::TavosFrame() const {
  for (winsim::SimProcess* process : pc_->Processes()) {
    if (process->thread == nullptr || process->exePath != kTavosPath) continue;
    for (HWND hwnd : pc_->Windows().WindowsOf(process->thread.get())) {
      winsim::SimWindow* window = pc_->Windows().Find(hwnd);
      if (window->parent == nullptr && (window->style & WS_CAPTION) &&
          window->className.rfind("Afx:", 0) == 0)
        return hwnd;
    }
  }
  return nullptr;
}

bool Machine::Exit() {
  HWND frame = TavosFrame();
  if (frame == nullptr) return false;
  pc_->Events().Add("exit");
  PostMessageA(frame, WM_COMMAND, kExitCommand, 0);
  pc_->Settle();
  return true;
}

bool Machine::ClickTray(const std::string& click) {
  const std::vector<UINT> mouse = TrayClickMessages(click);
  if (mouse.empty()) return false;
  const auto& icons = pc_->Tray().Icons();
  if (icons.empty()) return false;
  // A click outside an open popup menu closes it first, without a choice.
  if (winsim::UserClicksOutsideMenu(*pc_)) pc_->Settle();
  // The shell posts the icon's callback message with the mouse message in lParam.
  const winsim::NotificationArea::Icon icon = icons.front();
  for (UINT message : mouse)
    PostMessageA(icon.hwnd, icon.callbackMessage, icon.id, LPARAM(message));
  pc_->Settle();
  return true;
}

void Machine::PressSystemKeys(const std::string& keys, int afterEvents) {
  pc_->PressSystemKeys(keys, afterEvents);
  pc_->Settle();
}

// The mouse reaches any dialog on screen, not only the one on top; a dialog that owns the
// one on top is disabled meanwhile and loses the click. A menu on top takes every click.
bool Machine::Choose(const std::string& text) {
  const std::vector<winsim::Surface>& surfaces = pc_->Windows().Surfaces();
  for (size_t i = surfaces.size(); i-- > 0;) {
    winsim::Surface surface = surfaces[i];  // a copy: the choice may close it
    if (surface.choose(text)) {
      pc_->Settle();
      return true;
    }
    if (surface.kind == "menu") return false;
  }
  return false;
}

bool Machine::Command(uint16_t id) {
  HWND frame = TavosFrame();
  if (frame == nullptr) return false;
  pc_->Events().Add("command " + std::to_string(id));
  PostMessageA(frame, WM_COMMAND, id, 0);
  pc_->Settle();
  return true;
}

std::string Machine::Type(const std::string& text) {
  std::string why = winsim::UserType(*pc_, text);
  if (why.empty()) pc_->Settle();
  return why;
}

std::string Machine::Key(const std::string& key) {
  std::string why = winsim::UserKey(*pc_, key);
  if (why.empty()) pc_->Settle();
  return why;
}

std::string Machine::Close() {
  std::string why = winsim::UserClose(*pc_);
  if (why.empty()) pc_->Settle();
  return why;
}

std::string Machine::Pick(const std::string& path) {
  std::string why = winsim::UserPick(*pc_, path);
  if (why.empty()) pc_->Settle();
  return why;
}

bool Machine::Screen() {
  std::vector<std::string> lines = winsim::DescribeScreen(*pc_);
  if (lines.empty()) lines.push_back("screen none");
  for (const std::string& line : lines) pc_->Events().Add(line);
  return lines.front() != "screen none";
}

bool Machine::WriteFile(const std::string& winPath, const std::string& bytes) {
  return pc_->Files().WriteFile(winPath, bytes);
}

void Machine::Dump(const std::string& winPath) {
  std::string bytes;
  if (!pc_->Files().ReadFile(winPath, &bytes)) {
    pc_->Events().Add("dump " + winsim::Quote(winPath) + " missing");
    return;
  }
  bool hidden = pc_->Files().Attributes(winPath) & FILE_ATTRIBUTE_HIDDEN;
  pc_->Events().Add("dump " + winsim::Quote(winPath) + " " + winsim::Quote(bytes) +
                    (hidden ? " hidden" : ""));
}

// The controller's accepted bytes as timeline lines, as they are accepted. A command still
// waiting for its data byte is reported alone once the program pauses (`final`).
void Machine::ReportEcTraffic(bool final) {
  const auto& transactions = notebook_.Ec().Transactions();
  const uint64_t dropped = notebook_.Ec().TransactionsDropped();
  // Reported after every accepted byte, so none is dropped before it is reported.
  if (ecReported_ < dropped) ecReported_ = dropped;
  while (ecReported_ < dropped + transactions.size()) {
    const sim::EcTransaction& t = transactions[ecReported_ - dropped];
    bool last = ecReported_ + 1 == dropped + transactions.size();
    if (last && t.hasCommand && !t.hasData && !final) break;
    char line[48];
    if (t.hasCommand && t.hasData)
      std::snprintf(line, sizeof line, "ec 0x%02X 0x%02X", t.command, t.data);
    else if (t.hasCommand)
      std::snprintf(line, sizeof line, "ec 0x%02X", t.command);
    else
      std::snprintf(line, sizeof line, "ec data 0x%02X", t.data);
    pc_->Events().Add(line);
    ++ecReported_;
  }
}

std::vector<std::string> Machine::Problems() const {
  std::vector<std::string> problems;
  for (const std::string& stub : pc_->Stubs()) problems.push_back("stub: " + stub);
  for (const std::string& violation : pc_->Violations())
    problems.push_back("violation: " + violation);
  for (const std::string& fault : const_cast<sim::SimKernel&>(kernel_).Faults().All())
    problems.push_back("kernel: " + fault);
  problems.insert(problems.end(), switchOffProblems_.begin(), switchOffProblems_.end());
  return problems;
}

}  // namespace tavos_sim
