// The notification area: NIM_ADD, NIM_MODIFY and NIM_DELETE with the shell's refusals, the
// tip as long as the declared structure allows, icons removed with their window, and the
// timeline lines.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "sim/winsim/notification_area.h"
#include "sim/winsim/resources.h"
#include "sim_pc_fixture.h"

namespace winsim_test {
namespace {

class NotificationArea : public SimPcTest {
 protected:
  void SetUp() override {
    SimPcTest::SetUp();
    hwnd = StartMainWindow();
  }
  // Shell_NotifyIconA from the program, with a first-version structure unless `size` is given.
  BOOL Notify(DWORD message, UINT id, WORD icon, const std::string& tip, DWORD size = NOTIFYICONDATAA_V1_SIZE) {
    NOTIFYICONDATAA data;
    std::memset(&data, 0, sizeof data);
    data.cbSize = size;
    data.hWnd = hwnd;
    data.uID = id;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_APP + 10;
    data.hIcon = winsim::IconHandle(icon);
    std::memcpy(data.szTip, tip.data(), std::min(tip.size(), sizeof data.szTip));
    BOOL ok = FALSE;
    OnProgram([&] { ok = Shell_NotifyIconA(message, &data); });
    return ok;
  }
  std::vector<std::string> TrayLines() const {
    std::vector<std::string> lines;
    for (const std::string& line : pc->Events().Lines())
      if (line.find(" tray ") != std::string::npos) lines.push_back(line);
    return lines;
  }

  HWND hwnd = nullptr;
};

TEST_F(NotificationArea, AnIconIsAddedOnceAndModifiedOnlyOnceAdded) {
  EXPECT_TRUE(Notify(NIM_ADD, 1, 128, "Tavos"));
  EXPECT_FALSE(Notify(NIM_ADD, 1, 133, "again")) << "the same window and id twice";
  EXPECT_FALSE(Notify(NIM_MODIFY, 2, 133, "unknown"));
  EXPECT_TRUE(Notify(NIM_MODIFY, 1, 133, "Tavos (disabled)"));
  EXPECT_TRUE(Notify(NIM_ADD, 2, 128, "second"));
  ASSERT_EQ(2u, pc->Tray().Icons().size());
  EXPECT_EQ(UINT(WM_APP + 10), pc->Tray().Icons()[0].callbackMessage);
  EXPECT_EQ((std::vector<std::string>{"0 tray add icon=128 tip=\"Tavos\"",
                                      "0 tray modify icon=133 tip=\"Tavos (disabled)\"",
                                      "0 tray add icon=128 tip=\"second\""}),
            TrayLines());

  EXPECT_TRUE(Notify(NIM_DELETE, 2, 0, ""));
  EXPECT_FALSE(Notify(NIM_DELETE, 2, 0, ""));
  EXPECT_EQ(1u, pc->Tray().Icons().size());
}

TEST_F(NotificationArea, TheTipIsCutToWhatTheDeclaredStructureHolds) {
  const std::string longTip(sizeof(NOTIFYICONDATAA::szTip), 'a');  // no terminator anywhere
  ASSERT_TRUE(Notify(NIM_ADD, 1, 128, longTip));
  ASSERT_EQ(1u, pc->Tray().Icons().size());
  EXPECT_EQ(std::string(63, 'a'), pc->Tray().Icons()[0].tip) << "first version: 64 characters with the NUL";
  ASSERT_TRUE(Notify(NIM_ADD, 2, 128, longTip, sizeof(NOTIFYICONDATAA)));
  ASSERT_EQ(2u, pc->Tray().Icons().size());
  EXPECT_EQ(std::string(127, 'a'), pc->Tray().Icons()[1].tip) << "later versions: 128 with the NUL";
}

TEST_F(NotificationArea, TheShellRefusesStructuresTooSmallOrWithoutAWindow) {
  EXPECT_FALSE(Notify(NIM_ADD, 1, 128, "small", NOTIFYICONDATAA_V1_SIZE - 1));
  HWND saved = hwnd;
  hwnd = nullptr;
  EXPECT_FALSE(Notify(NIM_ADD, 1, 128, "no window"));
  hwnd = saved;
  pc->SetProfile(Profile("nt351"));  // no taskbar
  EXPECT_FALSE(Notify(NIM_ADD, 1, 128, "nt"));
  EXPECT_EQ(0u, pc->Tray().Icons().size());
  EXPECT_EQ(std::vector<std::string>{}, TrayLines());
}

TEST_F(NotificationArea, IconsGoWithTheirWindow) {
  HWND other = nullptr;
  OnProgram([&] { other = CreateLogged("other"); });
  ASSERT_TRUE(Notify(NIM_ADD, 1, 128, "main's"));
  std::swap(hwnd, other);
  ASSERT_TRUE(Notify(NIM_ADD, 1, 133, "other's"));
  BOOL destroyed = FALSE;
  OnProgram([&] { destroyed = DestroyWindow(hwnd); });
  ASSERT_TRUE(destroyed);
  ASSERT_EQ(1u, pc->Tray().Icons().size());
  EXPECT_EQ("main's", pc->Tray().Icons()[0].tip);

  std::swap(hwnd, other);
  pc->EndProcess(MainProgram(), 0);  // the program is ended from outside
  EXPECT_EQ(0u, pc->Tray().Icons().size());
}

}  // namespace
}  // namespace winsim_test
