// CopyFileA with its refusals, and the deletions Windows defers to its next start: through
// MoveFileExA on the NT family (administrators only), through WININIT.INI on the 95 family.
#include <string>

#include "sim/kernel/security.h"
#include "sim_pc_fixture.h"

namespace winsim_test {
namespace {

class FileMoves : public SimPcTest {
 protected:
  std::string Outcome(BOOL ok) { return ok ? "ok" : "error " + std::to_string(GetLastError()); }
  std::string Bytes(const std::string& path) {
    std::string bytes;
    return pc->Files().ReadFile(path, &bytes) ? bytes : "<missing>";
  }
};

TEST_F(FileMoves, CopyRefusesWhatWindowsRefuses) {
  ASSERT_TRUE(pc->Files().WriteFile("C:\\From\\Tavos.exe", "MZ new"));
  ASSERT_TRUE(pc->Files().WriteFile("C:\\To\\Tavos.exe", "MZ old"));
  EXPECT_EQ("error 80", Outcome(CopyFileA("C:\\From\\Tavos.exe", "C:\\To\\Tavos.exe", TRUE)));
  EXPECT_EQ("MZ old", Bytes("C:\\To\\Tavos.exe"));
  EXPECT_EQ("error 2", Outcome(CopyFileA("C:\\From\\None.exe", "C:\\To\\None.exe", FALSE)));
  EXPECT_EQ("error 3", Outcome(CopyFileA("C:\\From\\Tavos.exe", "C:\\Nowhere\\Tavos.exe", FALSE)));
  // A running program's image can be read and copied, but not be overwritten or deleted.
  winsim::SimProcess& running = pc->StartPassiveProcess("C:\\To\\Tavos.exe");
  EXPECT_EQ("error 32", Outcome(CopyFileA("C:\\From\\Tavos.exe", "C:\\To\\Tavos.exe", FALSE)));
  EXPECT_EQ("error 5", Outcome(DeleteFileA("C:\\To\\Tavos.exe")));
  EXPECT_EQ("ok", Outcome(CopyFileA("C:\\To\\Tavos.exe", "C:\\From\\Copy.exe", FALSE)));
  EXPECT_EQ("MZ old", Bytes("C:\\From\\Copy.exe"));
  pc->EndProcess(running, 0);
  EXPECT_EQ("ok", Outcome(CopyFileA("C:\\From\\Tavos.exe", "C:\\To\\Tavos.exe", FALSE)));
  EXPECT_EQ("MZ new", Bytes("C:\\To\\Tavos.exe"));
  SetFileAttributesA("C:\\To\\Tavos.exe", FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ("error 5", Outcome(CopyFileA("C:\\From\\Copy.exe", "C:\\To\\Tavos.exe", FALSE)));
}

TEST_F(FileMoves, DeletionsWaitForTheNextStart) {
  struct Case {
    const char* profile;
    bool administrator;
    const char* moveFileEx;  // its outcome
  };
  const Case cases[] = {{"95", true, "error 120"},
                        {"98", true, "error 120"},
                        {"nt4", false, "error 5"},
                        {"nt4", true, "ok"},
                        {"xp", true, "ok"}};
  for (const Case& c : cases) {
    pc->SetProfile(Profile(c.profile));
    pc->SetLoggedOnUser(c.administrator ? sim::AccessToken::InteractiveAdministrator()
                                        : sim::AccessToken::InteractiveUser());
    ASSERT_TRUE(pc->Files().WriteFile("C:\\WINDOWS\\TEMP\\TAVOSUN.EXE", "MZ"));
    ASSERT_TRUE(pc->Files().WriteFile("C:\\WINDOWS\\TEMP\\OTHER.EXE", "MZ"));
    EXPECT_EQ(c.moveFileEx, Outcome(MoveFileExA("C:\\WINDOWS\\TEMP\\TAVOSUN.EXE", nullptr,
                                                MOVEFILE_DELAY_UNTIL_REBOOT)))
        << c.profile;
    if (!pc->Profile().IsNt()) {
      // The 95 family's way: lines in [rename], several with the same target NUL.
      ASSERT_TRUE(pc->Files().WriteFile("C:\\WINDOWS\\WININIT.INI",
                                        "[rename]\r\nNUL=C:\\WINDOWS\\TEMP\\TAVOSUN.EXE\r\n"
                                        "nul=C:\\WINDOWS\\TEMP\\OTHER.EXE\r\n"));
    }
    EXPECT_EQ("MZ", Bytes("C:\\WINDOWS\\TEMP\\TAVOSUN.EXE"))
        << c.profile << ": not before the start";
    pc->ApplyBootFileOperations();
    const bool deleted = std::string(c.moveFileEx) == "ok" || !pc->Profile().IsNt();
    EXPECT_EQ(deleted ? "<missing>" : "MZ", Bytes("C:\\WINDOWS\\TEMP\\TAVOSUN.EXE")) << c.profile;
    EXPECT_EQ(pc->Profile().IsNt() ? "MZ" : "<missing>", Bytes("C:\\WINDOWS\\TEMP\\OTHER.EXE"))
        << c.profile;
    if (!pc->Profile().IsNt()) {
      EXPECT_EQ("<missing>", Bytes("C:\\WINDOWS\\WININIT.INI")) << c.profile;
      EXPECT_NE("<missing>", Bytes("C:\\WINDOWS\\WININIT.BAK")) << c.profile;
    }
    pc->ApplyBootFileOperations();  // once done, never again
    pc->Files().Remove("C:\\WINDOWS\\TEMP\\TAVOSUN.EXE");
    pc->Files().Remove("C:\\WINDOWS\\TEMP\\OTHER.EXE");
  }
}

}  // namespace
}  // namespace winsim_test
