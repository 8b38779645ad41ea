// A program's raw-data resources, found by number, sized and locked; the errors for a
// missing name and a missing type.
#include <string>
#include <vector>

#include "sim_pc_fixture.h"

namespace winsim_test {
namespace {

class RawResources : public SimPcTest {};

TEST_F(RawResources, AreFoundSizedAndLocked) {
  std::vector<std::string> seen;
  pc->InstallProgramImage(
      "MZ carrier",
      {[&] {
         HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(1), RT_RCDATA);
         HGLOBAL loaded = LoadResource(nullptr, found);
         const char* data = static_cast<const char*>(LockResource(loaded));
         DWORD size = SizeofResource(nullptr, found);
         seen.push_back(data ? std::string(data, size) : "<none>");
         SetLastError(kUntouched);
         seen.push_back(FindResourceA(nullptr, MAKEINTRESOURCEA(3), RT_RCDATA)
                            ? "found"
                            : std::to_string(GetLastError()));
         seen.push_back(FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14))
                            ? "found"
                            : std::to_string(GetLastError()));
         return 0;
       },
       "",
       {{1, std::string("MZ\0payload", 10)}, {2, "portio"}},
       {}});
  ASSERT_TRUE(pc->Files().WriteFile("C:\\Carrier.exe", "MZ carrier"));
  DWORD error = 0;
  ASSERT_NE(nullptr, pc->Launch("C:\\Carrier.exe", "", &error));
  pc->Settle();
  EXPECT_EQ((std::vector<std::string>{std::string("MZ\0payload", 10), "1814", "1813"}), seen);
}

}  // namespace
}  // namespace winsim_test
