// Tavos and the driver's access rules: the user at the keyboard need not be an administrator,
// and a Tavos running as an account the device does not admit sees no keys but keeps trying.
#include <gtest/gtest.h>

#include "sim/kernel/security.h"
#include "tests/integration/tavos_fixture.h"

namespace tavos_test {
namespace {

TEST_F(TavosTest, ALimitedUserAtTheKeyboardGetsItsKeysOnEveryNtVersion) {
  for (const char* os : {"nt4", "2000", "xp"}) {
    SCOPED_TRACE(os);
    Boot(os);
    M().Pc().SetLoggedOnUser(sim::AccessToken::InteractiveUser());
    M().StartTavos();
    M().Wait(100);
    M().PressHotKeys(0x01);
    M().Wait(550);
    EXPECT_EQ(1u, Lines("shell open \"Iexplore.exe\"").size());
    EXPECT_EQ((std::vector<uint8_t>{0x00, 0x00}), M().Notebook().HotKeys().Acknowledgements())
        << "the write-backs at start-up and after the tick's read";
    TearDown();
  }
}

TEST_F(TavosTest, AnAccountTheDeviceRefusesSeesNoKeysAndRetriesEveryTick) {
  Boot("xp");
  M().Pc().SetLoggedOnUser(sim::AccessToken::NetworkUser());
  M().StartTavos();
  M().PressHotKeys(0x01);
  M().Wait(1300);
  EXPECT_EQ(
      (std::vector<std::string>{"0 timer start 1 650", "650 timer stop 1", "650 timer start 1 650",
                                "1300 timer stop 1", "1300 timer start 1 650"}),
      Lines("timer"));
  EXPECT_TRUE(Lines("shell").empty());
  EXPECT_EQ(0u, M().Kernel().Io().OpenHandles());
}

}  // namespace
}  // namespace tavos_test
