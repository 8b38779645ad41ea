// CreateFileA and friends: dispositions, attributes, sharing, reads and writes, finds,
// deletion and the Windows directory, each with the last error Windows gives.
#include <algorithm>
#include <string>
#include <vector>

#include "winsim_fixture.h"

namespace winsim_test {
namespace {

class Kernel32Files : public WinApiTest {
 protected:
  HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD disposition,
              DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    SetLastError(kUntouched);
    HANDLE file =
        CreateFileA(path.c_str(), access, share, nullptr, disposition, attributes, nullptr);
    error = GetLastError();
    return file;
  }
  DWORD Attributes(const std::string& path) {
    SetLastError(kUntouched);
    DWORD attributes = GetFileAttributesA(path.c_str());
    error = GetLastError();
    return attributes;
  }
  // The names FindFirstFileA/FindNextFileA give for `pattern`, or the last error as "error N".
  std::vector<std::string> Find(const std::string& pattern) {
    WIN32_FIND_DATAA data;
    SetLastError(kUntouched);
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return {"error " + std::to_string(GetLastError())};
    std::vector<std::string> names;
    do names.push_back(data.cFileName);
    while (FindNextFileA(find, &data));
    EXPECT_EQ(DWORD(ERROR_NO_MORE_FILES), GetLastError()) << pattern;
    EXPECT_TRUE(FindClose(find));
    return names;
  }
  DWORD error = 0;
};

// ---- CreateFileA dispositions

TEST_F(Kernel32Files, CreateNewMakesAFileOnlyWhenThereIsNone) {
  HANDLE file = Open(Path("a.ini"), GENERIC_WRITE, 0, CREATE_NEW);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  EXPECT_EQ(DWORD(ERROR_SUCCESS), error);
  EXPECT_TRUE(CloseHandle(file));
  ASSERT_TRUE(WriteBytes(Path("a.ini"), "old"));
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(Path("A.INI"), GENERIC_WRITE, 0, CREATE_NEW));
  EXPECT_EQ(DWORD(ERROR_FILE_EXISTS), error);
  EXPECT_EQ("old", ReadBytes(Path("a.ini")));
}

TEST_F(Kernel32Files, CreateAlwaysTruncatesAndSaysTheFileExisted) {
  HANDLE file = Open(Path("a.ini"), GENERIC_WRITE, 0, CREATE_ALWAYS);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  EXPECT_EQ(DWORD(ERROR_SUCCESS), error) << "a new file";
  CloseHandle(file);
  ASSERT_TRUE(WriteBytes(Path("a.ini"), "old content"));
  file = Open(Path("a.ini"), GENERIC_WRITE, 0, CREATE_ALWAYS);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), error) << "success, yet the last error is set";
  CloseHandle(file);
  EXPECT_EQ("", ReadBytes(Path("a.ini")));
}

TEST_F(Kernel32Files, OpenExistingTellsAMissingFileFromAMissingFolder) {
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(Path("none.ini"), GENERIC_READ, 0, OPEN_EXISTING));
  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), error);
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(Path("nodir\\a.ini"), GENERIC_READ, 0, OPEN_EXISTING));
  EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), error);
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(Path("nodir\\a.ini"), GENERIC_WRITE, 0, CREATE_ALWAYS));
  EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), error) << "no folder is created";
  ASSERT_TRUE(WriteBytes(Path("a.ini"), "x"));
  HANDLE file = Open(Path("a.ini"), GENERIC_READ, 0, OPEN_EXISTING);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  EXPECT_EQ(DWORD(ERROR_SUCCESS), error);
  CloseHandle(file);
}

TEST_F(Kernel32Files, OpenAlwaysCreatesOrOpensWithoutTruncating) {
  HANDLE file = Open(Path("a.ini"), GENERIC_WRITE, 0, OPEN_ALWAYS);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  EXPECT_EQ(DWORD(ERROR_SUCCESS), error);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, "kept", 4, &written, nullptr));
  CloseHandle(file);
  file = Open(Path("a.ini"), GENERIC_READ, 0, OPEN_ALWAYS);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), error);
  CloseHandle(file);
  EXPECT_EQ("kept", ReadBytes(Path("a.ini")));
}

TEST_F(Kernel32Files, TruncateExistingEmptiesOnlyAnExistingFile) {
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(Path("a.ini"), GENERIC_WRITE, 0, TRUNCATE_EXISTING));
  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), error);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, Attributes(Path("a.ini"))) << "nothing was created";
  ASSERT_TRUE(WriteBytes(Path("a.ini"), "old"));
  HANDLE file = Open(Path("a.ini"), GENERIC_WRITE, 0, TRUNCATE_EXISTING);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  EXPECT_EQ(DWORD(ERROR_SUCCESS), error);
  CloseHandle(file);
  EXPECT_EQ("", ReadBytes(Path("a.ini")));
}

TEST_F(Kernel32Files, TruncateExistingNeedsWriteAccess) {
  SKIP_UNDER_WINE("Wine truncates a file opened with GENERIC_READ only");
  ASSERT_TRUE(WriteBytes(Path("a.ini"), "old"));
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(Path("a.ini"), GENERIC_READ, 0, TRUNCATE_EXISTING));
  EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), error);
  EXPECT_EQ("old", ReadBytes(Path("a.ini")));
}

TEST_F(Kernel32Files, UnknownDispositionsAreInvalidParameters) {
  for (DWORD disposition : {0u, 6u, 0xFFFFFFFFu}) {
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(Path("a.ini"), GENERIC_WRITE, 0, disposition));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), error) << disposition;
  }
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, Attributes(Path("a.ini")));
}

// ---- attributes given to CreateFileA

TEST_F(Kernel32Files, AttributesApplyWhenTheFileIsCreated) {
  HANDLE file = Open(Path("hidden.ini"), GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  CloseHandle(file);
  EXPECT_EQ(DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE), Attributes(Path("hidden.ini")))
      << "a new file is also marked for archiving";
  file = Open(Path("plain.ini"), GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  CloseHandle(file);
  EXPECT_EQ(DWORD(FILE_ATTRIBUTE_ARCHIVE), Attributes(Path("plain.ini")));
}

TEST_F(Kernel32Files, AttributesAreIgnoredWhenTheFileExists) {
  ASSERT_TRUE(WriteBytes(Path("plain.ini"), "x"));
  HANDLE file = Open(Path("plain.ini"), GENERIC_WRITE, 0, OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  CloseHandle(file);
  EXPECT_EQ(DWORD(FILE_ATTRIBUTE_ARCHIVE), Attributes(Path("plain.ini")));
  ASSERT_TRUE(SetFileAttributesA(Path("plain.ini").c_str(), FILE_ATTRIBUTE_HIDDEN));
  file = Open(Path("plain.ini"), GENERIC_READ, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  CloseHandle(file);
  EXPECT_NE(0u, Attributes(Path("plain.ini")) & FILE_ATTRIBUTE_HIDDEN) << "still hidden";
}

TEST_F(Kernel32Files, OverwritingAHiddenFileMustNameItsAttributes) {
  SKIP_UNDER_WINE("Wine overwrites a hidden file whatever attributes CREATE_ALWAYS names");
  HANDLE file = Open(Path("h.ini"), GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  DWORD written = 0;
  WriteFile(file, "old", 3, &written, nullptr);
  CloseHandle(file);
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(Path("h.ini"), GENERIC_WRITE, 0, CREATE_ALWAYS));
  EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), error);
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(Path("h.ini"), GENERIC_WRITE, 0, TRUNCATE_EXISTING));
  EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), error);
  EXPECT_EQ("old", ReadBytes(Path("h.ini")));
  file = Open(Path("h.ini"), GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), error);
  CloseHandle(file);
  EXPECT_EQ("", ReadBytes(Path("h.ini")));
}

TEST_F(Kernel32Files, AReadOnlyFileOpensForReadingOnly) {
  SKIP_UNDER_WINE("Wine keeps read-only as host permissions, which root ignores");
  ASSERT_TRUE(WriteBytes(Path("ro.ini"), "kept"));
  ASSERT_TRUE(SetFileAttributesA(Path("ro.ini").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(Path("ro.ini"), GENERIC_WRITE, 0, OPEN_EXISTING));
  EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), error);
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(Path("ro.ini"), GENERIC_READ, 0, CREATE_ALWAYS));
  EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), error);
  HANDLE file = Open(Path("ro.ini"), GENERIC_READ, 0, OPEN_EXISTING);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  CloseHandle(file);
  EXPECT_EQ("kept", ReadBytes(Path("ro.ini")));
  SetFileAttributesA(Path("ro.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Kernel32Files, FoldersAndBadNamesCannotBeOpened) {
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(Dir(), GENERIC_READ, 0, OPEN_EXISTING));
  EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), error) << "a folder";
  for (const char* name : {"bad?.ini", "bad<.ini", "bad|.ini", "bad*.ini"}) {
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(Path(name), GENERIC_WRITE, 0, CREATE_ALWAYS));
    EXPECT_EQ(DWORD(ERROR_INVALID_NAME), error) << name;
  }
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open("Q:\\nodrive\\a.ini", GENERIC_WRITE, 0, CREATE_ALWAYS));
  EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), error) << "a drive that is not there";
  EXPECT_EQ(INVALID_HANDLE_VALUE,
            Open("\\\\nohost\\share\\a.ini", GENERIC_WRITE, 0, CREATE_ALWAYS));
}

TEST_F(Kernel32Files, PathsAreFoundWhateverTheirCaseAndSeparators) {
  ASSERT_TRUE(WriteBytes(Path("Tavos.ini"), "abc"));
  std::string other = Dir();
  std::replace(other.begin(), other.end(), '\\', '/');
  for (const std::string& path :
       {Path("TAVOS.INI"), other + "/tavos.ini", Path("sub\\..\\.\\Tavos.ini"), Path("Tavos.ini.")})
    EXPECT_EQ("abc", ReadBytes(path)) << path;
}

// ---- sharing

TEST_F(Kernel32Files, AnExclusiveOpenKeepsOthersOutUntilItCloses) {
  ASSERT_TRUE(WriteBytes(Path("s.ini"), "x"));
  HANDLE first = Open(Path("s.ini"), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
  ASSERT_NE(INVALID_HANDLE_VALUE, first);
  EXPECT_EQ(INVALID_HANDLE_VALUE,
            Open(Path("s.ini"), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING));
  EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), error);
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(Path("s.ini"), GENERIC_WRITE, 0, CREATE_ALWAYS));
  EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), error);
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(Path("s.ini"), GENERIC_WRITE, 0, CREATE_NEW));
  EXPECT_EQ(DWORD(ERROR_FILE_EXISTS), error) << "existence is checked before sharing";
  EXPECT_TRUE(CloseHandle(first));
  HANDLE second = Open(Path("s.ini"), GENERIC_READ, 0, OPEN_EXISTING);
  EXPECT_NE(INVALID_HANDLE_VALUE, second);
  CloseHandle(second);
}

TEST_F(Kernel32Files, SharedReadingAdmitsReadersButNoWriter) {
  ASSERT_TRUE(WriteBytes(Path("s.ini"), "x"));
  HANDLE reader = Open(Path("s.ini"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  ASSERT_NE(INVALID_HANDLE_VALUE, reader);
  HANDLE second = Open(Path("s.ini"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  EXPECT_NE(INVALID_HANDLE_VALUE, second);
  CloseHandle(second);
  EXPECT_EQ(INVALID_HANDLE_VALUE,
            Open(Path("s.ini"), GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING));
  EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), error) << "the reader does not share writing";
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(Path("s.ini"), GENERIC_READ, 0, OPEN_EXISTING));
  EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), error) << "the newcomer does not share reading";
  HANDLE attributesOnly = Open(Path("s.ini"), 0, 0, OPEN_EXISTING);
  EXPECT_NE(INVALID_HANDLE_VALUE, attributesOnly) << "no data access, no conflict";
  CloseHandle(attributesOnly);
  CloseHandle(reader);
}

// ---- ReadFile and WriteFile

TEST_F(Kernel32Files, WritesFollowEachOtherAndReadsStopAtTheEnd) {
  HANDLE file = Open(Path("b.bin"), GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  DWORD count = 77;
  EXPECT_TRUE(WriteFile(file, "ab\0c", 4, &count, nullptr));
  EXPECT_EQ(4u, count);
  count = 77;
  EXPECT_TRUE(WriteFile(file, "\r\nd", 3, &count, nullptr));
  EXPECT_EQ(3u, count);
  char buffer[8];
  count = 77;
  EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &count, nullptr));
  EXPECT_EQ(0u, count) << "at the end, a read succeeds with nothing";
  count = 77;
  EXPECT_TRUE(WriteFile(file, "", 0, &count, nullptr));
  EXPECT_EQ(0u, count);
  CloseHandle(file);
  EXPECT_EQ(Show(std::string("ab\0c\r\nd", 7)), Show(ReadBytes(Path("b.bin"))));

  file = Open(Path("b.bin"), GENERIC_READ, 0, OPEN_EXISTING);
  std::memset(buffer, kMarker, sizeof buffer);
  count = 77;
  EXPECT_TRUE(ReadFile(file, buffer, 5, &count, nullptr));
  EXPECT_EQ(5u, count);
  EXPECT_EQ(Show(std::string("ab\0c\rxxx", 8)), Show(buffer, 8)) << "nothing past what was read";
  EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &count, nullptr));
  EXPECT_EQ(2u, count);
  CloseHandle(file);
}

TEST_F(Kernel32Files, ReadingAndWritingNeedTheirAccess) {
  ASSERT_TRUE(WriteBytes(Path("a.ini"), "data"));
  HANDLE reader =
      Open(Path("a.ini"), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  DWORD count = 77;
  SetLastError(kUntouched);
  EXPECT_FALSE(WriteFile(reader, "x", 1, &count, nullptr));
  EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
  EXPECT_EQ(0u, count);
  HANDLE writer =
      Open(Path("a.ini"), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  char buffer[4];
  count = 77;
  SetLastError(kUntouched);
  EXPECT_FALSE(ReadFile(writer, buffer, sizeof buffer, &count, nullptr));
  EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
  EXPECT_EQ(0u, count);
  CloseHandle(writer);
  CloseHandle(reader);
  EXPECT_EQ("data", ReadBytes(Path("a.ini")));
}

TEST_F(Kernel32Files, IoOnHandlesThatAreNoFilesFails) {
  char buffer[4];
  DWORD count = 77;
  SetLastError(kUntouched);
  EXPECT_FALSE(ReadFile(INVALID_HANDLE_VALUE, buffer, sizeof buffer, &count, nullptr));
  EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
  EXPECT_EQ(0u, count);
  count = 77;
  SetLastError(kUntouched);
  EXPECT_FALSE(WriteFile(INVALID_HANDLE_VALUE, "x", 1, &count, nullptr));
  EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
  EXPECT_EQ(0u, count);
}

// ---- FindFirstFileA

TEST_F(Kernel32Files, FindsAnExactNameInAnyCaseWithItsData) {
  ASSERT_TRUE(WriteBytes(Path("Tavos.ini"), "12345"));
  WIN32_FIND_DATAA data;
  std::memset(&data, kMarker, sizeof data);
  HANDLE find = FindFirstFileA(Path("TAVOS.INI").c_str(), &data);
  ASSERT_NE(INVALID_HANDLE_VALUE, find);
  EXPECT_STREQ("Tavos.ini", data.cFileName) << "the name as stored";
  EXPECT_EQ(5u, data.nFileSizeLow);
  EXPECT_EQ(0u, data.nFileSizeHigh);
  EXPECT_EQ(DWORD(FILE_ATTRIBUTE_ARCHIVE), data.dwFileAttributes);
  SetLastError(kUntouched);
  EXPECT_FALSE(FindNextFileA(find, &data));
  EXPECT_EQ(DWORD(ERROR_NO_MORE_FILES), GetLastError());
  EXPECT_TRUE(FindClose(find));
}

TEST_F(Kernel32Files, WildcardsMatchInTheLastName) {
  for (const char* name : {"a.ini", "B.ini", "c.txt", "README"})
    ASSERT_TRUE(WriteBytes(Path(name), ""));
  auto sorted = [](std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
  };
  EXPECT_EQ((std::vector<std::string>{"B.ini", "a.ini"}), sorted(Find(Path("*.ini"))));
  EXPECT_EQ((std::vector<std::string>{"B.ini", "a.ini"}), sorted(Find(Path("?.INI"))));
  EXPECT_EQ((std::vector<std::string>{"c.txt"}), Find(Path("c.t?t")));
  EXPECT_EQ((std::vector<std::string>{"README"}), Find(Path("r*")));
  EXPECT_EQ((std::vector<std::string>{".", "..", "B.ini", "README", "a.ini", "c.txt"}),
            sorted(Find(Path("*"))))
      << "a folder below the root lists itself and its parent";
  EXPECT_EQ(sorted(Find(Path("*"))), sorted(Find(Path("*.*")))) << "*.* is every name";
}

TEST_F(Kernel32Files, FindReportsFoldersAsFolders) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(Dir().c_str(), &data);
  ASSERT_NE(INVALID_HANDLE_VALUE, find);
  EXPECT_NE(0u, data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(Dir().substr(Dir().find_last_of('\\') + 1), data.cFileName);
  FindClose(find);
}

TEST_F(Kernel32Files, FindErrorsTellWhatIsMissing) {
  EXPECT_EQ(std::vector<std::string>{"error 2"}, Find(Path("*.none"))) << "ERROR_FILE_NOT_FOUND";
  EXPECT_EQ(std::vector<std::string>{"error 2"}, Find(Path("none.ini")));
  EXPECT_EQ(std::vector<std::string>{"error 3"}, Find(Path("nodir\\*.ini")))
      << "ERROR_PATH_NOT_FOUND";
  EXPECT_EQ(std::vector<std::string>{"error 2"}, Find(Dir() + "\\")) << "a trailing separator";
  EXPECT_EQ(std::vector<std::string>{"error 123"}, Find(Path("*\\a.ini"))) << "ERROR_INVALID_NAME";
}

TEST_F(Kernel32Files, FindHandlesAreCheckedAndClosedOnce) {
  WIN32_FIND_DATAA data;
  SetLastError(kUntouched);
  EXPECT_FALSE(FindNextFileA(INVALID_HANDLE_VALUE, &data));
  EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
  SetLastError(kUntouched);
  EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));
  EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
}

// ---- attributes

TEST_F(Kernel32Files, GetFileAttributesTellsWhatIsMissing) {
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, Attributes(Path("none.ini")));
  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), error);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, Attributes(Path("nodir\\a.ini")));
  EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), error);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, Attributes(Path("bad?.ini")));
  EXPECT_EQ(DWORD(ERROR_INVALID_NAME), error);
  EXPECT_EQ(DWORD(FILE_ATTRIBUTE_DIRECTORY), Attributes(Dir()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(kUntouched, error) << "success leaves the last error alone";
}

TEST_F(Kernel32Files, SetFileAttributesMarksAFile) {
  ASSERT_TRUE(WriteBytes(Path("a.ini"), "x"));
  EXPECT_TRUE(
      SetFileAttributesA(Path("A.INI").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  EXPECT_EQ(DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
            Attributes(Path("a.ini")) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  SetLastError(kUntouched);
  EXPECT_FALSE(SetFileAttributesA(Path("none.ini").c_str(), FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, Attributes(Path("none.ini")));
}

TEST_F(Kernel32Files, SetFileAttributesReplacesAllOfThem) {
  SKIP_UNDER_WINE("Wine always reports FILE_ATTRIBUTE_ARCHIVE on a file");
  ASSERT_TRUE(WriteBytes(Path("a.ini"), "x"));
  ASSERT_TRUE(SetFileAttributesA(Path("a.ini").c_str(), FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(DWORD(FILE_ATTRIBUTE_HIDDEN), Attributes(Path("a.ini")));
  ASSERT_TRUE(SetFileAttributesA(Path("a.ini").c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(DWORD(FILE_ATTRIBUTE_NORMAL), Attributes(Path("a.ini"))) << "no attribute left";
}

// ---- DeleteFileA

TEST_F(Kernel32Files, DeleteRemovesTheFileAndItsAttributes) {
  HANDLE file = Open(Path("a.ini"), GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN);
  CloseHandle(file);
  EXPECT_TRUE(DeleteFileA(Path("A.ini").c_str()));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, Attributes(Path("a.ini")));
  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), error);
  SetLastError(kUntouched);
  EXPECT_FALSE(DeleteFileA(Path("a.ini").c_str()));
  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
  SetLastError(kUntouched);
  EXPECT_FALSE(DeleteFileA(Path("nodir\\a.ini").c_str()));
  EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), GetLastError());
  ASSERT_TRUE(WriteBytes(Path("a.ini"), ""));
  EXPECT_EQ(0u, Attributes(Path("a.ini")) & FILE_ATTRIBUTE_HIDDEN) << "a new file, not hidden";
}

TEST_F(Kernel32Files, DeleteRefusesFoldersAndOpenFiles) {
  SetLastError(kUntouched);
  EXPECT_FALSE(DeleteFileA(Dir().c_str()));
  EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
  ASSERT_TRUE(WriteBytes(Path("open.ini"), "x"));
  HANDLE file =
      Open(Path("open.ini"), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  SetLastError(kUntouched);
  EXPECT_FALSE(DeleteFileA(Path("open.ini").c_str()));
  EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError());
  CloseHandle(file);
  EXPECT_TRUE(DeleteFileA(Path("open.ini").c_str()));
}

TEST_F(Kernel32Files, DeleteRefusesAReadOnlyFile) {
  ASSERT_TRUE(WriteBytes(Path("ro.ini"), "x"));
  ASSERT_TRUE(SetFileAttributesA(Path("ro.ini").c_str(), FILE_ATTRIBUTE_READONLY));
  SetLastError(kUntouched);
  EXPECT_FALSE(DeleteFileA(Path("ro.ini").c_str()));
  EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
  EXPECT_EQ("x", ReadBytes(Path("ro.ini")));
  ASSERT_TRUE(SetFileAttributesA(Path("ro.ini").c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(DeleteFileA(Path("ro.ini").c_str()));
}

// ---- GetWindowsDirectoryA

TEST_F(Kernel32Files, WindowsDirectoryFitsAndReportsItsLength) {
  char buffer[MAX_PATH];
  std::memset(buffer, kMarker, sizeof buffer);
  UINT length = GetWindowsDirectoryA(buffer, MAX_PATH);
  ASSERT_GT(length, 3u);
  ASSERT_LT(length, UINT(MAX_PATH));
  EXPECT_EQ(length, std::strlen(buffer)) << "the length, terminator not counted";
  EXPECT_TRUE((buffer[0] == 'C' || buffer[0] == 'c') && buffer[1] == ':' && buffer[2] == '\\')
      << buffer;
  EXPECT_NE('\\', buffer[length - 1]) << "no trailing separator";
  EXPECT_NE(0u, Attributes(buffer) & FILE_ATTRIBUTE_DIRECTORY);

  char exact[MAX_PATH];
  EXPECT_EQ(length, GetWindowsDirectoryA(exact, length + 1)) << "just room for the terminator";
  EXPECT_STREQ(buffer, exact);
}

TEST_F(Kernel32Files, WindowsDirectoryTooSmallGetsTheSizeNeededAndStaysUntouched) {
  char full[MAX_PATH];
  const UINT length = GetWindowsDirectoryA(full, MAX_PATH);
  for (UINT size : {0u, 1u, 4u, length}) {
    char buffer[MAX_PATH];
    std::memset(buffer, kMarker, sizeof buffer);
    EXPECT_EQ(length + 1, GetWindowsDirectoryA(buffer, size)) << "size " << size;
    EXPECT_EQ(std::string(sizeof buffer, kMarker), std::string(buffer, sizeof buffer)) << size;
  }
  EXPECT_EQ(length + 1, GetWindowsDirectoryA(nullptr, 0));
}

}  // namespace
}  // namespace winsim_test
