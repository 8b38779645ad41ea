// The setup's decisions as plain functions: what a command line asks, which Windows is
// supported, where everything goes and what the registry gets, how WININIT.INI is edited.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "setup/install_plan.h"
#include "setup/setup_options.h"
#include "setup/supported_windows.h"
#include "setup/wininit_text.h"

namespace setup {
namespace {

std::string ModeName(SetupMode mode) {
  switch (mode) {
    case SetupMode::kInstall:
      return "install";
    case SetupMode::kUninstall:
      return "uninstall";
    case SetupMode::kUninstallCopy:
      return "copy";
  }
  return "?";
}

// One line per command line: "ok|bad MODE silent=0|1 pid=N folder=F".
TEST(SetupOptionsTest, CommandLinesAndTheNameTheProgramRunsUnder) {
  struct Case {
    const char* commandLine;
    const char* image;
    const char* expected;
  };
  const Case cases[] = {
      {"TavosSetup.exe", "C:\\TavosSetup.exe", "ok install silent=0 pid=0 folder="},
      {"\"C:\\My Files\\TavosSetup.exe\" /S", "C:\\My Files\\TavosSetup.exe",
       "ok install silent=1 pid=0 folder="},
      {"setup.exe /s /unknown", "C:\\setup.exe", "ok install silent=1 pid=0 folder="},
      {"setup.exe /SILENT", "C:\\setup.exe", "ok install silent=0 pid=0 folder="},
      {"\"C:\\Program Files\\Tavos\\Uninstall.exe\"", "C:\\Program Files\\Tavos\\Uninstall.exe",
       "ok uninstall silent=0 pid=0 folder="},
      {"uninstall.EXE /S", "C:\\x\\UNINSTALL.EXE", "ok uninstall silent=1 pid=0 folder="},
      {"\"C:\\TEMP\\TavosUn.exe\" /S /UNINSTALL-COPY=420 /D=C:\\Program Files\\Tavos  ",
       "C:\\TEMP\\TavosUn.exe", "ok copy silent=1 pid=420 folder=C:\\Program Files\\Tavos"},
      // /D= takes the rest of the line: a /S after it is part of the folder.
      {"x.exe /uninstall-copy=7 /D=C:\\A B /S", "C:\\x.exe",
       "ok copy silent=0 pid=7 folder=C:\\A B /S"},
      // A copy's malformed switches do nothing at all.
      {"x.exe /UNINSTALL-COPY= /D=C:\\Tavos", "C:\\x.exe",
       "bad copy silent=0 pid=0 folder=C:\\Tavos"},
      {"x.exe /UNINSTALL-COPY=12a /D=C:\\Tavos", "C:\\x.exe",
       "bad copy silent=0 pid=0 folder=C:\\Tavos"},
      {"x.exe /UNINSTALL-COPY=4294967296 /D=C:\\Tavos", "C:\\x.exe",
       "bad copy silent=0 pid=0 folder=C:\\Tavos"},
      // The 95 family's process ids are near the top of a DWORD.
      {"x.exe /UNINSTALL-COPY=4294642271 /D=C:\\Tavos", "C:\\x.exe",
       "ok copy silent=0 pid=4294642271 folder=C:\\Tavos"},
      {"x.exe /UNINSTALL-COPY=4294967295 /D=C:\\Tavos", "C:\\x.exe",
       "ok copy silent=0 pid=4294967295 folder=C:\\Tavos"},
      {"x.exe /UNINSTALL-COPY=5", "C:\\x.exe", "bad copy silent=0 pid=5 folder="},
      {"x.exe /UNINSTALL-COPY=5 /D=", "C:\\x.exe", "bad copy silent=0 pid=5 folder="},
  };
  for (const Case& c : cases) {
    SetupOptions options;
    bool ok = ParseSetupArguments(ArgumentsOf(c.commandLine), c.image, &options);
    std::string got =
        std::string(ok ? "ok " : "bad ") + ModeName(options.mode) +
        " silent=" + (options.silent ? "1" : "0") + " pid=" + std::to_string(options.originalPid) +
        " folder=" +
        (ok || options.mode == SetupMode::kUninstallCopy ? options.folder.c_str() : "");
    EXPECT_EQ(c.expected, got) << c.commandLine;
  }
  // A folder too long for a path is refused, not cut.
  std::string longLine = "x.exe /UNINSTALL-COPY=5 /D=C:\\" + std::string(300, 'a');
  SetupOptions options;
  EXPECT_FALSE(ParseSetupArguments(ArgumentsOf(longLine.c_str()), "x.exe", &options));
  // The copy is started with a command line it reads back as it was meant.
  LineText line;
  CopyCommandLine("C:\\TEMP\\TavosUn.exe", true, 4242, "C:\\Program Files\\Tavos", &line);
  EXPECT_STREQ("\"C:\\TEMP\\TavosUn.exe\" /S /UNINSTALL-COPY=4242 /D=C:\\Program Files\\Tavos",
               line.c_str());
  ASSERT_TRUE(ParseSetupArguments(ArgumentsOf(line.c_str()), "C:\\TEMP\\TavosUn.exe", &options));
  EXPECT_EQ(4242u, options.originalPid);
  EXPECT_STREQ("C:\\Program Files\\Tavos", options.folder.c_str());
}

TEST(SupportedWindowsTest, NinetyFiveToXpThirtyTwoBitOnly) {
  struct Case {
    DWORD platform, major, minor;
    bool wow64;
    bool supported;
    const char* name;
  };
  const Case cases[] = {
      {VER_PLATFORM_WIN32_WINDOWS, 4, 0, false, true, "95"},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 10, false, true, "98"},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 90, false, true, "Me"},
      {VER_PLATFORM_WIN32_NT, 4, 0, false, true, "NT 4.0"},
      {VER_PLATFORM_WIN32_NT, 5, 0, false, true, "2000"},
      {VER_PLATFORM_WIN32_NT, 5, 1, false, true, "XP"},
      {VER_PLATFORM_WIN32_NT, 5, 1, true, false, "XP on 64-bit Windows"},
      {VER_PLATFORM_WIN32_NT, 3, 51, false, false, "NT 3.51"},
      {VER_PLATFORM_WIN32_NT, 5, 2, false, false, "2003 or XP x64"},
      {VER_PLATFORM_WIN32_NT, 6, 0, false, false, "Vista"},
      {VER_PLATFORM_WIN32_NT, 10, 0, false, false, "10"},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 91, false, false, "a 9x version after Me"},
      {VER_PLATFORM_WIN32s, 3, 11, false, false, "Win32s"},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 10, true, false, "9x cannot be 64-bit: said so, refused"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.supported, IsSupportedWindows(c.platform, c.major, c.minor, c.wow64)) << c.name;
}

TEST(InstallPlanTest, LayoutAndRegistryValues) {
  PathText folder;
  ChooseInstallFolder("", "C:\\Program Files", &folder);
  EXPECT_STREQ("C:\\Program Files\\Tavos", folder.c_str());
  ChooseInstallFolder("D:\\Tools\\Tavos\\\\", "C:\\Program Files", &folder);
  EXPECT_STREQ("D:\\Tools\\Tavos", folder.c_str()) << "an earlier install's folder, once";
  ChooseInstallFolder("Tavos", "", &folder);
  EXPECT_STREQ("C:\\Program Files\\Tavos", folder.c_str()) << "a relative record is ignored";

  InstallLayout layout;
  ASSERT_TRUE(MakeLayout("C:\\Program Files\\Tavos", "C:\\WINDOWS\\system32",
                         "C:\\Documents and Settings\\All Users\\Start Menu\\Programs\\", &layout));
  EXPECT_STREQ("C:\\Program Files\\Tavos\\Tavos.exe", layout.tavosExe.c_str());
  EXPECT_STREQ("C:\\Program Files\\Tavos\\Uninstall.exe", layout.uninstallExe.c_str());
  EXPECT_STREQ("C:\\WINDOWS\\system32\\drivers\\portio.sys", layout.driverFile.c_str());
  EXPECT_STREQ(
      "C:\\Documents and Settings\\All Users\\Start Menu\\Programs\\Tavos\\Uninstall Tavos.lnk",
      layout.uninstallLink.c_str());
  EXPECT_FALSE(MakeLayout("Tavos", "C:\\WINDOWS\\system32", "C:\\Menu", &layout));
  const std::string deep = "C:\\" + std::string(250, 'x');
  EXPECT_FALSE(MakeLayout(deep.c_str(), "C:\\WINDOWS\\SYSTEM", "C:\\Menu", &layout))
      << "a path that does not fit is refused, never cut";

  ASSERT_TRUE(MakeLayout("C:\\Program Files\\Tavos", "C:\\WINDOWS\\SYSTEM", "C:\\Menu", &layout));
  RegistryValue values[kRegistryValueCount];
  RegistryValuesOf(layout, values);
  std::vector<std::string> got;
  for (const RegistryValue& value : values)
    got.push_back(std::string(std::strcmp(value.key, kRunKey) == 0 ? "Run " : "Uninstall ") +
                  value.name + "=" +
                  (value.type == REG_DWORD ? std::to_string(value.number) : value.text.c_str()));
  const std::vector<std::string> expected = {
      "Run Tavos=\"C:\\Program Files\\Tavos\\Tavos.exe\"",
      "Uninstall DisplayName=Tavos",
      "Uninstall UninstallString=\"C:\\Program Files\\Tavos\\Uninstall.exe\"",
      "Uninstall QuietUninstallString=\"C:\\Program Files\\Tavos\\Uninstall.exe\" /S",
      "Uninstall InstallLocation=C:\\Program Files\\Tavos",
      "Uninstall DisplayIcon=C:\\Program Files\\Tavos\\Tavos.exe",
      "Uninstall NoModify=1",
      "Uninstall NoRepair=1"};
  EXPECT_EQ(expected, got);
  EXPECT_TRUE(IsTavosProgramFile("C:\\PROGRA~1\\TAVOS\\TAVOS.EXE"));
  EXPECT_TRUE(IsTavosProgramFile("Tavos.exe"));
  EXPECT_FALSE(IsTavosProgramFile("C:\\Program Files\\Tavos\\MyTavos.exe"));
  EXPECT_FALSE(IsTavosProgramFile("C:\\Tavos.exe\\Other.exe"));
}

TEST(WininitTextTest, TheDeletionGoesAtTheTopOfRename) {
  struct Case {
    const char* before;
    const char* after;
  };
  const Case cases[] = {
      {"", "[rename]\r\nNUL=C:\\WINDOWS\\TEMP\\TAVOSUN.EXE\r\n"},
      {"[Other]\r\nA=1", "[Other]\r\nA=1\r\n[rename]\r\nNUL=C:\\WINDOWS\\TEMP\\TAVOSUN.EXE\r\n"},
      {"[RENAME]\r\nNUL=C:\\OLD.EXE\r\n",
       "[RENAME]\r\nNUL=C:\\WINDOWS\\TEMP\\TAVOSUN.EXE\r\nNUL=C:\\OLD.EXE\r\n"},
      {"[x]\n [rename] \nC:\\NEW.DLL=C:\\TMP.DLL\n",
       "[x]\n [rename] \nNUL=C:\\WINDOWS\\TEMP\\TAVOSUN.EXE\r\nC:\\NEW.DLL=C:\\TMP.DLL\n"},
      {"[rename]", "[rename]\r\nNUL=C:\\WINDOWS\\TEMP\\TAVOSUN.EXE\r\n"},
      {"[renamed]\r\n", "[renamed]\r\n[rename]\r\nNUL=C:\\WINDOWS\\TEMP\\TAVOSUN.EXE\r\n"},
  };
  for (const Case& c : cases) {
    std::vector<char> result;
    AddWininitDeletion(c.before, std::strlen(c.before), "C:\\WINDOWS\\TEMP\\TAVOSUN.EXE", &result);
    EXPECT_EQ(c.after, std::string(result.begin(), result.end())) << c.before;
  }
}

}  // namespace
}  // namespace setup
