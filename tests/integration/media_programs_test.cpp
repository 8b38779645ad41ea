// The MP3 key, the video-recorder key and the media buttons on both paths: which program
// starts or closes, what the controller hears, and the combinations the keys allow.
#include <gtest/gtest.h>

#include "tests/integration/tavos_fixture.h"

namespace tavos_test {
namespace {

constexpr uint8_t kVideoKey = 0x10;
constexpr uint8_t kMp3Key = 0x20;

bool Runs(tavos_sim::Machine& m, const char* image) {
  for (winsim::SimProcess* process : m.Pc().Processes())
    if (process->ImageName() == image) return true;
  return false;
}

TEST_F(TavosTest, BothKeysInOneTickStartOnlyTheRecorder) {
  Boot("xp", 1031);
  M().StartTavos();
  M().PressHotKeys(kVideoKey | kMp3Key);
  M().Wait(650);
  EXPECT_EQ((std::vector<std::string>{
                "650 shell open \"C:\\\\Programme\\\\CyberLink\\\\PowerVCRII\\\\PVCR.EXE\" dir \"\""}),
            Lines("shell"));
  EXPECT_TRUE(Runs(M(), "PVCR.EXE"));
  EXPECT_FALSE(Runs(M(), "MP3Player.exe"));
}

TEST_F(TavosTest, TheVideoKeyWithXHeldOnlyReleasesAndKeepsTheRecorder) {
  Boot("xp");
  M().StartTavos();
  M().PressHotKeys(kVideoKey);
  M().Wait(650);
  M().Hold('X');
  size_t from = M().Timeline().size();
  M().PressHotKeys(kVideoKey | kMp3Key);
  M().Wait(650);
  // The "{S}" is playing: the releases wait for it.
  EXPECT_EQ((std::vector<std::string>{"1300 key up 0x58 held", "1300 key up 0xA2 held"}), Lines("key", from));
  EXPECT_TRUE(Runs(M(), "PVCR.EXE"));
  EXPECT_TRUE(Lines("shell", from).empty()) << "the MP3 key of the tick is lost";
  M().Release('X');
  M().PressHotKeys(kVideoKey);
  M().Wait(650);
  EXPECT_FALSE(Runs(M(), "PVCR.EXE")) << "Ctrl+X closed it";
}

// The MP3 player started by the MP3 key, then its window gone: the next press cannot close it.
void StartAPlayerWithoutItsWindow(tavos_sim::Machine& machine) {
  machine.StartTavos();
  machine.PressHotKeys(kMp3Key);
  machine.Wait(650);
  HWND window = FindWindowA(nullptr, "MP3Player");
  ASSERT_NE(nullptr, window);
  machine.Pc().Windows().Remove(window);
}

TEST_F(TavosTest, APlayerWithoutItsWindowIsReportedAndForgotten) {
  Boot("xp");
  StartAPlayerWithoutItsWindow(M());
  M().PressHotKeys(kMp3Key);
  M().Wait(650);
  EXPECT_EQ((std::vector<std::string>{"1300 msgbox \"Can't found MP3Player\""}), Lines("msgbox"));
  ASSERT_TRUE(M().Choose("OK"));
  M().Wait(650);
  EXPECT_EQ("1950 ec 0xC1 0x01", Lines("ec 0xC1").back()) << "the scan finds the player again";
}

// A tick's message box over the option dialog is owned by that dialog, which it disables:
// a click on the dialog's Cancel meanwhile is lost, and the dialog is still there afterwards.
TEST_F(TavosTest, ATicksMessageBoxOverADialogDisablesTheDialog) {
  Boot("xp");
  StartAPlayerWithoutItsWindow(M());
  ASSERT_TRUE(M().Command(32775));  // the option dialog
  M().PressHotKeys(kMp3Key);
  M().Wait(650);
  ASSERT_EQ((std::vector<std::string>{"1300 msgbox \"Can't found MP3Player\""}), Lines("msgbox"));
  M().Choose("Cancel");
  EXPECT_TRUE(Lines("dialog close").empty()) << "the click reached the disabled dialog";
  ASSERT_TRUE(M().Choose("OK"));
  ASSERT_TRUE(M().Choose("Cancel"));
  EXPECT_EQ((std::vector<std::string>{"1300 dialog close 102 result=2"}), Lines("dialog close"));
}

// The 95 family: no process scan and no media buttons; the player flag follows only the
// program's own start and close, and closing ends every player process.
TEST_F(TavosTest, TheDirectPathStartsAndEndsThePlayer) {
  Boot("98");
  M().StartTavos();
  M().PressHotKeys(kMp3Key);
  M().Wait(650);
  EXPECT_TRUE(Runs(M(), "MP3Player.exe"));
  size_t from = M().Timeline().size();
  M().PressHotKeys(kMp3Key);
  M().Wait(650);
  EXPECT_EQ((std::vector<std::string>{"1300 process end \"MP3Player.exe\" code=9"}), Lines("process end", from));
  // Leaving media mode (0xC8, then 0xC1), then the player's state once more.
  EXPECT_EQ((std::vector<std::string>{"1300 ec 0xCF 0x81", "1300 ec 0xC8 0x00", "1300 ec 0xC1 0x00",
                                      "1300 ec 0xC1 0x00"}),
            Lines("ec", from));
  // Closed by hand: the next press only forgets it, the one after starts it again.
  M().PressHotKeys(kMp3Key);
  M().Wait(650);
  from = M().Timeline().size();
  for (winsim::SimProcess* process : M().Pc().Processes())
    if (process->ImageName() == "MP3Player.exe") M().Pc().EndProcess(*process, 0);
  M().PressHotKeys(kMp3Key);
  M().Wait(650);
  EXPECT_TRUE(Lines("shell", from).empty());
  M().PressHotKeys(kMp3Key);
  M().Wait(650);
  EXPECT_EQ(1u, Lines("shell", from).size());
}

}  // namespace
}  // namespace tavos_test
