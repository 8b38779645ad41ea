// Which media program the main frame sees running, from the process list of each Windows
// version: the first match wins, names are compared whole in any case, and a version without
// Toolhelp sees none.
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "tests/procs/procs_fixture.h"

namespace procs_test {
namespace {

struct Flags {
  int recorder;
  int mp3;
  bool operator==(const Flags& other) const { return recorder == other.recorder && mp3 == other.mp3; }
};

std::ostream& operator<<(std::ostream& out, const Flags& flags) {
  return out << "{recorder " << flags.recorder << ", mp3 " << flags.mp3 << "}";
}

class MediaProgramScanTest : public ProcsTest {
 protected:
  // The flags after one scan, starting from both set so that a scan must clear them; the
  // scan must leave no handle open.
  Flags Scan() {
    Flags flags{-1, -1};
    InProgram([&] {
      CMainFrame frame;
      frame.m_bRecorderRunning = 1;
      frame.m_bMp3PlayerRunning = 1;
      frame.DetectMediaPrograms();
      flags = {frame.m_bRecorderRunning, frame.m_bMp3PlayerRunning};
      EXPECT_EQ(0u, Pc().Handles().OpenCount(Pc().CurrentPid()));
    });
    return flags;
  }
};

TEST_F(MediaProgramScanTest, TheFirstMediaProgramInTheListWins) {
  for (const char* os : {"2000", "xp"}) {
    SCOPED_TRACE(os);
    Boot(os);
    EXPECT_EQ((Flags{0, 0}), Scan());
    winsim::SimProcess& player = Pc().StartPassiveProcess("C:\\WINDOWS\\MP3Player.exe");
    EXPECT_EQ((Flags{0, 1}), Scan());
    Pc().StartPassiveProcess("C:\\Program Files\\CyberLink\\PowerVCRII\\PVCR.EXE");
    EXPECT_EQ((Flags{0, 1}), Scan()) << "the player comes first in the list";
    Pc().EndProcess(player, 0);
    EXPECT_EQ((Flags{1, 0}), Scan());
    Pc().StartPassiveProcess("C:\\WINDOWS\\MP3Player.exe");
    EXPECT_EQ((Flags{1, 0}), Scan()) << "now the recorder comes first";
  }
}

TEST_F(MediaProgramScanTest, NamesAreComparedWholeInAnyCase) {
  Boot("xp");
  Pc().StartPassiveProcess("C:\\Apps\\MYPVCR.EXE");
  Pc().StartPassiveProcess("C:\\Apps\\PVCR.EXE.OLD");
  Pc().StartPassiveProcess("C:\\Apps\\MP3Player.exe.bak");
  EXPECT_EQ((Flags{0, 0}), Scan());
  Pc().StartPassiveProcess("C:\\Apps\\pvcr.exe");
  EXPECT_EQ((Flags{1, 0}), Scan());
}

// NT 4.0 has no Toolhelp: the scan lists through PSAPI, whose paths count by their file name
// alone. The 95 family lists paths, which never equal a bare name (the scan serves the
// driver path only, which these versions do not take).
TEST_F(MediaProgramScanTest, Nt4SeesThroughPsapiAndThe95FamilySeesNothing) {
  for (const char* os : {"nt4", "98"}) {
    SCOPED_TRACE(os);
    Boot(os);
    Pc().StartPassiveProcess("C:\\Apps\\MYMP3PLAYER.EXE");
    Pc().StartPassiveProcess("C:\\WINDOWS\\MP3Player.exe");
    Pc().StartPassiveProcess("C:\\PVCR.EXE");
    EXPECT_EQ(std::string(os) == "nt4" ? (Flags{0, 1}) : (Flags{0, 0}), Scan());
  }
}

}  // namespace
}  // namespace procs_test
