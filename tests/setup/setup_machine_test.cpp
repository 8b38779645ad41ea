// The whole setup on a simulated notebook, on each Windows it supports: install, upgrade over a
// running Tavos, uninstall, the restart that takes the uninstaller's copy; the Windows versions
// it refuses; a user who is not an administrator.
#include <string>
#include <vector>

#include "setup_fixture.h"

namespace setup_test {
namespace {

constexpr char kRunKey[] = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kUninstallKey[] =
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tavos";
constexpr char kServiceKey[] = "HKLM\\System\\CurrentControlSet\\Services\\portio";
constexpr char kSettings[] = "C:\\WINDOWS\\SelectFile.ini";
constexpr char kState[] = "C:\\Tavos.ini";
// The user's settings, with bytes a careless rewrite would change (no final line end, a tab).
constexpr char kSettingsBytes[] = "[ENABLESTART]\r\nCHECK=ENABLE\r\n[USERDEFINE]\r\nEXECUTE=\tNULL";
constexpr char kStateBytes[] = "[ Tavo Buttons Config File ]\r\n0";

// Where each version keeps the Start menu folder and the driver.
struct Windows {
  const char* os;
  const char* menu;    // the Tavos folder of the Start menu
  const char* driver;  // portio.sys, "" where Windows has no driver service
};
const Windows kWindows[] = {
    {"95", "C:\\WINDOWS\\Start Menu\\Programs\\Tavos", ""},
    {"98", "C:\\WINDOWS\\Start Menu\\Programs\\Tavos", ""},
    {"nt4", "C:\\WINDOWS\\Profiles\\All Users\\Start Menu\\Programs\\Tavos",
     "C:\\WINDOWS\\system32\\drivers\\portio.sys"},
    {"2000", "C:\\Documents and Settings\\All Users\\Start Menu\\Programs\\Tavos",
     "C:\\WINDOWS\\system32\\drivers\\portio.sys"},
    {"xp", "C:\\Documents and Settings\\All Users\\Start Menu\\Programs\\Tavos",
     "C:\\WINDOWS\\system32\\drivers\\portio.sys"},
};

TEST_F(SetupTest, InstallUpgradeAndUninstallOnEachWindows) {
  for (const Windows& w : kWindows) {
    SCOPED_TRACE(w.os);
    Boot(w.os);
    const bool nt = *w.driver != '\0';
    ASSERT_TRUE(M().WriteFile(kSettings, kSettingsBytes));
    ASSERT_TRUE(M().WriteFile(kState, kStateBytes));

    // ---- interactive install: asked, installed, Tavos started.
    EXPECT_EQ(0, Run(kSetupPath, "", {"OK", "OK"}));
    EXPECT_EQ((std::vector<std::string>{
                  "msgbox \"Tavos will be installed in C:\\\\Program Files\\\\Tavos.\"",
                  "msgbox \"Tavos is installed.\""}),
              Lines("msgbox "));
    EXPECT_EQ(TavosImage(1), File("C:\\Program Files\\Tavos\\Tavos.exe"));
    EXPECT_EQ(SetupImage(1), File("C:\\Program Files\\Tavos\\Uninstall.exe"));
    EXPECT_EQ("\"C:\\Program Files\\Tavos\\Tavos.exe\"", Value(kRunKey, "Tavos"));
    EXPECT_EQ("Tavos", Value(kUninstallKey, "DisplayName"));
    EXPECT_EQ("\"C:\\Program Files\\Tavos\\Uninstall.exe\"",
              Value(kUninstallKey, "UninstallString"));
    EXPECT_EQ("\"C:\\Program Files\\Tavos\\Uninstall.exe\" /S",
              Value(kUninstallKey, "QuietUninstallString"));
    EXPECT_EQ("C:\\Program Files\\Tavos", Value(kUninstallKey, "InstallLocation"));
    EXPECT_EQ("C:\\Program Files\\Tavos\\Tavos.exe", Value(kUninstallKey, "DisplayIcon"));
    EXPECT_EQ("1", Value(kUninstallKey, "NoModify"));
    EXPECT_EQ("1", Value(kUninstallKey, "NoRepair"));
    EXPECT_EQ("C:\\Program Files\\Tavos\\Tavos.exe",
              LinkTarget(std::string(w.menu) + "\\Tavos.lnk"));
    EXPECT_EQ("C:\\Program Files\\Tavos\\Uninstall.exe",
              LinkTarget(std::string(w.menu) + "\\Uninstall Tavos.lnk"));
    if (nt) {
      EXPECT_EQ(DriverImage(1), File(w.driver));
      EXPECT_EQ("1", Value(kServiceKey, "Type"));          // kernel driver
      EXPECT_EQ("2", Value(kServiceKey, "Start"));         // with Windows
      EXPECT_EQ("1", Value(kServiceKey, "ErrorControl"));  // normal
      EXPECT_EQ("\\SystemRoot\\System32\\drivers\\portio.sys", Value(kServiceKey, "ImagePath"));
      EXPECT_TRUE(M().Kernel().Io().DriverLoaded()) << "the service runs portio";
    } else {
      EXPECT_FALSE(KeyExists(kServiceKey));
      EXPECT_EQ("<missing>", File("C:\\WINDOWS\\SYSTEM\\drivers\\portio.sys"));
    }
    ASSERT_EQ(1u, RunningTavos().size()) << "an interactive install starts Tavos";
    if (nt) {
      EXPECT_EQ(1u, M().Kernel().Io().OpenHandles()) << "Tavos opened the driver's device";
    }

    // ---- silent upgrade over the running Tavos: ended by its EXIT command, replaced, running
    // again; the driver stopped, replaced and started again.
    const DWORD oldPid = RunningTavos()[0]->pid;
    size_t from = M().Timeline().size();
    EXPECT_EQ(0, Run(kUpgradePath, "/S"));
    EXPECT_EQ(std::vector<std::string>{}, Lines("msgbox ", from)) << "silent: no message box";
    EXPECT_EQ(std::vector<std::string>{}, Lines("process terminate", from))
        << "Tavos obeyed its EXIT command";
    EXPECT_EQ(std::vector<std::string>{"process end \"Tavos.exe\" code=0"},
              Lines("process end \"Tavos.exe\"", from));
    EXPECT_EQ(TavosImage(2), File("C:\\Program Files\\Tavos\\Tavos.exe"));
    EXPECT_EQ(SetupImage(2), File("C:\\Program Files\\Tavos\\Uninstall.exe"));
    ASSERT_EQ(1u, RunningTavos().size()) << "the upgrade starts again the Tavos it ended";
    EXPECT_NE(oldPid, RunningTavos()[0]->pid);
    if (nt) {
      EXPECT_EQ(DriverImage(2), File(w.driver));
      EXPECT_EQ((std::vector<std::string>{"service stop \"portio\"", "service start \"portio\""}),
                Lines("service st", from));
      EXPECT_EQ(1u, M().Kernel().Io().OpenHandles()) << "the new Tavos opened the new driver";
    }
    EXPECT_EQ("Tavos", Value(kUninstallKey, "DisplayName")) << "one entry, upgraded in place";

    // ---- silent uninstall with Tavos running: everything the setup made goes, the settings stay.
    from = M().Timeline().size();
    EXPECT_EQ(0, Run("C:\\Program Files\\Tavos\\Uninstall.exe", "/S"));
    EXPECT_TRUE(RunningTavos().empty());
    EXPECT_FALSE(Pc().Files().Exists(kInstalled));
    EXPECT_FALSE(Pc().Files().Exists(w.menu));
    EXPECT_EQ("<missing>", Value(kRunKey, "Tavos"));
    EXPECT_FALSE(KeyExists(kUninstallKey));
    EXPECT_TRUE(KeyExists(kRunKey)) << "Windows' own key stays";
    if (nt) {
      EXPECT_FALSE(KeyExists(kServiceKey));
      EXPECT_EQ("<missing>", File(w.driver));
      EXPECT_FALSE(M().Kernel().Io().DriverLoaded());
    }
    EXPECT_EQ(kSettingsBytes, File(kSettings));
    EXPECT_EQ(kStateBytes, File(kState));
    // The uninstaller's copy goes when Windows starts again.
    const std::string copy = nt ? "C:\\TEMP\\TavosUn.exe" : "C:\\WINDOWS\\TEMP\\TavosUn.exe";
    EXPECT_EQ(SetupImage(2), File(copy));
    Pc().ApplyBootFileOperations();
    EXPECT_EQ("<missing>", File(copy));
    M().SwitchOff();
  }
}

// Every Windows but 95, 98, Me, NT 4.0, 2000 and XP (32-bit) is refused with code 3 and the
// setup's own message (interactive), changing nothing.
TEST_F(SetupTest, OtherWindowsAreRefusedWithCodeThree) {
  struct Case {
    const char* name;
    winsim::OsProfile profile;
  };
  winsim::OsProfile nt351, xp64 = winsim::CustomProfile(5, 1, VER_PLATFORM_WIN32_NT);
  ASSERT_TRUE(winsim::ProfileByName("nt351", &nt351));
  xp64.wow64 = true;
  const Case cases[] = {{"NT 3.51", nt351},
                        {"Windows Server 2003", winsim::CustomProfile(5, 2, VER_PLATFORM_WIN32_NT)},
                        {"Vista", winsim::CustomProfile(6, 0, VER_PLATFORM_WIN32_NT)},
                        {"XP on 64-bit Windows", xp64}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Boot("xp");
    Pc().SetProfile(c.profile);
    EXPECT_EQ(3, Run(kSetupPath, "/S"));
    EXPECT_EQ(std::vector<std::string>{}, Lines("msgbox "));
    EXPECT_EQ(3, Run(kSetupPath, "", {"OK"}));
    EXPECT_EQ(
        std::vector<std::string>{"msgbox \"Tavos runs on Windows 95, 98, Me, NT 4.0, 2000 and "
                                 "XP (32-bit) only. It cannot be installed on this version "
                                 "of Windows.\""},
        Lines("msgbox "));
    EXPECT_FALSE(Pc().Files().Exists(kInstalled));
    EXPECT_FALSE(KeyExists(kUninstallKey));
    M().SwitchOff();
  }
}

// On the NT family the driver's service needs an administrator: asked before anything changes.
TEST_F(SetupTest, AUserWhoIsNoAdministratorIsRefusedWithCodeFour) {
  for (const char* os : {"nt4", "2000", "xp"}) {
    SCOPED_TRACE(os);
    Boot(os);
    ASSERT_EQ(0, Run(kSetupPath, "/S"));
    Pc().SetLoggedOnUser(sim::AccessToken::InteractiveUser());
    const size_t from = M().Timeline().size();
    EXPECT_EQ(4, Run(kUpgradePath, "", {"OK"}));
    EXPECT_EQ(std::vector<std::string>{"msgbox \"The driver service cannot be installed without "
                                       "administrator rights (error 5).\""},
              Lines("msgbox ", from));
    EXPECT_EQ(TavosImage(1), File("C:\\Program Files\\Tavos\\Tavos.exe")) << "nothing changed";
    EXPECT_EQ(4, Run("C:\\Program Files\\Tavos\\Uninstall.exe", "/S"));
    EXPECT_TRUE(Pc().Files().Exists(kInstalled)) << "nothing removed";
    EXPECT_TRUE(KeyExists(kServiceKey));
    M().SwitchOff();
  }
}

}  // namespace
}  // namespace setup_test
