// A simulated notebook without Tavos, on which the setup runs as the user would start it. The
// setup's image carries stand-ins for Tavos.exe and portio.sys: files whose bytes the simulated
// PC knows as the real program and the real driver, so that an installed Tavos runs TavosMain
// and a started service loads portio's own code. A second build of the setup carries a second
// build of each, for upgrades.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/hot_key_app.h"
#include "setup/setup_main.h"
#include "sim/kernel/security.h"
#include "sim/machine/drive_folder.h"
#include "sim/machine/tavos_machine.h"
#include "sim/winsim/scripted_user.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/window_manager.h"

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT, PUNICODE_STRING);

namespace setup_test {

// The bytes of each build's files.
inline std::string SetupImage(int build) {
  return "MZ TavosSetup.exe build " + std::to_string(build);
}
inline std::string TavosImage(int build) { return "MZ Tavos.exe build " + std::to_string(build); }
inline std::string DriverImage(int build) { return "MZ portio.sys build " + std::to_string(build); }

constexpr char kSetupPath[] = "C:\\Setup\\TavosSetup.exe";
constexpr char kUpgradePath[] = "C:\\Setup2\\TavosSetup.exe";
constexpr char kInstalled[] = "C:\\Program Files\\Tavos";

class SetupTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (machine_) {
      EXPECT_EQ(std::vector<std::string>{}, machine_->Problems());
      EXPECT_EQ(0, machine_->Pc().Com().liveObjects) << "a COM object was not released";
      EXPECT_EQ(0, machine_->Pc().Com().shellBlocks) << "an item list was not freed";
    }
    machine_.reset();
    drive_.reset();
  }

  // A notebook with `os`, no Tavos and no driver, and both builds of the setup on drive C:.
  tavos_sim::Machine& Boot(const std::string& os) {
    // One machine at a time: the one before goes first, with its drive.
    if (machine_) {
      EXPECT_EQ(std::vector<std::string>{}, machine_->Problems());
    }
    machine_.reset();
    drive_ = std::make_unique<tavos_sim::DriveFolder>();
    std::string error;
    EXPECT_TRUE(drive_->Create("", &error)) << error;
    tavos_sim::MachineOptions options;
    options.sandbox = drive_->Path();
    options.os = os;
    options.driverLoaded = false;
    options.tavosInstalled = false;
    options.resourceFile = TAVOS_RESOURCE_FILE;
    machine_ = std::make_unique<tavos_sim::Machine>(options);
    winsim::WindowsPc& pc = machine_->Pc();
    for (int build : {1, 2}) {
      pc.InstallProgramImage(
          TavosImage(build),
          {[] { return TavosMain(); }, TAVOS_RESOURCE_FILE, {}, winsim::ListedImports()});
      pc.InstallProgramImage(SetupImage(build), {[] { return setup::SetupMain(); },
                                                 "",
                                                 {{1, TavosImage(build)}, {2, DriverImage(build)}},
                                                 winsim::SetupListedImports()});
      pc.Services().AddDriverImage(DriverImage(build), DriverEntry);
    }
    EXPECT_TRUE(pc.Files().WriteFile(kSetupPath, SetupImage(1)));
    EXPECT_TRUE(pc.Files().WriteFile(kUpgradePath, SetupImage(2)));
    return *machine_;
  }

  tavos_sim::Machine& M() { return *machine_; }
  winsim::WindowsPc& Pc() { return machine_->Pc(); }

  // Starts `program` with `arguments` as the user would, and lets the machine run (in virtual
  // time) until no process of the setup's image is left: the setup, and for an uninstall
  // Uninstall.exe and its copy. Each message box on the way is answered with the next of
  // `answers` and its text kept in `shown`. The exit code of `program`; -1 when it would not
  // start or the setup never finished.
  long Run(const std::string& program, const std::string& arguments,
           std::vector<std::string> answers = {}) {
    DWORD error = 0;
    winsim::SimProcess* process = Pc().Launch(
        program, "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments), &error);
    if (process == nullptr) {
      ADD_FAILURE() << program << " did not start: error " << error;
      return -1;
    }
    for (int step = 0; step < 3000; ++step) {
      if (winsim::Surface* surface = Pc().Windows().TopSurface()) {
        if (answers.empty()) {
          ADD_FAILURE() << "unanswered: " << winsim::DescribeWaiting(Pc());
          return -1;
        }
        EXPECT_TRUE(surface->choose(answers.front())) << answers.front();
        answers.erase(answers.begin());
      }
      if (!SetupRunning() && Pc().Windows().TopSurface() == nullptr) return long(process->exitCode);
      Pc().Advance(100);
    }
    ADD_FAILURE() << "the setup never finished";
    return -1;
  }

  bool SetupRunning() const {
    for (winsim::SimProcess* process : machine_->Pc().Processes()) {
      std::string bytes;
      machine_->Pc().Files().ReadFile(process->exePath, &bytes);
      if (bytes == SetupImage(1) || bytes == SetupImage(2)) return true;
    }
    return false;
  }

  // The running Tavos processes.
  std::vector<winsim::SimProcess*> RunningTavos() {
    std::vector<winsim::SimProcess*> running;
    for (winsim::SimProcess* process : Pc().Processes())
      if (process->ImageName() == "Tavos.exe") running.push_back(process);
    return running;
  }

  std::string File(const std::string& path) {
    std::string bytes;
    return Pc().Files().ReadFile(path, &bytes) ? bytes : "<missing>";
  }
  std::string Value(const std::string& key, const std::string& name) {
    return Pc().Reg().FindValue(key, name) ? Pc().Reg().ValueText(key, name) : "<missing>";
  }
  bool KeyExists(const std::string& key) { return Pc().Reg().KeyId(key) != 0; }
  // Where a shortcut points, read back through the shell's link object.
  std::string LinkTarget(const std::string& link) {
    if (!Pc().Files().IsFile(link)) return "<missing>";
    CoInitialize(nullptr);
    IPersistFile* file = nullptr;
    IShellLinkA* shellLink = nullptr;
    char path[MAX_PATH] = "<unreadable>";
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IPersistFile,
                                   reinterpret_cast<void**>(&file)))) {
      if (SUCCEEDED(file->Load(wide, 0)) &&
          SUCCEEDED(file->QueryInterface(IID_IShellLinkA, reinterpret_cast<void**>(&shellLink)))) {
        shellLink->GetPath(path, MAX_PATH, nullptr, 0);
        shellLink->Release();
      }
      file->Release();
    }
    CoUninitialize();
    return path;
  }

  // Timeline lines from `from` on that contain `text`.
  std::vector<std::string> Lines(const std::string& text, size_t from = 0) {
    std::vector<std::string> lines;
    const auto& all = machine_->Timeline();
    for (size_t i = from; i < all.size(); ++i)
      if (all[i].find(text) != std::string::npos)
        lines.push_back(all[i].substr(all[i].find(' ') + 1));
    return lines;
  }

 private:
  std::unique_ptr<tavos_sim::DriveFolder> drive_;
  std::unique_ptr<tavos_sim::Machine> machine_;
};

}  // namespace setup_test
