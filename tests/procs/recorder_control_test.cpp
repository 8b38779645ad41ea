// The media programs of other makers: name matching per Windows family, which recorder window
// is found, keys played into it, and ending the programs.
#include <string>
#include <vector>

#include "app/instance_match.h"
#include "app/main_frame.h"
#include "keys/playback_hook.h"
#include "sim/winsim/window_manager.h"
#include "tests/procs/procs_fixture.h"

namespace procs_test {
namespace {

using RecorderControlTest = ProcsTest;

TEST_F(RecorderControlTest, NamesMatchWholeOrByTheirTailFromTheFirstOccurrence) {
  Boot("xp");
  InProgram([] {
    EXPECT_TRUE(tavos::ProcessNameMatches("pvcr.exe", "PVCR.EXE", false)) << "upper-cased first";
    EXPECT_FALSE(tavos::ProcessNameMatches("MYPVCR.EXE", "PVCR.EXE", false));
    EXPECT_TRUE(tavos::ProcessNameMatches("C:\\APPS\\MYPVCR.EXE", "PVCR.EXE", true));
    EXPECT_FALSE(tavos::ProcessNameMatches("C:\\PVCR.EXE.OLD\\PVCR.EXE", "PVCR.EXE", true));
    EXPECT_FALSE(tavos::ProcessNameMatches("C:\\PVCR.EXE", "", true)) << "an empty target matches nothing";
    // A name longer than any path is compared as well.
    std::string longPath = "C:\\" + std::string(400, 'd') + "\\pvcr.exe";
    EXPECT_TRUE(tavos::ProcessNameMatches(longPath.c_str(), "PVCR.EXE", true));
    EXPECT_FALSE(tavos::ProcessNameMatches(longPath.c_str(), "PVCR.EXE", false));
  });
}

// EnumWindows visits the newest window first; the first titled window of the recorder that
// is not its video surface ends the search, else the last one visited stands.
TEST_F(RecorderControlTest, TheRecordersFirstTitledWindowIsFound) {
  Boot("xp");
  winsim::SimProcess& recorder = Pc().StartPassiveProcess("C:\\Program Files\\CyberLink\\PowerVCRII\\PVCR.EXE");
  HWND untitled = Pc().AddWindowOf(recorder, "VCRMain", "");
  HWND video = Pc().AddWindowOf(recorder, "VCRVideo", "ActiveMovie Window");
  HWND found = nullptr;
  auto find = [&] {
    InProgram([&] {
      CMainFrame frame;
      frame.FindRecorderWindow();
      found = g_hRecorderWnd;
    });
  };
  find();
  EXPECT_EQ(untitled, found) << "neither counts, so the last visited stands";
  EXPECT_NE(video, found);
  HWND lowerCase = Pc().AddWindowOf(recorder, "VCRPanel", "activemovie window");
  find();
  EXPECT_EQ(lowerCase, found) << "only the exact title is passed over";
  winsim::SimProcess& second = Pc().StartPassiveProcess("C:\\Other\\pvcr.exe");
  HWND secondMain = Pc().AddWindowOf(second, "VCRMain", "PowerVCR II");
  find();
  EXPECT_EQ(secondMain, found) << "the later process in the list decides";
  Pc().EndProcess(second, 0);
  Pc().EndProcess(recorder, 0);
  find();
  EXPECT_EQ(nullptr, found);
}

TEST_F(RecorderControlTest, KeysAreSentToTheRecorderWindow) {
  Boot("xp");
  winsim::SimProcess& recorder = Pc().StartPassiveProcess("C:\\Program Files\\CyberLink\\PowerVCRII\\PVCR.EXE");
  HWND main = Pc().AddWindowOf(recorder, "VCRMain", "PowerVCR II");
  InProgram([&] {
    CMainFrame frame;
    frame.SendKeysToRecorder("{ENTER}");
    EXPECT_EQ(main, Pc().Windows().Foreground());
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  });
  ASSERT_EQ(2u, Pc().PlayedEvents().size());
  for (const auto& played : Pc().PlayedEvents()) {
    EXPECT_EQ(main, played.foreground);
    EXPECT_EQ(UINT(VK_RETURN), played.event.paramL);
  }
}

TEST_F(RecorderControlTest, AKeyStringErrorIsShownAndNothingPlays) {
  Boot("xp");
  winsim::SimProcess& program = Pc().StartProgram(kProgram, [&] {
    CMainFrame frame;
    frame.SendKeysToRecorder("{BOGUS}");
    return 0;
  });
  ASSERT_TRUE(program.running);
  EXPECT_EQ("0 msgbox \"Invalid key\"", Pc().Events().Lines().back());
  ASSERT_TRUE(Pc().Windows().TopSurface()->choose("OK"));
  Pc().Settle();
  EXPECT_FALSE(program.running);
  EXPECT_TRUE(Pc().JournalHooks().empty());
  EXPECT_TRUE(Pc().PlayedEvents().empty());
}

TEST_F(RecorderControlTest, EveryMatchingProcessEndsWithCode9) {
  for (const char* os : {"xp", "98"}) {
    SCOPED_TRACE(os);
    Boot(os);
    winsim::SimProcess& first = Pc().StartPassiveProcess("C:\\WINDOWS\\MP3Player.exe");
    winsim::SimProcess& recorder = Pc().StartPassiveProcess("C:\\Apps\\PVCR.EXE");
    winsim::SimProcess& second = Pc().StartPassiveProcess("C:\\Music\\mp3player.exe");
    InProgram([&] {
      CMainFrame frame;
      frame.DetectPlatform();
      frame.TerminateMediaProgram(2);
      EXPECT_TRUE(first.running && recorder.running && second.running) << "2 names no program";
      frame.TerminateMediaProgram(1);
      EXPECT_EQ(0u, Pc().Handles().OpenCount(Pc().CurrentPid()));
    });
    EXPECT_FALSE(first.running);
    EXPECT_FALSE(second.running);
    EXPECT_TRUE(recorder.running);
    EXPECT_EQ(9u, first.exitCode);
    EXPECT_EQ(9u, second.exitCode);
  }
}

TEST_F(RecorderControlTest, AProcessThatCannotBeOpenedEndsTheWalk) {
  Boot("xp");
  winsim::SimProcess& locked = Pc().StartPassiveProcess("C:\\Apps\\PVCR.EXE");
  locked.openable = false;
  winsim::SimProcess& later = Pc().StartPassiveProcess("C:\\Other\\PVCR.EXE");
  InProgram([&] {
    CMainFrame frame;
    frame.TerminateMediaProgram(0);
  });
  EXPECT_TRUE(locked.running);
  EXPECT_TRUE(later.running) << "the walk ended at the process it could not open";
}

}  // namespace
}  // namespace procs_test
