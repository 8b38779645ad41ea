// Shortcuts through COM: nothing before CoInitialize, a link saved and read back through a new
// object, a folder that is not there, and NT 3.51 whose shell has no link object.
#include <string>

#include "sim_pc_fixture.h"

namespace winsim_test {
namespace {

class ShellLinks : public SimPcTest {
 protected:
  void TearDown() override {
    EXPECT_EQ(0, pc->Com().liveObjects) << "a COM object was not released";
    SimPcTest::TearDown();
  }
  static std::basic_string<WCHAR> Wide(const char* text) {
    WCHAR wide[MAX_PATH];
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, MAX_PATH);
    return std::basic_string<WCHAR>(wide, length > 0 ? length - 1 : 0);
  }
};

TEST_F(ShellLinks, ALinkIsSavedAndReadBack) {
  IShellLinkA* link = nullptr;
  EXPECT_EQ(CO_E_NOTINITIALIZED,
            CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                             reinterpret_cast<void**>(&link)));
  EXPECT_EQ(S_OK, CoInitialize(nullptr));
  EXPECT_EQ(S_FALSE, CoInitialize(nullptr));
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)));
  EXPECT_EQ(S_OK, link->SetPath("C:\\Program Files\\Tavos\\Uninstall.exe"));
  EXPECT_EQ(S_OK, link->SetWorkingDirectory("C:\\Program Files\\Tavos"));
  IPersistFile* file = nullptr;
  ASSERT_EQ(S_OK, link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
  EXPECT_EQ(HRESULT(0x80070003),
            file->Save(Wide("C:\\Nowhere\\Uninstall Tavos.lnk").c_str(), TRUE));
  ASSERT_TRUE(pc->Files().MakeFolder("C:\\Menu"));
  EXPECT_EQ(S_OK, file->Save(Wide("C:\\Menu\\Uninstall Tavos.lnk").c_str(), TRUE));
  EXPECT_EQ(1u, file->Release()) << "the link holds the object still";
  EXPECT_EQ(0u, link->Release()) << "the last reference frees the object";

  // A new object reads the file back.
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IPersistFile,
                                   reinterpret_cast<void**>(&file)));
  EXPECT_EQ(S_OK, file->Load(Wide("C:\\Menu\\Uninstall Tavos.lnk").c_str(), 0));
  ASSERT_EQ(S_OK, file->QueryInterface(IID_IShellLinkA, reinterpret_cast<void**>(&link)));
  char path[MAX_PATH] = "", folder[MAX_PATH] = "";
  EXPECT_EQ(S_OK, link->GetPath(path, MAX_PATH, nullptr, 0));
  EXPECT_EQ(S_OK, link->GetWorkingDirectory(folder, MAX_PATH));
  EXPECT_STREQ("C:\\Program Files\\Tavos\\Uninstall.exe", path);
  EXPECT_STREQ("C:\\Program Files\\Tavos", folder);
  std::string bytes;
  ASSERT_TRUE(pc->Files().ReadFile("C:\\Menu\\Uninstall Tavos.lnk", &bytes));
  EXPECT_EQ(std::string("\x4C\0\0\0\x01\x14\x02\0", 8), bytes.substr(0, 8))
      << "a shell link's header and class";
  link->Release();
  file->Release();
  CoUninitialize();
  CoUninitialize();
}

TEST_F(ShellLinks, NtThreeFiftyOneHasNoLinkObject) {
  pc->SetProfile(Profile("nt351"));
  ASSERT_EQ(S_OK, CoInitialize(nullptr));
  IShellLinkA* link = nullptr;
  EXPECT_EQ(REGDB_E_CLASSNOTREG,
            CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                             reinterpret_cast<void**>(&link)));
  EXPECT_EQ(nullptr, link);
  CoUninitialize();
}

}  // namespace
}  // namespace winsim_test
