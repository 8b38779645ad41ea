// The Start menu's programs folders as each Windows version gives them, through item lists
// that the shell's allocator frees.
#include <string>
#include <vector>

#include "sim_pc_fixture.h"

namespace winsim_test {
namespace {

class ShellFolders : public SimPcTest {
 protected:
  // The folder's path, or "error 0x..." when there is none; the list is freed as it must be.
  std::string Folder(int csidl) {
    LPITEMIDLIST list = nullptr;
    HRESULT result = SHGetSpecialFolderLocation(nullptr, csidl, &list);
    if (FAILED(result)) {
      char text[24];
      std::snprintf(text, sizeof text, "error 0x%08X", unsigned(result));
      return text;
    }
    char path[MAX_PATH] = "";
    EXPECT_TRUE(SHGetPathFromIDListA(list, path));
    IMalloc* allocator = nullptr;
    EXPECT_EQ(S_OK, SHGetMalloc(&allocator));
    allocator->Free(list);
    allocator->Release();
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path)) << path << " exists";
    return path;
  }
};

TEST_F(ShellFolders, ProgramsFoldersPerVersion) {
  const std::vector<std::string> expected = {
      "95: error 0x80070057 | C:\\WINDOWS\\Start Menu\\Programs",
      "98: error 0x80070057 | C:\\WINDOWS\\Start Menu\\Programs",
      "nt4: C:\\WINDOWS\\Profiles\\All Users\\Start Menu\\Programs | "
      "C:\\WINDOWS\\Profiles\\Administrator\\Start Menu\\Programs",
      "xp: C:\\Documents and Settings\\All Users\\Start Menu\\Programs | "
      "C:\\Documents and Settings\\Administrator\\Start Menu\\Programs",
      "nt351: error 0x80004001 | error 0x80004001"};
  std::vector<std::string> got;
  for (const char* profile : {"95", "98", "nt4", "xp", "nt351"}) {
    pc->SetProfile(Profile(profile));
    got.push_back(std::string(profile) + ": " + Folder(CSIDL_COMMON_PROGRAMS) + " | " +
                  Folder(CSIDL_PROGRAMS));
  }
  EXPECT_EQ(expected, got);
  EXPECT_EQ(0, pc->Com().shellBlocks) << "every list was freed";
}

}  // namespace
}  // namespace winsim_test
