// The poll cycle on the driver path: latched keys, the actions they start, the search key's
// keyboard events, the controller's "On", and the device that is absent or comes late.
#include <gtest/gtest.h>

#include "tests/integration/tavos_fixture.h"

namespace tavos_test {
namespace {

constexpr char kSettings[] = "C:\\WINDOWS\\SelectFile.ini";

TEST_F(TavosTest, InternetAndMailInOnePeriodStartBothBrowserFirst) {
  Boot("xp", 1033);
  M().StartTavos();
  M().Wait(100);
  M().PressHotKeys(0x01);
  M().Wait(200);
  M().PressHotKeys(0x02);
  M().Wait(350);
  EXPECT_EQ((std::vector<std::string>{
                "650 shell open \"Iexplore.exe\" dir \"C:\\\\Program Files\\\\Plus!\\\\Microsoft Internet\\\\\"",
                "650 shell open \"Msimn.exe\" dir \"C:\\\\Program Files\\\\Outlook Express\\\\\""}),
            Lines("shell"));
  EXPECT_EQ(2u, Lines("process start \"Iexplore.exe\"").size() + Lines("process start \"Msimn.exe\"").size());
  EXPECT_EQ((std::vector<uint8_t>{0x00, 0x00}), M().Notebook().HotKeys().Acknowledgements())
      << "acknowledged at start-up, then by the tick with the status AND 0x20";
  M().Wait(650);
  EXPECT_EQ(2u, Lines("shell").size()) << "one press, one start";
}

TEST_F(TavosTest, GermanWindowsUsesTheGermanFolders) {
  Boot("2000", 1031);
  M().StartTavos();
  M().PressHotKeys(0x03);
  M().Wait(650);
  EXPECT_EQ((std::vector<std::string>{
                "650 shell open \"Iexplore.exe\" dir \"C:\\\\Programme\\\\Plus!\\\\Microsoft Internet\\\\\"",
                "650 shell open \"Msimn.exe\" dir \"C:\\\\Programme\\\\Outlook Express\\\\\""}),
            Lines("shell"));
}

TEST_F(TavosTest, SearchKeySynthesisesWindowsF) {
  Boot("xp");
  M().StartTavos();
  M().PressHotKeys(0x08);
  M().Wait(650);
  EXPECT_EQ((std::vector<std::string>{"650 key down 0x5B", "650 key down 0x46", "650 key up 0x46",
                                      "650 key up 0x5B"}),
            Lines("key"));
}

TEST_F(TavosTest, SearchKeyWhileFIsHeldOnlyReleasesAndLosesTheUserKey) {
  Boot("xp");
  ASSERT_TRUE(M().WriteFile(kSettings, "[USERDEFINE]\r\nEXECUTE=C:\\WINDOWS\\NOTEPAD.EXE\r\n"));
  ASSERT_TRUE(M().WriteFile("C:\\WINDOWS\\NOTEPAD.EXE", "MZ"));
  M().StartTavos();
  M().Hold('F');
  M().PressHotKeys(0x08 | 0x04 | 0x01);
  M().Wait(650);
  EXPECT_EQ((std::vector<std::string>{"650 key up 0x46", "650 key up 0x5B"}), Lines("key"));
  EXPECT_EQ(1u, Lines("shell").size()) << "the browser starts; the user key is lost";
  // The early end skips the closing step but the next tick reads the latch afresh.
  M().Release('F');
  M().PressHotKeys(0x08);
  M().Wait(650);
  EXPECT_EQ(6u, Lines("key").size());
}

// A latch reading all ones is a floating bus, not six keys at once: nothing happens on
// either path.
TEST_F(TavosTest, ALatchReadingAllOnesIsNoKeyOnEitherPath) {
  for (const char* os : {"98", "xp"}) {
    SCOPED_TRACE(os);
    TearDown();
    Boot(os);
    M().StartTavos();
    M().PressHotKeys(0xFF);
    M().Wait(650);
    EXPECT_TRUE(Lines("shell").empty());
    EXPECT_TRUE(Lines("key").empty());
    EXPECT_TRUE(Lines("dialog").empty());
  }
}

TEST_F(TavosTest, KeysLatchedBeforeStartAreDiscardedUnlessHonoured) {
  struct Case {
    const char* settings;
    size_t launches;
  };
  for (Case c : {Case{nullptr, 0},  // first start writes ENABLESTART/CHECK=DISABLE
                 Case{"[ENABLESTART]\r\nCHECK=ENABLE\r\n", 1},
                 Case{"[ENABLESTART]\r\nCHECK=enable\r\n", 0},
                 Case{"[ENABLESTART]\r\nCHECK=ENABLED\r\n", 0},
                 Case{"[USERDEFINE]\r\nEXECUTE=NULL\r\n", 0}}) {
    SCOPED_TRACE(c.settings ? c.settings : "first start");
    TearDown();
    Boot("xp");
    if (c.settings) {
      ASSERT_TRUE(M().WriteFile(kSettings, c.settings));
    }
    M().PressHotKeys(0x01);
    M().StartTavos();
    M().Wait(650);
    EXPECT_EQ(c.launches, Lines("shell open \"Iexplore.exe\"").size());
  }
}

TEST_F(TavosTest, EveryTickTellsTheControllerOnThroughABusyController) {
  Boot("xp");
  M().SetEcBusy(5);
  M().StartTavos();
  M().Wait(1950);
  EXPECT_EQ((std::vector<std::string>{"650 ec 0xCF 0x81", "1300 ec 0xCF 0x81", "1950 ec 0xCF 0x81"}),
            Lines("ec 0xCF"));
  EXPECT_EQ(0u, M().Notebook().Ec().LostBytes());
}

TEST_F(TavosTest, AStuckControllerCostsNoTimeAndNoKey) {
  Boot("xp");
  M().SetEcStuck();
  M().StartTavos();
  M().PressHotKeys(0x01);
  M().Wait(1300);
  EXPECT_TRUE(Lines("ec 0xCF").empty());
  EXPECT_EQ(1u, Lines("shell").size()) << "the keys still work";
  EXPECT_EQ(1300u, M().Pc().Now()) << "no pause was taken";
  // Each command byte (two commands a tick: "On" and the MP3 player's state) is tried a
  // bounded number of times, each try a bounded number of reads.
  EXPECT_LE(M().Notebook().Ec().StatusReads(), 2u * 2u * 3u * 801u);
}

// A controller slower than a wait takes each byte late: every try writes the byte again and
// pauses before the next try, but never after the last one.
TEST_F(TavosTest, AControllerTooSlowForTheWaitCostsPausesOnlyBetweenTries) {
  Boot("xp");
  M().SetEcBusy(1000);  // longer than one wait of 801 reads, shorter than two
  M().StartTavos();
  M().Wait(650);
  // Two commands a tick, three tries each, two pauses of 100 ms between them.
  EXPECT_EQ(650u + 2u * 2u * 100u, M().Pc().Now());
  EXPECT_EQ(6u, Lines("ec 0x").size()) << "each try wrote its byte again";
}

// A controller slow for one kind of byte only, as a tick's two commands ("On", then the MP3
// player's state) meet it. A byte taken within a wait (801 status reads) is written once; a
// byte not taken is written again after a pause; a byte that then finds no room for a whole
// wait is tried again at once, without a pause and without being written; after three tries
// the command ends, and a command byte never taken is never followed by its data.
TEST_F(TavosTest, EachByteWaitsForTheControllerAsLongAsThatByteTakes) {
  struct Case {
    int afterCommand, afterData;
    std::vector<std::string> ec;
    uint64_t now;
    uint64_t statusReads;
  };
  const Case cases[] = {
      {500, 0, {"650 ec 0xCF 0x81", "650 ec 0xC1 0x00"}, 650, 2 * (1 + 501 + 1)},
      {0, 500, {"650 ec 0xCF 0x81", "650 ec 0xC1 0x00"}, 650, 2 * (1 + 1 + 501)},
      {1700, 0, {"650 ec 0xCF", "750 ec 0xCF", "750 ec 0xC1"}, 850, 5005},
      {0,
       1700,
       {"650 ec 0xCF 0x81", "750 ec data 0x81", "750 ec 0xC1 0x00", "850 ec data 0x00"},
       850,
       5907},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.afterCommand) + " reads after a command, " +
                 std::to_string(c.afterData) + " after data");
    TearDown();
    Boot("xp");
    M().StartTavos();
    M().SetEcBusy(c.afterCommand, c.afterData);
    const uint64_t readsBefore = M().Notebook().Ec().StatusReads();
    M().Wait(650);
    EXPECT_EQ(c.ec, Lines("ec"));
    EXPECT_EQ(c.now, M().Pc().Now()) << "the pauses taken";
    EXPECT_EQ(c.statusReads, M().Notebook().Ec().StatusReads() - readsBefore);
    EXPECT_EQ(0u, M().Notebook().Ec().LostBytes()) << "no byte was written without room";
  }
}

TEST_F(TavosTest, AnAbsentDriverIsRetriedEveryTickUntilItAppears) {
  Boot("xp", 1033, /*driverLoaded=*/false);
  M().StartTavos();
  M().PressHotKeys(0x01);
  M().Wait(1300);
  EXPECT_EQ((std::vector<std::string>{"0 timer start 1 650", "650 timer stop 1", "650 timer start 1 650",
                                      "1300 timer stop 1", "1300 timer start 1 650"}),
            Lines("timer"));
  EXPECT_TRUE(Lines("ec 0xCF").empty());
  EXPECT_TRUE(Lines("shell").empty());
  ASSERT_TRUE(M().SetDriverLoaded(true));
  M().Wait(650);  // this tick opens the device
  EXPECT_TRUE(Lines("shell").empty());
  M().Wait(650);  // and this one polls
  EXPECT_EQ((std::vector<std::string>{"2600 ec 0xCF 0x81"}), Lines("ec 0xCF"));
  EXPECT_EQ(1u, Lines("shell open \"Iexplore.exe\"").size()) << "the latch kept the key";
}

TEST_F(TavosTest, AnIdleTickSendsTheFewestRequestsTheHandshakeAllows) {
  Boot("xp");
  M().StartTavos();
  M().Wait(650);
  M().Kernel().Io().ClearRequests();
  M().Wait(650);
  // Controller "On": status, command, status (also room for the data), data, status;
  // then the latch: read, acknowledge; then the MP3 player's state, as "On" was sent.
  std::vector<uint32_t> codes;
  for (const sim::IoRequestRecord& request : M().Kernel().Io().Requests()) codes.push_back(request.code);
  EXPECT_EQ((std::vector<uint32_t>{0x222034, 0x22204C, 0x222034, 0x222050, 0x222034, 0x222018,
                                   0x22201C, 0x222034, 0x22204C, 0x222034, 0x222050, 0x222034}),
            codes);
}

}  // namespace
}  // namespace tavos_test
