// Start-up on each Windows version: the files, the timer, the tray icon, the controller.
#include <gtest/gtest.h>

#include "tests/integration/tavos_fixture.h"

namespace tavos_test {
namespace {

TEST_F(TavosTest, FirstStartOnXpCreatesTheHiddenSettingsFileAndPolls) {
  Boot("xp");
  M().StartTavos();
  EXPECT_EQ("[ENABLESTART]\r\nCHECK=DISABLE\r\n[ENABLEMUTE]\r\nCHECK=DISABLE\r\nMUTE=DISABLE\r\n"
            "[USERDEFINE]\r\nEXECUTE=NULL\r\n",
            FileText("C:\\WINDOWS\\SelectFile.ini"));
  EXPECT_TRUE(M().Pc().Files().Attributes("C:\\WINDOWS\\SelectFile.ini") & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_FALSE(M().Pc().Files().Exists("C:\\Tavos.ini"));
  M().Wait(1300);
  EXPECT_EQ((std::vector<std::string>{"0 timer start 1 650"}), Lines("timer"));
  EXPECT_EQ((std::vector<std::string>{"0 tray add icon=128 tip=\"TAVO\""}), Lines("tray"));
  EXPECT_EQ((std::vector<std::string>{"650 ec 0xCF 0x81", "1300 ec 0xCF 0x81"}), Lines("ec"));
}

}  // namespace
}  // namespace tavos_test
