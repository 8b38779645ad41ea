// The brightness dialog's controller path where the scenarios cannot reach: a version that
// cannot be read, and a controller that never takes a byte.
#include <functional>
#include <string>
#include <vector>

#include "tavos_fixture.h"

namespace tavos_test {
namespace {

constexpr uint16_t kBrightnessCommand = 32776;

// The dialog opened by its command, the dark bulb pressed once, the dialog closed.
void PressLevelUp(tavos_sim::Machine& m) {
  ASSERT_TRUE(m.Command(kBrightnessCommand));
  ASSERT_TRUE(m.Choose("Button2"));
  ASSERT_EQ("", m.Key("esc"));
}

// Windows 98 sends the level with port instructions; when the version cannot be read the
// dialog takes the driver path, which on a system without the NT kernel sends nothing.
TEST_F(TavosTest, AnUnreadableVersionSendsTheLevelThroughTheDriverPath) {
  Boot("98");
  M().StartTavos();
  PressLevelUp(M());
  EXPECT_EQ(std::vector<std::string>{"0 ec 0xCA 0x01"}, Lines("ec 0xCA"));
  M().Pc().FailVersionQueries(2);  // both of the dialog's queries
  PressLevelUp(M());
  EXPECT_EQ(std::vector<std::string>{"0 ec 0xCA 0x01"}, Lines("ec 0xCA")) << "no port was touched";
  EXPECT_NE(std::string::npos, FileText("C:\\WINDOWS\\SelectFile.ini").find("LEVEL=2"))
      << "the level is written all the same";
}

// A controller that never shows room gets nothing, and the press costs no time: each byte
// is tried a bounded number of times, each try a bounded number of status reads.
TEST_F(TavosTest, AStuckControllerCannotHoldTheBrightnessDialog) {
  Boot("xp");
  M().StartTavos();
  M().SetEcStuck();
  const uint64_t readsBefore = M().Notebook().Ec().StatusReads();
  PressLevelUp(M());
  EXPECT_TRUE(Lines("ec 0xCA").empty());
  EXPECT_EQ(0u, M().Pc().Now());
  EXPECT_LE(M().Notebook().Ec().StatusReads() - readsBefore, 3u * 801u);
  EXPECT_NE(std::string::npos, FileText("C:\\WINDOWS\\SelectFile.ini").find("LEVEL=1"));
}

// Windows 95, 98 and Me send the level with the dialog's own port instructions, once per press:
// first a drain of one byte of output, then the command only when the controller shows
// neither output nor input full, each byte waited for at most 4096 status reads. The level is
// written whatever reaches the controller.
TEST_F(TavosTest, TheDirectSendDrainsOnceAndGivesUpOnABusyControllerOnEvery9xVersion) {
  struct Case {
    const char* controller;
    std::function<void(sim::EmbeddedController&)> set;
    std::vector<std::string> ec;
    size_t pendingAfter;
  };
  const Case cases[] = {
      {"ready", [](sim::EmbeddedController&) {}, {"0 ec 0xCA 0x01"}, 0},
      {"one byte of output, which the drain takes",
       [](sim::EmbeddedController& ec) { ec.QueueOutput(0x5A); },
       {"0 ec 0xCA 0x01"},
       0},
      {"a second byte moving in after the drain",
       [](sim::EmbeddedController& ec) {
         ec.QueueOutput(0x5A);
         ec.QueueOutput(0x5B);
       },
       {},
       1},
      {"input full", [](sim::EmbeddedController& ec) { ec.SetStuck(); }, {}, 0},
      {"slow over the command, within the wait",
       [](sim::EmbeddedController& ec) { ec.SetBusy(4000, 0); },
       {"0 ec 0xCA 0x01"},
       0},
      {"too slow over the command",
       [](sim::EmbeddedController& ec) { ec.SetBusy(5000, 0); },
       {"0 ec 0xCA"},
       0},
      {"too slow over the data",
       [](sim::EmbeddedController& ec) { ec.SetBusy(0, 5000); },
       {"0 ec 0xCA 0x01"},
       0},
  };
  for (const char* os : {"95", "98", "me"}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(os) + ", " + c.controller);
      TearDown();
      Boot(os);
      M().StartTavos();
      c.set(M().Notebook().Ec());
      PressLevelUp(M());
      EXPECT_EQ(c.ec, Lines("ec"));
      EXPECT_EQ(c.pendingAfter, M().Notebook().Ec().PendingOutput());
      EXPECT_EQ(0u, M().Notebook().Ec().LostBytes()) << "nothing written into a full buffer";
      EXPECT_NE(std::string::npos, FileText("C:\\WINDOWS\\SelectFile.ini").find("LEVEL=1"));
    }
  }
}

}  // namespace
}  // namespace tavos_test
