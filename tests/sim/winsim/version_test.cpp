// GetVersionExA's size check and fields per Windows version, injected failures, GetVersion's
// layout and the default language.
#include <cstring>
#include <string>

#include "sim_pc_fixture.h"

namespace winsim_test {
namespace {

constexpr DWORD kVersionInfoExSize = 156;  // OSVERSIONINFOEXA

// OSVERSIONINFOA with room for the extended structure's tail.
struct VersionBuffer {
  OSVERSIONINFOA info;
  unsigned char exTail[kVersionInfoExSize - sizeof(OSVERSIONINFOA)];
};

class Version : public SimPcTest {
 protected:
  // GetVersionExA on a marker-filled structure of the given declared size.
  BOOL Query(DWORD size) {
    std::memset(&buffer, 'x', sizeof buffer);
    buffer.info.dwOSVersionInfoSize = size;
    SetLastError(kUntouched);
    BOOL ok = GetVersionExA(&buffer.info);
    error = GetLastError();
    return ok;
  }
  bool Untouched() const { return buffer.info.dwMajorVersion == 0x78787878 && buffer.info.szCSDVersion[0] == 'x'; }

  VersionBuffer buffer;
  DWORD error = 0;
};

TEST_F(Version, TheSizeMustBeOneOfTheTwoStructures) {
  for (DWORD size : {DWORD(0), DWORD(sizeof(OSVERSIONINFOA) - 1), DWORD(sizeof(OSVERSIONINFOA) + 1),
                     kVersionInfoExSize - 1, kVersionInfoExSize + 1}) {
    EXPECT_FALSE(Query(size)) << "size " << size;
    EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), error) << "size " << size;
    EXPECT_TRUE(Untouched()) << "size " << size;
  }
  EXPECT_TRUE(Query(sizeof(OSVERSIONINFOA)));
  EXPECT_EQ(sizeof(OSVERSIONINFOA), buffer.info.dwOSVersionInfoSize);
  EXPECT_TRUE(Query(kVersionInfoExSize));
  EXPECT_EQ(5u, buffer.info.dwMajorVersion);
}

// The extended structure exists from NT 4.0 Service Pack 6 on; it tells the service pack's
// number and a workstation.
TEST_F(Version, OnlyNtFromNt4Sp6OnKnowsTheExtendedStructure) {
  const auto* ex = reinterpret_cast<const OSVERSIONINFOEXA*>(&buffer);
  for (const char* old : {"95", "98", "me", "nt351"}) {
    pc->SetProfile(Profile(old));
    EXPECT_FALSE(Query(kVersionInfoExSize)) << old;
    EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), error) << old;
    EXPECT_TRUE(Untouched()) << old;
  }
  winsim::OsProfile nt4sp5 = Profile("nt4");
  nt4sp5.servicePack = "Service Pack 5";
  pc->SetProfile(nt4sp5);
  EXPECT_FALSE(Query(kVersionInfoExSize));
  struct Case {
    const char* profile;
    WORD servicePack;
  };
  for (const Case& c : {Case{"nt4", 6}, Case{"2000", 4}, Case{"xp", 2}}) {
    pc->SetProfile(Profile(c.profile));
    ASSERT_TRUE(Query(kVersionInfoExSize)) << c.profile;
    EXPECT_EQ(c.servicePack, ex->wServicePackMajor) << c.profile;
    EXPECT_EQ(0, ex->wServicePackMinor) << c.profile;
    EXPECT_EQ(0, ex->wSuiteMask) << c.profile;
    EXPECT_EQ(VER_NT_WORKSTATION, ex->wProductType) << c.profile;
    EXPECT_EQ(0, ex->wReserved) << c.profile;
  }
}

TEST_F(Version, FieldsFollowTheWindowsVersion) {
  struct Case {
    const char* profile;
    DWORD major, minor, build, platform;
    const char* servicePack;
    DWORD getVersion;
  };
  // The 95 family keeps major.minor in the build number's high word. GetVersion's high word
  // there has only the top two bits set (the remaining bits are reserved), as Wine gives it.
  const Case cases[] = {
      {"95", 4, 0, 0x040003B6, VER_PLATFORM_WIN32_WINDOWS, "", 0xC0000004},
      {"98", 4, 10, 0x040A07CE, VER_PLATFORM_WIN32_WINDOWS, "", 0xC0000A04},
      {"me", 4, 90, 0x045A0BB8, VER_PLATFORM_WIN32_WINDOWS, "", 0xC0005A04},
      {"nt351", 3, 51, 1057, VER_PLATFORM_WIN32_NT, "Service Pack 5", 0x04213303},
      {"nt4", 4, 0, 1381, VER_PLATFORM_WIN32_NT, "Service Pack 6", 0x05650004},
      {"2000", 5, 0, 2195, VER_PLATFORM_WIN32_NT, "Service Pack 4", 0x08930005},
      {"xp", 5, 1, 2600, VER_PLATFORM_WIN32_NT, "Service Pack 2", 0x0A280105},
  };
  for (const Case& c : cases) {
    pc->SetProfile(Profile(c.profile));
    ASSERT_TRUE(Query(sizeof(OSVERSIONINFOA))) << c.profile;
    EXPECT_EQ(c.major, buffer.info.dwMajorVersion) << c.profile;
    EXPECT_EQ(c.minor, buffer.info.dwMinorVersion) << c.profile;
    EXPECT_EQ(c.build, buffer.info.dwBuildNumber) << c.profile << std::hex << " 0x" << buffer.info.dwBuildNumber;
    EXPECT_EQ(c.platform, buffer.info.dwPlatformId) << c.profile;
    EXPECT_STREQ(c.servicePack, buffer.info.szCSDVersion) << c.profile;
    EXPECT_EQ(0, buffer.info.szCSDVersion[sizeof buffer.info.szCSDVersion - 1]) << c.profile;
    EXPECT_EQ(c.getVersion, GetVersion()) << c.profile << std::hex << " 0x" << GetVersion();
  }
}

TEST_F(Version, InjectedFailuresFailThatManyQueriesWithoutTouchingTheStructure) {
  pc->FailVersionQueries(2);
  EXPECT_FALSE(Query(0)) << "a refused size";
  EXPECT_FALSE(Query(sizeof(OSVERSIONINFOA)));
  EXPECT_EQ(DWORD(ERROR_GEN_FAILURE), error);
  EXPECT_TRUE(Untouched());
  EXPECT_FALSE(Query(sizeof(OSVERSIONINFOA)));
  EXPECT_TRUE(Untouched());
  // The refused size did not use up an injected failure.
  EXPECT_TRUE(Query(sizeof(OSVERSIONINFOA)));
  EXPECT_EQ(5u, buffer.info.dwMajorVersion);
}

TEST_F(Version, TheDefaultLanguageIsThePcs) {
  EXPECT_EQ(LANGID(0x0409), GetSystemDefaultLangID());
  pc->SetLanguage(MAKELANGID(0x07, 0x01));  // German (Germany)
  EXPECT_EQ(LANGID(0x0407), GetSystemDefaultLangID());
}

}  // namespace
}  // namespace winsim_test
