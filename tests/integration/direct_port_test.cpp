// The Windows 95 family: the program reads the hot-key latch and talks to the controller
// with its own port instructions, routed by the built-in model MODELP01.
#include <gtest/gtest.h>

#include "tests/integration/tavos_fixture.h"

namespace tavos_test {
namespace {

TEST_F(TavosTest, DirectPathReadsTheLatchAndTellsTheControllerOnEveryTick) {
  for (const char* os : {"95", "98", "me"}) {
    SCOPED_TRACE(os);
    TearDown();
    Boot(os);
    M().StartTavos();
    // Start-up clears both hot-key latches by writing 0.
    EXPECT_EQ(std::vector<uint8_t>{0x00}, M().Notebook().HotKeys().Acknowledgements());
    EXPECT_EQ(std::vector<uint8_t>{0x00}, M().Notebook().HotKeysHigh().Acknowledgements());
    M().PressHotKeys(0x01 | 0x08);
    M().Wait(650);
    EXPECT_EQ(1u, Lines("shell open \"Iexplore.exe\"").size());
    EXPECT_EQ(4u, Lines("key").size()) << "search is group A's: it works on MODELP01";
    EXPECT_EQ((std::vector<uint8_t>{0x00, 0x00}), M().Notebook().HotKeys().Acknowledgements());
    M().Wait(650);
    EXPECT_EQ((std::vector<std::string>{"650 ec 0xCF 0x81", "1300 ec 0xCF 0x81"}),
              Lines("ec 0xCF"));
    EXPECT_EQ(0u, M().Kernel().Io().RequestCount()) << "the driver is not used";
    size_t before = M().Timeline().size();
    ASSERT_TRUE(M().Exit());
    EXPECT_EQ((std::vector<std::string>{"1300 ec 0xCF 0x80"}), Lines("ec", before));
  }
}

// The device-interface lookup prints what it found to standard output, which a program
// without a console only shows where its starter redirected it: never in the timeline.
// Windows 95 has no device interfaces at all: SETUPAPI is bound at run time, and its absence
// is the same stop as an empty device set; what was loaded is freed again.
TEST_F(TavosTest, TheInterfaceLookupPrintsToTheProgramsOwnOutput) {
  const struct {
    const char* os;
    const char* output;
  } cases[] = {{"95", "No HDEVINFO available for this GUID\n"},
               {"98", "No SP_INTERFACE_DEVICE_DATA available for this GUID instance\n"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.os);
    TearDown();
    Boot(c.os);
    M().StartTavos();
    std::vector<winsim::SimProcess*> processes = M().Pc().Processes();
    ASSERT_FALSE(processes.empty());
    EXPECT_EQ(c.output, processes.back()->standardOutput);
    EXPECT_EQ(0, processes.back()->libraryReferences["SETUPAPI"]);
    for (const std::string& line : M().Timeline())
      EXPECT_EQ(std::string::npos, line.find("GUID")) << line;
  }
}

TEST_F(TavosTest, DirectSendGivesUpOnABusyControllerAndTriesAgainNextTick) {
  Boot("98");
  // After each byte the controller stays busy for longer than one attempt waits (1001 reads).
  M().SetEcBusy(1500);
  M().StartTavos();
  M().Wait(650);
  // The command was taken, its acceptance never seen within the attempt: no data byte.
  EXPECT_EQ((std::vector<std::string>{"650 ec 0xCF"}), Lines("ec 0xCF"));
  M().Wait(650);
  // Still busy when the next attempt starts: it writes nothing at all.
  EXPECT_EQ(1u, Lines("ec 0xCF").size());
  EXPECT_EQ(0u, M().Notebook().Ec().LostBytes()) << "never writes into a full input buffer";
  M().SetEcReady();
  M().Wait(650);
  EXPECT_EQ((std::vector<std::string>{"650 ec 0xCF", "1950 ec 0xCF 0x81"}), Lines("ec 0xCF"));
}

// The drain reads one byte; a controller with a second byte pending refills its output buffer
// at once, and the attempt must then see "output full" and write nothing.
TEST_F(TavosTest, DirectSendGivesUpWhileTheControllerStillHasOutput) {
  Boot("98");
  M().StartTavos();
  for (uint8_t value : {0x11, 0x22, 0x33}) M().Notebook().Ec().QueueOutput(value);
  M().Wait(650);
  EXPECT_TRUE(Lines("ec 0xCF").empty()) << "after the first drain 0x22 and 0x33 remain";
  M().Wait(650);
  EXPECT_TRUE(Lines("ec 0xCF").empty()) << "the second drain leaves 0x33";
  M().Wait(650);
  EXPECT_EQ((std::vector<std::string>{"1950 ec 0xCF 0x81"}), Lines("ec 0xCF"));
  EXPECT_EQ(0u, M().Notebook().Ec().PendingOutput());
}

TEST_F(TavosTest, DirectSendWritesNothingToAStuckController) {
  Boot("me");
  M().StartTavos();
  M().SetEcStuck();
  M().Wait(650);
  EXPECT_TRUE(Lines("ec 0xCF").empty());
  EXPECT_EQ(0u, M().Notebook().Ec().LostBytes());
  EXPECT_EQ(650u, M().Pc().Now());
}

// A controller with events pending refills its output buffer as soon as the drain has read
// it: the status still shows output full, so the send gives up without writing.
TEST_F(TavosTest, DirectSendGivesUpWhileTheControllerHasOutputPending) {
  Boot("98");
  // Three bytes for the host: each tick's drain takes one, and the controller moves the next
  // one in, so the send finds the output buffer full until the last one is read.
  for (uint8_t event : {0x11, 0x22, 0x33}) M().Notebook().Ec().QueueOutput(event);
  M().StartTavos();
  M().Wait(1300);
  EXPECT_TRUE(Lines("ec").empty());
  M().Wait(650);
  EXPECT_EQ((std::vector<std::string>{"1950 ec 0xCF 0x81"}), Lines("ec 0xCF"));
}

}  // namespace
}  // namespace tavos_test
