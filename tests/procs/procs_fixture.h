// A fresh simulated PC of a chosen Windows version for each test, with the test's code run
// as the simulated program "C:\T.exe", so that its handles and libraries have an owner.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "sim/winsim/os_profile.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/windows_pc.h"

namespace procs_test {

constexpr char kProgram[] = "C:\\T.exe";

class ProcsTest : public ::testing::Test {
 protected:
  void TearDown() override { Shutdown(); }

  winsim::WindowsPc& Boot(const std::string& os) {
    winsim::OsProfile profile{};
    if (!winsim::ProfileByName(os, &profile)) ADD_FAILURE() << "no profile named " << os;
    return Boot(profile);
  }
  winsim::WindowsPc& Boot(const winsim::OsProfile& profile) {
    Shutdown();
    char pattern[] = "/tmp/procs-test-XXXXXX";
    if (mkdtemp(pattern) == nullptr) ADD_FAILURE() << "no sandbox";
    sandbox_ = pattern;
    pc_ = std::make_unique<winsim::WindowsPc>(sandbox_, profile, 1033, nullptr, nullptr);
    return *pc_;
  }
  winsim::WindowsPc& Pc() { return *pc_; }

  // Runs `code` as the whole program "C:\T.exe"; returns the program's process id.
  DWORD InProgram(const std::function<void()>& code) {
    winsim::SimProcess& program = pc_->StartProgram(kProgram, [&] {
      code();
      return 0;
    });
    EXPECT_FALSE(program.running) << "the program waited instead of ending";
    return program.pid;
  }
  // The running program's own process record (on its thread only).
  winsim::SimProcess& Self() { return *pc_->FindProcess(pc_->CurrentPid()); }

  // Ends every process, the system's own too.
  void EndAllProcesses() {
    for (winsim::SimProcess* process : pc_->Processes()) pc_->EndProcess(*process, 0);
  }

  std::vector<std::string> expectedViolations_;

 private:
  void Shutdown() {
    if (pc_) {
      pc_->ShutDown();  // what a program left behind is a leak
      EXPECT_EQ(std::vector<std::string>{}, pc_->Stubs());
      EXPECT_EQ(expectedViolations_, pc_->Violations());
      EXPECT_EQ(std::vector<std::string>{}, pc_->Leaks());
    }
    pc_.reset();
    if (!sandbox_.empty()) std::filesystem::remove_all(sandbox_);
    sandbox_.clear();
  }

  std::string sandbox_;
  std::unique_ptr<winsim::WindowsPc> pc_;
};

}  // namespace procs_test
