// GetPrivateProfileStringA and WritePrivateProfileStringA: lookups, defaults, buffer limits,
// the name lists, file placement, in-place edits and sharing.
#include <string>

#include "winsim_fixture.h"

namespace winsim_test {
namespace {

const char kContent[] =
    "[section1]\r\n"
    "name1=val1\r\n"
    "name2=\"val2\"\r\n"
    "name3\r\n"
    "name4=a\r\n"
    "[section2]\r\n";

class Kernel32Profile : public WinApiTest {
 protected:
  void SetUp() override {
    WinApiTest::SetUp();
    ini = Path("test.ini");
  }
  // GetPrivateProfileStringA into a marker-filled buffer; `got` shows `shown` bytes of it.
  DWORD Get(const char* section, const char* key, const char* fallback, DWORD size,
            const std::string& file, size_t shown) {
    char buffer[300];
    std::memset(buffer, kMarker, sizeof buffer);
    SetLastError(kUntouched);
    DWORD result = GetPrivateProfileStringA(section, key, fallback, buffer, size, file.c_str());
    error = GetLastError();
    got = Show(buffer, shown);
    return result;
  }
  // The value as a C string (up to its NUL).
  std::string Value(const char* section, const char* key, const std::string& file) {
    char buffer[300];
    std::memset(buffer, kMarker, sizeof buffer);
    GetPrivateProfileStringA(section, key, "default", buffer, sizeof buffer, file.c_str());
    return buffer;
  }
  BOOL Write(const char* section, const char* key, const char* value, const std::string& file) {
    SetLastError(kUntouched);
    BOOL result = WritePrivateProfileStringA(section, key, value, file.c_str());
    error = GetLastError();
    return result;
  }

  std::string ini;
  std::string got;
  DWORD error = 0;
};

// ---- reading values

TEST_F(Kernel32Profile, FindsSectionsAndKeysWhateverTheirCase) {
  ASSERT_TRUE(WriteBytes(ini, kContent));
  EXPECT_EQ(4u, Get("SECTION1", "NaMe1", "default", MAX_PATH, ini, 5));
  EXPECT_EQ("val1\\0", got);
  EXPECT_EQ(1u, Get("section1", "name4", "default", MAX_PATH, ini, 3));
  EXPECT_EQ("a\\0x", got);
}

TEST_F(Kernel32Profile, BlanksAroundNamesAndValuesInTheFileAreTrimmed) {
  ASSERT_TRUE(WriteBytes(ini, "[ spaced ]\r\n\t key \t=  two words \t\r\n"));
  EXPECT_EQ("two words", Value("spaced", "key", ini));
}

// What a stored file's odd lines mean. Each row: the file, a lookup, and the value Windows
// gives ("default" when the lookup finds nothing).
TEST_F(Kernel32Profile, OddLinesReadAsWindowsReadsThem) {
  struct Case {
    const char* file;
    const char* section;
    const char* key;
    const char* value;
    const char* wineDiffers;  // why Wine gives something else, or null
  };
  const Case cases[] = {
      {"[ spaced ]\r\nk=1\r\n", "spaced", "k", "1", nullptr},
      {"[a]b]\r\nk=2\r\n", "a", "k", "2", "Wine closes a header at its last ']'"},
      {"[a]b]\r\nk=2\r\n", "a]b", "k", "default", "Wine closes a header at its last ']'"},
      {"[open\r\nk=3\r\n", "open", "k", "3", "Wine takes a header without ']' for no header"},
      {"[s]\r\n;k=4\r\n", "s", "k", "default", nullptr},
      {"[s]\r\nk=diet ;gag\r\n", "s", "k", "diet ;gag", nullptr},
      {"[s]\r\n#k=5\r\n", "s", "#k", "5", nullptr},
      {"[s]\r\nk\r\n", "s", "k", "default", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " [" + c.section + "] " + c.key);
    if (c.wineDiffers && OnWine()) continue;
    ASSERT_TRUE(WriteBytes(ini, c.file));
    EXPECT_EQ(c.value, Value(c.section, c.key, ini));
  }
}

// Bytes before the first section, NULs included, stay; a last line without an ending gets one
// before anything is added after it.
TEST_F(Kernel32Profile, WritingKeepsWhatComesBeforeTheFirstSection) {
  SKIP_UNDER_WINE("Wine rewrites the file from what it parsed (todo_wine in its profile tests)");
  const std::string before("Data \0 before \0 first \0 section", 31);
  ASSERT_TRUE(WriteBytes(ini, before));
  EXPECT_TRUE(Write("section1", "key1", "string1", ini));
  EXPECT_EQ(Show(before + "\r\n[section1]\r\nkey1=string1\r\n"), Show(ReadBytes(ini)));
}

TEST_F(Kernel32Profile, OnePairOfMatchingQuotesIsStripped) {
  ASSERT_TRUE(WriteBytes(ini,
                         "[q]\r\n"
                         "double=\"val2\"\r\n"
                         "single='val3'\r\n"
                         "mixed=\"val4'\r\n"
                         "twice=\"\"val5\"\"\r\n"
                         "lone=\"\r\n"
                         "inner=a \"b\" c\r\n"));
  EXPECT_EQ(4u, Get("q", "double", "default", MAX_PATH, ini, 5));
  EXPECT_EQ("val2\\0", got);
  EXPECT_EQ("val3", Value("q", "single", ini));
  EXPECT_EQ("\"val4'", Value("q", "mixed", ini)) << "quotes that do not match stay";
  EXPECT_EQ("\"val5\"", Value("q", "twice", ini)) << "one pair only";
  EXPECT_EQ("\"", Value("q", "lone", ini));
  EXPECT_EQ("a \"b\" c", Value("q", "inner", ini));
}

TEST_F(Kernel32Profile, AMissingSectionKeyOrFileGivesTheDefault) {
  ASSERT_TRUE(WriteBytes(ini, kContent));
  EXPECT_EQ(7u, Get("notasection", "name1", "default", MAX_PATH, ini, 8));
  EXPECT_EQ("default\\0", got);
  EXPECT_EQ(7u, Get("section1", "notakey", "default", MAX_PATH, ini, 8));
  EXPECT_EQ("default\\0", got);
  EXPECT_EQ(7u, Get("section2", "name1", "default", MAX_PATH, ini, 8)) << "keys of another section";
  EXPECT_EQ(7u, Get("", "name1", "default", MAX_PATH, ini, 8)) << "an empty section name";
  EXPECT_EQ(7u, Get("section1", "", "default", MAX_PATH, ini, 8)) << "an empty key name";
  EXPECT_EQ(7u, Get("section1", "name1", "default", MAX_PATH, Path("nonexistent.ini"), 8));
  EXPECT_EQ("default\\0", got);
  EXPECT_EQ(7u, Get("section1", "name1", "default", MAX_PATH, "", 8)) << "no file name at all";
}

TEST_F(Kernel32Profile, AMissingKeyLeavesTheLastErrorAlone) {
  SKIP_UNDER_WINE("Wine sets the last error to 0 (todo_wine in its profile tests)");
  ASSERT_TRUE(WriteBytes(ini, kContent));
  EXPECT_EQ(0u, Get("section2", "DoesntExist", "", MAX_PATH, ini, 1));
  EXPECT_EQ(kUntouched, error) << "XP; Windows 7 sets ERROR_FILE_NOT_FOUND";
}

TEST_F(Kernel32Profile, DefaultsLoseTrailingBlanksAndNullMeansEmpty) {
  ASSERT_TRUE(WriteBytes(ini, kContent));
  EXPECT_EQ(0u, Get("section1", "notakey", nullptr, MAX_PATH, ini, 2));
  EXPECT_EQ("\\0x", got);
  EXPECT_EQ(0u, Get("section1", "notakey", "", MAX_PATH, ini, 2));
  EXPECT_EQ("\\0x", got);
  char fallback[] = "one two  ";
  EXPECT_EQ(7u, Get("section1", "notakey", fallback, MAX_PATH, ini, 8));
  EXPECT_EQ("one two\\0", got);
  EXPECT_STREQ("one two  ", fallback) << "the caller's default is not changed";
  EXPECT_EQ(9u, Get("section1", "notakey", "  leading", MAX_PATH, ini, 10));
  EXPECT_EQ("  leading\\0", got) << "only trailing blanks go";
}

TEST_F(Kernel32Profile, ValuesAreCutToTheBuffer) {
  ASSERT_TRUE(WriteBytes(ini, kContent));
  EXPECT_EQ(3u, Get("section1", "name1", "default", 4, ini, 5));
  EXPECT_EQ("val\\0x", got) << "size - 1 characters and a NUL";
  EXPECT_EQ(4u, Get("section1", "name1", "default", 5, ini, 6));
  EXPECT_EQ("val1\\0x", got);
  EXPECT_EQ(0u, Get("section1", "name4", "default", 1, ini, 2));
  EXPECT_EQ("\\0x", got);
  EXPECT_EQ(0u, Get("section1", "name1", "default", 0, ini, 2));
  EXPECT_EQ("xx", got) << "no room, nothing written";
  EXPECT_EQ(3u, Get("section1", "notakey", "default", 4, ini, 5));
  EXPECT_EQ("def\\0x", got) << "defaults are cut alike";
}

TEST_F(Kernel32Profile, LinesMayEndInCarriageReturnsOnly) {
  ASSERT_TRUE(WriteBytes(ini, "[section1]\rname1=val1\rname4=a\r[section2]\r"));
  EXPECT_EQ("val1", Value("section1", "name1", ini));
  EXPECT_EQ("a", Value("section1", "name4", ini));
}

TEST_F(Kernel32Profile, EveryReadGoesToTheFile) {
  ASSERT_TRUE(WriteBytes(ini, "[s]\r\nk=123\r\n"));
  EXPECT_EQ("123", Value("s", "k", ini));
  ASSERT_TRUE(WriteBytes(ini, "[s]\r\nk=124\r\n"));
  EXPECT_EQ("124", Value("s", "k", ini)) << "another program's edit is seen";
  ASSERT_TRUE(DeleteFileA(ini.c_str()));
  EXPECT_EQ("default", Value("s", "k", ini));
}

// ---- the name lists

TEST_F(Kernel32Profile, NoSectionNameListsTheSections) {
  ASSERT_TRUE(WriteBytes(ini, kContent));
  EXPECT_EQ(18u, Get(nullptr, "name1", "default", MAX_PATH, ini, 20));
  EXPECT_EQ("section1\\0section2\\0\\0x", got);
}

TEST_F(Kernel32Profile, NoKeyNameListsTheKeysThatHaveValues) {
  ASSERT_TRUE(WriteBytes(ini, kContent));
  EXPECT_EQ(18u, Get("Section1", nullptr, "default", MAX_PATH, ini, 20));
  EXPECT_EQ("name1\\0name2\\0name4\\0\\0x", got) << "name3 has no '=' and is no key";
}

TEST_F(Kernel32Profile, AListCutShortEndsInTwoNuls) {
  SKIP_UNDER_WINE("Wine ends a cut list with one NUL (todo_wine in its profile tests)");
  ASSERT_TRUE(WriteBytes(ini, kContent));
  EXPECT_EQ(14u, Get(nullptr, "name1", "default", 16, ini, 17));
  EXPECT_EQ("section1\\0secti\\0\\0x", got) << "size - 2 characters, then two NULs";
  EXPECT_EQ(14u, Get("section1", nullptr, "default", 16, ini, 17));
  EXPECT_EQ("name1\\0name2\\0na\\0\\0x", got);
  EXPECT_EQ(0u, Get("section1", nullptr, "default", 2, ini, 3));
  EXPECT_EQ("\\0\\0x", got);
  ASSERT_TRUE(WriteBytes(ini, "[section1]\r\n[section2]\r\n[section3]\r\n"));
  EXPECT_EQ(25u, Get(nullptr, nullptr, "", 27, ini, 28));
  EXPECT_EQ("section1\\0section2\\0section\\0\\0x", got);
}

TEST_F(Kernel32Profile, AListThatJustFitsLeavesTheLastByteOnXp) {
  ASSERT_TRUE(WriteBytes(ini, "[section1]\r\n[section2]\r\n[section3]\r\n"));
  EXPECT_EQ(27u, Get(nullptr, nullptr, "", 29, ini, 29));
  EXPECT_EQ("section1\\0section2\\0section3\\0\\0x", got) << "room to spare";
  EXPECT_EQ(26u, Get(nullptr, nullptr, "", 28, ini, 29));
  EXPECT_EQ("section1\\0section2\\0section3\\0xx", got)
      << "a fit with its final NUL still counts as cut, and XP does not write that NUL";
}

TEST_F(Kernel32Profile, TheListOfAMissingFileIsOneNul) {
  EXPECT_EQ(0u, Get(nullptr, nullptr, "default", 10, Path("not_here.ini"), 3));
  EXPECT_EQ("\\0xx", got);
}

TEST_F(Kernel32Profile, ASectionWithoutKeysListsTheDefault) {
  ASSERT_TRUE(WriteBytes(ini, kContent));
  EXPECT_EQ(7u, Get("section2", nullptr, "default", 10, ini, 9));
  EXPECT_EQ("default\\0x", got);
  EXPECT_EQ(7u, Get("nosection", nullptr, "default", 10, ini, 9));
  EXPECT_EQ("default\\0x", got);
}

// ---- where the file is

TEST_F(Kernel32Profile, ABareFileNameIsInTheWindowsDirectory) {
  const std::string inWindows = InWindowsDir("winsim-profile-test.ini");
  ASSERT_TRUE(WriteBytes(inWindows, kContent));
  EXPECT_EQ("val1", Value("section1", "name1", "winsim-profile-test.ini"));
  ASSERT_TRUE(WriteBytes(ini, "[section1]\r\nname1=here\r\n"));
  EXPECT_EQ("default", Value("section1", "name1", "test.ini")) << "not the current folder";

  const std::string created = InWindowsDir("winsim-profile-new.ini");
  EXPECT_TRUE(Write("App", "key", "string", "winsim-profile-new.ini"));
  EXPECT_EQ("[App]\\r\\nkey=string\\r\\n", Show(ReadBytes(created)));
}

// ---- writing

TEST_F(Kernel32Profile, WritingBuildsTheFileSectionBySection) {
  EXPECT_TRUE(Write("App1", "key1", "string1", ini)) << "the file is created";
  EXPECT_TRUE(Write("App1", "key2", "string2", ini));
  EXPECT_TRUE(Write("App1", "key3", "string3", ini));
  EXPECT_TRUE(Write("App2", "key4", "string4", ini));
  EXPECT_TRUE(Write("App3", "key5", "string5", ini));
  EXPECT_EQ(Show("[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n"
                 "[App2]\r\nkey4=string4\r\n[App3]\r\nkey5=string5\r\n"),
            Show(ReadBytes(ini)));
}

TEST_F(Kernel32Profile, AnExistingKeyIsRewrittenWhereItIs) {
  ASSERT_TRUE(WriteBytes(ini, "[App]\r\nkey1=a\r\nkey2=b\r\n[Other]\r\nkey1=c\r\n"));
  EXPECT_TRUE(Write("App", "key1", "changed", ini));
  EXPECT_TRUE(Write("app", "key2", "", ini)) << "an empty value is a value";
  EXPECT_EQ(Show("[App]\r\nkey1=changed\r\nkey2=\r\n[Other]\r\nkey1=c\r\n"), Show(ReadBytes(ini)));
  EXPECT_EQ(0u, Get("App", "key2", "default", MAX_PATH, ini, 1));
}

TEST_F(Kernel32Profile, NullValueDeletesAKeyAndNullKeyASection) {
  ASSERT_TRUE(WriteBytes(ini,
                         "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n"
                         "[App2]\r\nkey4=string4\r\n[App3]\r\nkey5=string5\r\n"));
  EXPECT_TRUE(Write("App1", "key2", nullptr, ini));
  EXPECT_EQ(Show("[App1]\r\nkey1=string1\r\nkey3=string3\r\n[App2]\r\nkey4=string4\r\n"
                 "[App3]\r\nkey5=string5\r\n"),
            Show(ReadBytes(ini)));
  EXPECT_TRUE(Write("App1", "key2", nullptr, ini)) << "deleting it again is no error";
  EXPECT_TRUE(Write("App1", nullptr, "ignored", ini));
  EXPECT_EQ(Show("[App2]\r\nkey4=string4\r\n[App3]\r\nkey5=string5\r\n"), Show(ReadBytes(ini)));
  EXPECT_TRUE(Write("App2", nullptr, nullptr, ini));
  EXPECT_TRUE(Write("App3", "key5", nullptr, ini));
  EXPECT_EQ(Show("[App3]\r\n"), Show(ReadBytes(ini))) << "the empty section stays";
}

TEST_F(Kernel32Profile, DeletingWhatIsNotThereLeavesTheFileAlone) {
  ASSERT_TRUE(WriteBytes(ini, ""));
  EXPECT_TRUE(Write("App", nullptr, "string", ini));
  EXPECT_TRUE(Write("App", "key", nullptr, ini));
  EXPECT_EQ("", Show(ReadBytes(ini)));
}

TEST_F(Kernel32Profile, CommentsBlankLinesAndOtherLinesAreKept) {
  SKIP_UNDER_WINE("Wine rewrites the whole file from what it parsed and drops blank lines");
  ASSERT_TRUE(WriteBytes(ini,
                         "; settings\r\n[App]\r\n; the key\r\nkey=1\r\nodd line\r\n\r\n"
                         "[Next]\r\nx=y\r\n"));
  EXPECT_TRUE(Write("App", "new", "2", ini));
  EXPECT_TRUE(Write("Next", "x", "z", ini));
  EXPECT_EQ(Show("; settings\r\n[App]\r\n; the key\r\nkey=1\r\nodd line\r\nnew=2\r\n\r\n"
                 "[Next]\r\nx=z\r\n"),
            Show(ReadBytes(ini)));
}

TEST_F(Kernel32Profile, ALastLineWithoutEndingGetsOne) {
  ASSERT_TRUE(WriteBytes(ini, "[App]\r\nkey=1"));
  EXPECT_TRUE(Write("App", "new", "2", ini));
  EXPECT_EQ(Show("[App]\r\nkey=1\r\nnew=2\r\n"), Show(ReadBytes(ini)));
}

TEST_F(Kernel32Profile, WritesThatCannotBeDoneFail) {
  EXPECT_FALSE(Write(nullptr, "key", "string", ini));
  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), error);
  EXPECT_EQ("<cannot open>", ReadBytes(ini)) << "no file was made";
  EXPECT_FALSE(Write("App", "key", "string", ""));
  EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), error) << "that is the Windows directory itself";
  EXPECT_FALSE(Write("App", "key", "string", Path("nodir\\a.ini")));
  EXPECT_EQ("<cannot open>", ReadBytes(Path("nodir\\a.ini")));
}

TEST_F(Kernel32Profile, AllNullIsAFlushThatSucceeds) {
  SKIP_UNDER_WINE("Wine fails the flush (todo_wine in its profile tests)");
  EXPECT_TRUE(Write(nullptr, nullptr, nullptr, ini));
  EXPECT_EQ("<cannot open>", ReadBytes(ini));
}

TEST_F(Kernel32Profile, OpenHandlesThatDoNotShareBlockReadsAndWrites) {
  ASSERT_TRUE(WriteBytes(ini, "[s]\r\nk=123\r\n"));
  HANDLE reader = CreateFileA(ini.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, reader);
  EXPECT_EQ("123", Value("s", "k", ini)) << "reading is shared";
  EXPECT_FALSE(Write("s", "k", "456", ini));
  EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), error) << "writing is not";
  CloseHandle(reader);

  HANDLE writer = CreateFileA(ini.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, writer);
  EXPECT_EQ(0u, Get("s", "k", nullptr, MAX_PATH, ini, 1)) << "reading is not shared";
  CloseHandle(writer);

  HANDLE both =
      CreateFileA(ini.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, both);
  EXPECT_TRUE(Write("s", "k", "789", ini));
  CloseHandle(both);
  EXPECT_EQ("789", Value("s", "k", ini));
}

TEST_F(Kernel32Profile, AHiddenFileStaysHidden) {
  ASSERT_TRUE(WriteBytes(ini, "[s]\r\nk=1\r\n"));
  ASSERT_TRUE(SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_HIDDEN));
  EXPECT_TRUE(Write("s", "k", "2", ini));
  EXPECT_NE(0u, GetFileAttributesA(ini.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ("2", Value("s", "k", ini));
}

TEST_F(Kernel32Profile, AReadOnlyFileIsNotWritten) {
  SKIP_UNDER_WINE("Wine keeps read-only as host permissions, which root ignores");
  ASSERT_TRUE(WriteBytes(ini, "[s]\r\nk=1\r\n"));
  ASSERT_TRUE(SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(Write("s", "k", "2", ini));
  EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), error);
  EXPECT_EQ("1", Value("s", "k", ini));
  SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
}  // namespace winsim_test
