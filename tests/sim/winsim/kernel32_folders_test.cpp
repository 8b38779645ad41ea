// Making and removing folders, with the errors Windows gives; where the system and temporary
// folders are, with the sizes their functions report.
#include <string>

#include "winsim_fixture.h"

#ifndef ERROR_DIR_NOT_EMPTY
#define ERROR_DIR_NOT_EMPTY 145L
#endif

namespace winsim_test {
namespace {

class Folders : public WinApiTest {
 protected:
  // "ok" or "error N".
  static std::string Outcome(BOOL ok) {
    return ok ? "ok" : "error " + std::to_string(GetLastError());
  }
};

TEST_F(Folders, MadeOnceRemovedOnlyWhenEmpty) {
  const std::string folder = Path("Tavos"), nested = Path("Missing\\Tavos");
  SetLastError(kUntouched);
  EXPECT_EQ("ok", Outcome(CreateDirectoryA(folder.c_str(), nullptr)));
  EXPECT_EQ("error 183", Outcome(CreateDirectoryA(folder.c_str(), nullptr)));  // ALREADY_EXISTS
  EXPECT_EQ("error 3", Outcome(CreateDirectoryA(nested.c_str(), nullptr)));    // PATH_NOT_FOUND
  ASSERT_TRUE(WriteBytes(folder + "\\Tavos.exe", "MZ"));
  EXPECT_EQ("error 145", Outcome(RemoveDirectoryA(folder.c_str())));  // DIR_NOT_EMPTY
  EXPECT_EQ("error 267", Outcome(RemoveDirectoryA((folder + "\\Tavos.exe").c_str())));
  EXPECT_TRUE(DeleteFileA((folder + "\\Tavos.exe").c_str()));
  EXPECT_EQ("ok", Outcome(RemoveDirectoryA(folder.c_str())));
  EXPECT_EQ("error 2", Outcome(RemoveDirectoryA(folder.c_str())));  // FILE_NOT_FOUND
  EXPECT_EQ("error 3", Outcome(RemoveDirectoryA(nested.c_str())));
}

// Too small a buffer: the size needed with its terminator, and the buffer left alone; else
// the length without it.
TEST_F(Folders, SystemAndTemporaryFoldersExist) {
  char buffer[MAX_PATH];
  buffer[0] = kMarker;
  UINT needed = GetSystemDirectoryA(buffer, 3);
  EXPECT_EQ(kMarker, buffer[0]);
  UINT length = GetSystemDirectoryA(buffer, MAX_PATH);
  EXPECT_EQ(needed, length + 1);
  EXPECT_EQ(length, UINT(std::strlen(buffer)));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(buffer)) << buffer;

  buffer[0] = kMarker;
  DWORD tempNeeded = GetTempPathA(3, buffer);
  EXPECT_EQ(kMarker, buffer[0]);
  DWORD tempLength = GetTempPathA(MAX_PATH, buffer);
  EXPECT_EQ(tempNeeded, tempLength + 1);
  EXPECT_EQ('\\', buffer[tempLength - 1]) << "the temporary folder ends with a separator";
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(buffer)) << buffer;
}

}  // namespace
}  // namespace winsim_test
