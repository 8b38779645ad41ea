// Boots the whole program on a simulated notebook; each test gets its own drive C:.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "sim/machine/drive_folder.h"
#include "sim/machine/tavos_machine.h"
#include "sim/winsim/notification_area.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/sound_card.h"
#include "sim/winsim/window_manager.h"

namespace tavos_test {

class TavosTest : public ::testing::Test {
 protected:
  // Switching off reports what the programs left behind; any problem fails the test.
  void TearDown() override {
    if (machine_) {
      machine_->SwitchOff();
      EXPECT_EQ(std::vector<std::string>{}, machine_->Problems());
    }
    machine_.reset();
    drive_.reset();
  }

  // A fresh machine: `os` and `language` as in a scenario, portio loaded or not.
  tavos_sim::Machine& Boot(const std::string& os = "xp", uint16_t language = 1033,
                           bool driverLoaded = true) {
    drive_ = std::make_unique<tavos_sim::DriveFolder>();
    std::string error;
    EXPECT_TRUE(drive_->Create("", &error)) << error;
    tavos_sim::MachineOptions options;
    options.sandbox = drive_->Path();
    options.os = os;
    options.language = language;
    options.driverLoaded = driverLoaded;
    options.resourceFile = TAVOS_RESOURCE_FILE;
    machine_ = std::make_unique<tavos_sim::Machine>(options);
    return *machine_;
  }

  tavos_sim::Machine& M() { return *machine_; }

  // Timeline lines from `from` on, optionally only those starting (after the time) with `kind`.
  std::vector<std::string> Lines(const std::string& kind = "", size_t from = 0) const {
    std::vector<std::string> lines;
    const auto& all = machine_->Timeline();
    for (size_t i = from; i < all.size(); ++i) {
      std::string event = all[i].substr(all[i].find(' ') + 1);
      if (kind.empty() || event.compare(0, kind.size(), kind) == 0) lines.push_back(all[i]);
    }
    return lines;
  }

  // The file's bytes through the simulated PC ("" when missing).
  std::string FileText(const std::string& winPath) {
    std::string bytes;
    machine_->Pc().Files().ReadFile(winPath, &bytes);
    return bytes;
  }

 private:
  std::unique_ptr<tavos_sim::DriveFolder> drive_;
  std::unique_ptr<tavos_sim::Machine> machine_;
};

}  // namespace tavos_test
