// fopen in Windows' text mode: CR LF on disk, "\n" in the program, Ctrl-Z as the end of the
// text, the append and update modes, and the errors of paths that cannot be opened.
#include <cerrno>
#include <string>

#include "winsim_fixture.h"

namespace winsim_test {
namespace {

class StdioTextMode : public WinApiTest {
 protected:
  FILE* Open(const std::string& path, const char* mode) {
    errno = 0;
    FILE* file = fopen(path.c_str(), mode);
    error = errno;
    return file;
  }
  // Everything the stream gives until its end.
  static std::string ReadAll(FILE* file) {
    std::string text;
    char chunk[64];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, got);
    return text;
  }
  std::string ReadWith(const std::string& path, const char* mode) {
    FILE* file = Open(path, mode);
    if (file == nullptr) return "<cannot open>";
    std::string text = ReadAll(file);
    fclose(file);
    return text;
  }
  int error = 0;
};

TEST_F(StdioTextMode, WritingTurnsNewlinesIntoCrLf) {
  for (const char* mode : {"w", "wt"}) {
    FILE* file = Open(Path("out.txt"), mode);
    ASSERT_NE(nullptr, file) << mode << " errno " << error;
    EXPECT_GE(fputs("one\ntwo\n\nend", file), 0);
    EXPECT_EQ(0, fclose(file));
    EXPECT_EQ("one\\r\\ntwo\\r\\n\\r\\nend", Show(ReadBytes(Path("out.txt")))) << mode;
  }
}

TEST_F(StdioTextMode, ReadingTurnsCrLfIntoNewlinesAndKeepsLoneCarriageReturns) {
  ASSERT_TRUE(WriteBytes(Path("in.txt"), "a\r\nb\rc\r\n\r\nd"));
  EXPECT_EQ("a\\nb\\rc\\n\\nd", Show(ReadWith(Path("in.txt"), "r")));
  FILE* file = Open(Path("in.txt"), "rt");
  ASSERT_NE(nullptr, file);
  char line[16];
  ASSERT_NE(nullptr, fgets(line, sizeof line, file));
  EXPECT_STREQ("a\n", line);
  fclose(file);
}

TEST_F(StdioTextMode, CtrlZEndsTheText) {
  ASSERT_TRUE(WriteBytes(Path("z.txt"),
                         "ab\r\n\x1A"
                         "cd"));
  FILE* file = Open(Path("z.txt"), "r");
  ASSERT_NE(nullptr, file);
  EXPECT_EQ("ab\\n", Show(ReadAll(file)));
  EXPECT_TRUE(feof(file));
  EXPECT_EQ(EOF, fgetc(file)) << "and stays ended";
  fclose(file);
  EXPECT_EQ("ab\\r\\n\\x1Acd", Show(ReadWith(Path("z.txt"), "rb"))) << "not in binary mode";
}

TEST_F(StdioTextMode, BinaryModeLeavesBytesAlone) {
  FILE* file = Open(Path("b.bin"), "wb");
  ASSERT_NE(nullptr, file);
  EXPECT_EQ(5u, fwrite("a\nb\r\n", 1, 5, file));
  fclose(file);
  EXPECT_EQ("a\\nb\\r\\n", Show(ReadBytes(Path("b.bin"))));
  EXPECT_EQ("a\\nb\\r\\n", Show(ReadWith(Path("b.bin"), "rb")));
}

TEST_F(StdioTextMode, AppendingAlwaysWritesAtTheEnd) {
  ASSERT_TRUE(WriteBytes(Path("log.txt"), "first\r\n"));
  FILE* file = Open(Path("log.txt"), "a");
  ASSERT_NE(nullptr, file);
  EXPECT_GE(fputs("second\n", file), 0);
  EXPECT_EQ(0, fseek(file, 0, SEEK_SET));
  EXPECT_GE(fputs("third\n", file), 0);
  fclose(file);
  EXPECT_EQ("first\\r\\nsecond\\r\\nthird\\r\\n", Show(ReadBytes(Path("log.txt"))));
  file = Open(Path("new.txt"), "a");
  ASSERT_NE(nullptr, file) << "append creates the file";
  fclose(file);
  EXPECT_EQ("", ReadBytes(Path("new.txt")));
}

TEST_F(StdioTextMode, AppendWithUpdateDropsACtrlZAtTheEnd) {
  SKIP_UNDER_WINE("Wine's runtime keeps the Ctrl-Z that fopen's documentation says a+ removes");
  ASSERT_TRUE(WriteBytes(Path("z.txt"), "old\r\n\x1A"));
  FILE* file = Open(Path("z.txt"), "a+");
  ASSERT_NE(nullptr, file);
  EXPECT_GE(fputs("new\n", file), 0);
  fclose(file);
  EXPECT_EQ("old\\r\\nnew\\r\\n", Show(ReadBytes(Path("z.txt"))));
}

TEST_F(StdioTextMode, UpdateModesReadAndWriteThroughTheTranslation) {
  FILE* file = Open(Path("u.txt"), "w+");
  ASSERT_NE(nullptr, file);
  EXPECT_GE(fputs("ab\ncd\n", file), 0);
  EXPECT_EQ(0, fseek(file, 0, SEEK_SET));
  EXPECT_EQ("ab\\ncd\\n", Show(ReadAll(file)));
  fclose(file);

  file = Open(Path("u.txt"), "r+");
  ASSERT_NE(nullptr, file);
  EXPECT_EQ('a', fgetc(file));
  EXPECT_EQ(0, fseek(file, 0, SEEK_CUR)) << "between reading and writing";
  EXPECT_GE(fputs("X\nY", file), 0);
  fclose(file);
  EXPECT_EQ("aX\\r\\nYd\\r\\n", Show(ReadBytes(Path("u.txt"))))
      << "four bytes overwritten in place after the 'a'";
}

TEST_F(StdioTextMode, FtellCountsTheBytesOnDisk) {
  ASSERT_TRUE(WriteBytes(Path("t.txt"), "a\r\nb\r\n"));
  FILE* file = Open(Path("t.txt"), "r");
  ASSERT_NE(nullptr, file);
  EXPECT_EQ('a', fgetc(file));
  EXPECT_EQ('\n', fgetc(file));
  EXPECT_EQ(3L, ftell(file)) << "the CR counts";
  EXPECT_EQ(0, fseek(file, 3, SEEK_SET));
  EXPECT_EQ('b', fgetc(file));
  fclose(file);
}

TEST_F(StdioTextMode, PathsThatCannotBeOpened) {
  EXPECT_EQ(nullptr, Open(Path("none.txt"), "r"));
  EXPECT_EQ(ENOENT, error);
  EXPECT_EQ(nullptr, Open(Path("nodir\\a.txt"), "w"));
  EXPECT_EQ(ENOENT, error);
  EXPECT_EQ(nullptr, Open("Q:\\nodrive\\a.txt", "w"));
  EXPECT_EQ(ENOENT, error);
  EXPECT_EQ(nullptr, Open(Dir(), "r"));
  EXPECT_EQ(EACCES, error) << "a folder";
  EXPECT_EQ("<cannot open>", ReadBytes(Path("nodir\\a.txt")));
}

TEST_F(StdioTextMode, AFileHeldWithoutSharingCannotBeOpened) {
  ASSERT_TRUE(WriteBytes(Path("held.txt"), "x"));
  HANDLE held = CreateFileA(Path("held.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  EXPECT_EQ(nullptr, Open(Path("held.txt"), "r"));
  EXPECT_EQ(EACCES, error);
  CloseHandle(held);
  FILE* file = Open(Path("held.txt"), "r");
  ASSERT_NE(nullptr, file);
  HANDLE second = CreateFileA(Path("held.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(INVALID_HANDLE_VALUE, second) << "the stream shares reading and writing";
  CloseHandle(second);
  fclose(file);
}

TEST_F(StdioTextMode, RewritingAHiddenFileIsRefused) {
  SKIP_UNDER_WINE("Wine overwrites a hidden file whatever attributes CREATE_ALWAYS names");
  ASSERT_TRUE(WriteBytes(Path("h.txt"), "kept"));
  ASSERT_TRUE(SetFileAttributesA(Path("h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(nullptr, Open(Path("h.txt"), "w"));
  EXPECT_EQ(EACCES, error);
  FILE* file = Open(Path("h.txt"), "a");
  ASSERT_NE(nullptr, file) << "appending does not overwrite";
  fclose(file);
  EXPECT_EQ("kept", ReadBytes(Path("h.txt")));
}

TEST_F(StdioTextMode, AReadOnlyFileOpensForReadingOnly) {
  SKIP_UNDER_WINE("Wine keeps read-only as host permissions, which root ignores");
  ASSERT_TRUE(WriteBytes(Path("ro.txt"), "kept"));
  ASSERT_TRUE(SetFileAttributesA(Path("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  for (const char* mode : {"w", "a", "r+"}) {
    EXPECT_EQ(nullptr, Open(Path("ro.txt"), mode)) << mode;
    EXPECT_EQ(EACCES, error) << mode;
  }
  EXPECT_EQ("kept", ReadWith(Path("ro.txt"), "r"));
  SetFileAttributesA(Path("ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
}  // namespace winsim_test
