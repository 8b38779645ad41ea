// The program's decisions that need no Windows: version codes, which keys call for which
// actions, the user key's mute routing, and which process names count as a running copy.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/hot_keys.h"
#include "app/instance_match.h"
#include "app/user_key.h"
#include "app/version_code.h"
#include "settings/settings_keys.h"
#include "ui/brightness_dlg.h"

namespace {

OSVERSIONINFOA Version(DWORD major, DWORD minor, DWORD platform) {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  info.dwMajorVersion = major;
  info.dwMinorVersion = minor;
  info.dwPlatformId = platform;
  return info;
}

TEST(VersionCode, TellsNt40FromWindows95AndPicksTheDirectPortFamily) {
  struct Case {
    DWORD major, minor, platform;
    int code;
    bool direct;
  } cases[] = {
      {4, 0, VER_PLATFORM_WIN32_WINDOWS, 400, true},  {4, 10, VER_PLATFORM_WIN32_WINDOWS, 410, true},
      {4, 90, VER_PLATFORM_WIN32_WINDOWS, 490, true}, {3, 51, VER_PLATFORM_WIN32_NT, 351, false},
      {4, 0, VER_PLATFORM_WIN32_NT, 401, false},      {5, 0, VER_PLATFORM_WIN32_NT, 500, false},
      {5, 1, VER_PLATFORM_WIN32_NT, 501, false},      {5, 2, VER_PLATFORM_WIN32_NT, 502, false},
      {4, 1, VER_PLATFORM_WIN32_WINDOWS, 401, false},
  };
  for (const Case& c : cases) {
    int code = tavos::VersionCode(Version(c.major, c.minor, c.platform));
    EXPECT_EQ(c.code, code) << c.major << "." << c.minor << " platform " << c.platform;
    EXPECT_EQ(c.direct, tavos::IsDirectPortVersion(code)) << code;
  }
}

TEST(HotKeys, AFailedOrFloatingReadIsNoKey) {
  EXPECT_EQ(0, tavos::StatusFromRead(true, 0xFF));
  EXPECT_EQ(0, tavos::StatusFromRead(false, 0x01));
  EXPECT_EQ(0x21, tavos::StatusFromRead(true, 0x21));
}

TEST(HotKeys, DriverPathReadsOneByte) {
  tavos::HotKeyActions all = tavos::ActionsForDriverPath(0x0F);
  EXPECT_TRUE(all.browser && all.mail && all.search && all.user);
  tavos::HotKeyActions media = tavos::ActionsForDriverPath(0x30);
  EXPECT_FALSE(media.browser || media.mail || media.search || media.user)
      << "the media keys are not dispatch actions";
}

TEST(HotKeys, DirectPathReadsOnlyTheBytesEachActionOwns) {
  // Search looks at group A alone; the user key ignores group C; browser and mail take any.
  tavos::HotKeyActions fromC = tavos::ActionsForDirectPath(0, 0, 0x0F);
  EXPECT_TRUE(fromC.browser);
  EXPECT_TRUE(fromC.mail);
  EXPECT_FALSE(fromC.search);
  EXPECT_FALSE(fromC.user);
  tavos::HotKeyActions fromB = tavos::ActionsForDirectPath(0, 0x0F, 0);
  EXPECT_FALSE(fromB.search);
  EXPECT_TRUE(fromB.user);
  tavos::HotKeyActions fromA = tavos::ActionsForDirectPath(0x0F, 0, 0);
  EXPECT_TRUE(fromA.browser && fromA.mail && fromA.search && fromA.user);
}

TEST(UserKey, MuteRoutingTogglesAndEndsTheTick) {
  tavos::UserKeyPlan mute = tavos::PlanUserKey("ENABLE", "ENABLE");
  EXPECT_EQ(tavos::SoundChange::Off, mute.sound);
  EXPECT_STREQ("DISABLE", mute.storeMute);
  EXPECT_TRUE(mute.endsTick);
  // Anything but "ENABLE" reads as muted, so the next press turns the sound on.
  for (const char* stored : {"DISABLE", "", "enable", "ENABLED"}) {
    tavos::UserKeyPlan unmute = tavos::PlanUserKey("ENABLE", stored);
    EXPECT_EQ(tavos::SoundChange::On, unmute.sound) << stored;
    EXPECT_STREQ("ENABLE", unmute.storeMute);
    EXPECT_TRUE(unmute.endsTick);
  }
}

TEST(UserKey, OnlyExactKeywordsRoute) {
  tavos::UserKeyPlan off = tavos::PlanUserKey("DISABLE", "DISABLE");
  EXPECT_EQ(tavos::SoundChange::On, off.sound);
  EXPECT_STREQ("ENABLE", off.storeMute);
  EXPECT_FALSE(off.endsTick);
  for (const char* check : {"", "Enable", "ENABLE ", "ENABLED", "disable", "DISABLED"}) {
    tavos::UserKeyPlan none = tavos::PlanUserKey(check, "ENABLE");
    EXPECT_EQ(tavos::SoundChange::None, none.sound) << '"' << check << '"';
    EXPECT_EQ(nullptr, none.storeMute);
    EXPECT_FALSE(none.endsTick);
  }
}

TEST(InstanceMatch, OlderSystemsCompareFromTheFirstOccurrence) {
  for (int code : {400, 410, 490, 401, 351, 502}) {
    EXPECT_TRUE(tavos::IsProgramProcessName("C:\\PROGRAM FILES\\TAVOS\\TAVOS.EXE", code)) << code;
    EXPECT_TRUE(tavos::IsProgramProcessName("c:\\tools\\tavos.exe", code)) << code;
    EXPECT_TRUE(tavos::IsProgramProcessName("MYTAVOS.EXE", code)) << code;
    EXPECT_FALSE(tavos::IsProgramProcessName("TAVOS.EXE.BAK", code)) << code;
    EXPECT_FALSE(tavos::IsProgramProcessName("C:\\TAVOS.EXE\\OTHER.EXE", code)) << code;
    EXPECT_FALSE(tavos::IsProgramProcessName("C:\\TAVOS.EXE\\TAVOS.EXE", code))
        << "only the first occurrence is looked at";
  }
}

TEST(InstanceMatch, Windows2000AndXpCompareTheWholeName) {
  for (int code : {500, 501}) {
    EXPECT_TRUE(tavos::IsProgramProcessName("Tavos.exe", code));
    EXPECT_FALSE(tavos::IsProgramProcessName("MYTAVOS.EXE", code));
    EXPECT_FALSE(tavos::IsProgramProcessName("C:\\TAVOS\\TAVOS.EXE", code));
    EXPECT_FALSE(tavos::IsProgramProcessName("", code));
  }
}

// Every stored number steps as arithmetic says: down floors at 0, up caps at 7, and the
// ends of the int range, or numbers beyond it, neither overflow nor differ between Windows'
// 32-bit and Linux's 64-bit long.
TEST(BrightnessLevel, AnyStoredNumberStepsAsArithmeticSays) {
  struct Case {
    const char* stored;
    int down, up;
  } cases[] = {
      {"", 0, 1},
      {"abc", 0, 1},
      {"0", 0, 1},
      {"6", 5, 7},
      {"7", 6, 7},
      {"12", 11, 7},
      {"-3", 0, -2},
      {" +4x", 3, 5},
      {"2147483647", 2147483646, 7},
      {"-2147483648", 0, -2147483647},
      {"99999999999", 2147483646, 7},
      {"-99999999999", 0, -2147483647},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.down, tavos::LevelAfterDown(c.stored)) << '"' << c.stored << "\" down";
    EXPECT_EQ(c.up, tavos::LevelAfterUp(c.stored)) << '"' << c.stored << "\" up";
  }
}

// The state file's second line is a number as Microsoft's C library reads it: leading blanks
// of any kind (a tab too), a sign, a fraction and a signed exponent; the hot keys are disabled
// only when it equals 1. What other libraries also take (hexadecimal, "inf") counts as 0.
TEST(StateFile, TheSecondLineIsOneWhenItsNumberIsOne) {
  struct Case {
    const char* line;
    double state;
  } cases[] = {
      {"1", 1.0},   {"\t1", 1.0},  {" \t 1", 1.0}, {"10e-1", 1.0}, {"0.1E+1", 1.0},
      {"+1", 1.0},  {"1.0x", 1.0}, {"1e", 1.0},    {"1e+", 1.0},   {"100e-2junk", 1.0},
      {"0", 0.0},   {"-1", 0.0},   {"2", 0.0},     {"10e1", 0.0},  {"0x1", 0.0},
      {"inf", 0.0}, {"", 0.0},     {"\v1", 1.0},
  };
  for (const Case& c : cases) {
    std::string file = std::string("[ Tavo Buttons Config File ]\n") + c.line + "\n";
    FILE* stream = fmemopen(const_cast<char*>(file.data()), file.size(), "r");
    ASSERT_NE(nullptr, stream);
    EXPECT_EQ(c.state, tavos::ReadDisabledState(stream)) << '"' << c.line << '"';
    std::fclose(stream);
  }
}

}  // namespace
