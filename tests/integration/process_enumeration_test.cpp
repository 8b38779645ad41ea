// The single-instance rule on every Windows version with a taskbar. The process list comes
// from Toolhelp (95, 98, Me: full paths; 2000, XP: bare file names) or PSAPI (NT 4.0: full
// paths), so what counts as another copy differs by version.
#include <gtest/gtest.h>

#include "sim/winsim/sim_process.h"
#include "tests/integration/tavos_fixture.h"

namespace tavos_test {
namespace {

const char* const kVersions[] = {"95", "98", "me", "nt4", "2000", "xp"};

TEST_F(TavosTest, ASecondCopyEndsAtOnceOnEveryVersionAndTheFirstGoesOn) {
  for (const char* os : kVersions) {
    SCOPED_TRACE(os);
    TearDown();
    Boot(os);
    M().StartTavos();
    M().StartTavos();
    EXPECT_EQ(2u, Lines("process start \"Tavos.exe\"").size());
    EXPECT_EQ(1u, Lines("process end \"Tavos.exe\"").size());
    EXPECT_EQ(1u, Lines("tray add").size());
    EXPECT_NE(nullptr, M().TavosFrame());
    M().Wait(650);
    EXPECT_EQ((std::vector<std::string>{"650 ec 0xCF 0x81"}), Lines("ec 0xCF"));
  }
}

TEST_F(TavosTest, AProgramWhoseNameEndsInTavosExeCountsAsACopyWhereNamesArePaths) {
  struct Case {
    const char* os;
    bool starts;
  };
  const Case cases[] = {{"95", false},  {"98", false},  {"me", false},
                        {"nt4", false}, {"2000", true}, {"xp", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.os);
    TearDown();
    Boot(c.os);
    M().Pc().StartPassiveProcess("C:\\Program Files\\Other\\MYTAVOS.EXE");
    M().StartTavos();
    EXPECT_EQ(c.starts, M().TavosFrame() != nullptr);
    EXPECT_EQ(c.starts ? 1u : 0u, Lines("tray add").size());
    EXPECT_EQ(c.starts ? 0u : 1u, Lines("process end \"Tavos.exe\"").size());
  }
}

TEST_F(TavosTest, ASixteenBitTaskNamedLikeTavosIsNoCopy) {
  // On NT 4.0 the task's path ends in TAVOS.EXE like the program's own.
  Boot("nt4");
  winsim::SimProcess& vdm = M().Pc().StartPassiveProcess("C:\\WINDOWS\\system32\\ntvdm.exe");
  ASSERT_NE(0, M().Pc().StartWowTask(vdm, "C:\\WIN16\\TAVOS.EXE"));
  M().StartTavos();
  EXPECT_NE(nullptr, M().TavosFrame());
  EXPECT_EQ(1u, Lines("tray add").size());
}

TEST_F(TavosTest, ACopyNt4CannotOpenGoesUnseenWhileToolhelpStillListsIt) {
  // Another user's copy: PSAPI names it "N/A (security restriction)"; Toolhelp opens nothing.
  for (const char* os : {"nt4", "xp"}) {
    SCOPED_TRACE(os);
    TearDown();
    Boot(os);
    M().Pc().StartPassiveProcess("C:\\Program Files\\Tavos\\Tavos.exe").openable = false;
    M().StartTavos();
    EXPECT_EQ(std::string(os) == "nt4", M().TavosFrame() != nullptr);
  }
}

}  // namespace
}  // namespace tavos_test
