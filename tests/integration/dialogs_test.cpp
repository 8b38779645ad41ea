// The brightness dialog's controller path where the scenarios cannot reach: a version that
// cannot be read, and a controller that never takes a byte.
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

}  // namespace
}  // namespace tavos_test
