// TrackPopupMenu as a tray program meets it: the item chosen, the menu dismissed, and the
// popup after one that nothing followed, which Windows closes as soon as it opens until the
// program posts itself a message (the task switch of KB Q135788).
#include <string>
#include <vector>

#include "sim/winsim/window_manager.h"
#include "sim_pc_fixture.h"
#include "ui/resource.h"

namespace winsim_test {
namespace {

constexpr int kTrayMenu = 142;

class User32Menu : public SimPcTest {};

TEST_F(User32Menu, APopupAfterOneNothingFollowedClosesAtOnce) {
  std::vector<int> results;
  Run(
      [&] {
        if (!RegisterLoggingClass()) return 1;
        HWND owner = CreateLogged("owner");
        HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kTrayMenu));
        HMENU popup = GetSubMenu(menu, 0);
        auto track = [&] {
          results.push_back(TrackPopupMenu(popup, TPM_RETURNCMD, 0, 0, 0, owner, nullptr));
        };
        track();  // chosen
        track();  // owes the task switch: closed at once
        PostMessageA(owner, WM_NULL, 0, 0);
        track();  // dismissed
        PostMessageA(owner, WM_NULL, 0, 0);
        track();  // chosen again
        DestroyMenu(menu);
        DestroyWindow(owner);
        return 0;
      },
      "C:\\T.exe", TAVOS_RESOURCE_FILE);
  auto top = [&] { return pc->Windows().TopSurface(); };
  ASSERT_NE(nullptr, top());
  EXPECT_TRUE(top()->choose("Option"));
  pc->Settle();
  ASSERT_NE(nullptr, top()) << "the third popup did not open" << Timeline();
  top()->dismiss();
  pc->Settle();
  ASSERT_NE(nullptr, top()) << "the fourth popup did not open" << Timeline();
  EXPECT_TRUE(top()->choose("Option"));
  pc->Settle();
  EXPECT_EQ((std::vector<int>{IDM_OPTION, 0, 0, IDM_OPTION}), results);
  std::vector<std::string> menuLines;
  for (const std::string& line : pc->Events().Lines())
    if (line.find(" menu") != std::string::npos)
      menuLines.push_back(line.substr(line.find(' ') + 1, 22));
  EXPECT_EQ((std::vector<std::string>{"menu \"Disable\" \"About.", "menu closed at once: n",
                                      "menu \"Disable\" \"About.", "menu dismissed",
                                      "menu \"Disable\" \"About."}),
            menuLines);
}

}  // namespace
}  // namespace winsim_test
