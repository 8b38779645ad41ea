// A whole simulated notebook running Tavos: the hardware, the NT kernel with portio, the
// Windows PC, and the program. What a scenario line does is one method here; what anyone
// could observe goes to the PC's timeline.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/kernel/sim_kernel.h"
#include "sim/notebook/notebook.h"
#include "sim/winsim/windows_pc.h"

namespace tavos_sim {

struct MachineOptions {
  std::string sandbox;    // host folder for drive C: (created if missing)
  std::string os = "xp";  // 95, 98, me, nt351, nt4, 2000, xp
  uint16_t language = 1033;
  bool driverLoaded = true;
  // Tavos.exe already in Program Files\Tavos, where the scenarios start it; off for a machine
  // that its setup installs it on.
  bool tavosInstalled = true;
  std::string resourceFile;  // the program's compiled resources
};

class Machine {
 public:
  explicit Machine(const MachineOptions& options);
  ~Machine();
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  sim::Notebook& Notebook() { return notebook_; }
  sim::SimKernel& Kernel() { return kernel_; }
  winsim::WindowsPc& Pc() { return *pc_; }

  // ---- the machine
  bool SetOs(const std::string& name);
  void SetLanguage(uint16_t language) { pc_->SetLanguage(language); }
  // Loads or unloads portio; false when the kernel refuses (unload with Tavos holding it).
  bool SetDriverLoaded(bool loaded);
  void SetEcReady() { notebook_.Ec().SetReady(); }
  void SetEcBusy(int statusReads) { notebook_.Ec().SetBusy(statusReads); }
  void SetEcBusy(int afterCommand, int afterData) {
    notebook_.Ec().SetBusy(afterCommand, afterData);
  }
  void SetEcStuck() { notebook_.Ec().SetStuck(); }

  // ---- the user and the hardware
  // Starts a copy of Tavos; it runs until it first waits.
  void StartTavos();
  void PressHotKeys(uint8_t bits);
  void PressMediaButtons(uint8_t bits);
  void Hold(uint8_t vk);
  void Release(uint8_t vk);
  void Wait(uint64_t milliseconds);
  // The EXIT command to the main frame of the running Tavos; false when none runs.
  bool Exit();
  // The user clicks the running Tavos's tray icon: "right", "left" or "double"; false when
  // there is no icon or no such click.
  bool ClickTray(const std::string& click);
  // Picks a choice in the menu on top, or clicks a control of a dialog or message box on
  // screen (the topmost that has it); false when nothing matches. A greyed control, or any
  // control of a dialog disabled under the one it owns, takes the click and does nothing.
  bool Choose(const std::string& text);
  // Ctrl+Esc or Ctrl+Alt+Del, now or (`afterEvents` > 0) while the next key playback runs;
  // the system cancels a running playback.
  void PressSystemKeys(const std::string& keys, int afterEvents);
  // WM_COMMAND `id` posted to the running Tavos's main frame, as another program could;
  // false when none runs.
  bool Command(uint16_t id);
  // The user at the surface on top (see winsim/scripted_user.h): "" when done, else why not.
  std::string Type(const std::string& text);
  std::string Key(const std::string& key);
  std::string Close();
  std::string Pick(const std::string& path);  // "" cancels
  // Adds what is on top to the timeline ("screen ..." lines, "screen none" when nothing
  // waits for the user); false in that last case.
  bool Screen();

  // ---- files
  // False when the path is not a file path on C: or a folder stands in its way.
  [[nodiscard]] bool WriteFile(const std::string& winPath, const std::string& bytes);
  // Adds "<ms> dump "PATH" "BYTES"[ hidden]" (or "missing") to the timeline.
  void Dump(const std::string& winPath);

  // The end of a run: every program ends and portio is unloaded, so that what goes wrong on
  // the way (a leak, a refused unload) is reported too. Only Problems() and Timeline() may be
  // asked afterwards; a second call does nothing.
  void SwitchOff();

  const std::vector<std::string>& Timeline() const { return pc_->Events().Lines(); }
  // Anything the simulation could not do, or a rule a program or driver broke.
  std::vector<std::string> Problems() const;
  // The main frame window of the first running Tavos, or null.
  HWND TavosFrame() const;

 private:
  void ReportEcTraffic(bool final);
  void InstallStandardPrograms();

  MachineOptions options_;
  sim::Notebook notebook_;
  sim::SimKernel kernel_{notebook_.Bus()};
  std::unique_ptr<winsim::WindowsPc> pc_;
  uint64_t ecReported_ = 0;  // transactions of the whole run already on the timeline
  bool switchedOff_ = false;
  std::vector<std::string> switchOffProblems_;
};

// Whether `os` names a Windows version the machine can be (95, 98, me, nt351, nt4, 2000, xp).
bool IsKnownOs(const std::string& name);

}  // namespace tavos_sim
