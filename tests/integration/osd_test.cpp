// The on-screen display as Tavos makes it: a top-most tool popup at the bottom centre of the
// screen that leaves the foreground, the focus and the mouse to the user's window, and is
// translucent only where the system has layered windows.
#include <gtest/gtest.h>

#include "tests/integration/tavos_fixture.h"

namespace tavos_test {
namespace {

constexpr char kSettings[] = "C:\\WINDOWS\\SelectFile.ini";
constexpr uint8_t kMailKey = 0x02;

class OsdTest : public TavosTest {
 protected:
  // Tavos's display window, or null.
  winsim::SimWindow* Display() {
    for (winsim::SimProcess* process : M().Pc().Processes()) {
      if (process->thread == nullptr) continue;
      for (HWND hwnd : M().Pc().Windows().WindowsOf(process->thread.get())) {
        winsim::SimWindow* window = M().Pc().Windows().Find(hwnd);
        if (window->className == "TavosOnScreenDisplay") return window;
      }
    }
    return nullptr;
  }
};

TEST_F(OsdTest, ShowsAtTheBottomCentreWithoutTakingTheFocusOrTheMouse) {
  Boot("xp");
  ASSERT_TRUE(M().WriteFile(kSettings, "[KEYS]\r\nMAIL=volume up\r\n"));
  M().StartTavos();
  // The user works in a program of their own.
  winsim::SimProcess& editor = M().Pc().StartPassiveProcess("C:\\WINDOWS\\NOTEPAD.EXE");
  HWND user = M().Pc().AddWindowOf(editor, "Notepad", "Untitled - Notepad");
  M().Pc().Windows().SetForeground(user);
  M().Pc().Windows().SetFocusWindow(user);
  M().PressHotKeys(kMailKey);
  M().Wait(650);
  EXPECT_EQ(std::vector<std::string>{"650 osd \"Volume 81%\""}, Lines("osd"));
  winsim::SimWindow* display = Display();
  ASSERT_NE(nullptr, display);
  EXPECT_TRUE(display->visible);
  EXPECT_EQ(DWORD(WS_POPUP), display->style);
  EXPECT_EQ(DWORD(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_LAYERED | WS_EX_TRANSPARENT),
            display->exStyle);
  EXPECT_EQ(nullptr, display->parent) << "owned by no window: the dialogs' owners stay as they are";
  EXPECT_EQ((1024 - 240) / 2, display->x);
  EXPECT_EQ(768 - 48 - 768 / 8, display->y);
  EXPECT_EQ(240, display->width);
  EXPECT_EQ(48, display->height);
  EXPECT_EQ(user, M().Pc().Windows().Foreground());
  EXPECT_EQ(user, M().Pc().Windows().Focus());
  EXPECT_EQ(LRESULT(HTTRANSPARENT), SendMessageA(display->handle, WM_NCHITTEST, 0, 0));
  EXPECT_EQ(LRESULT(MA_NOACTIVATE), SendMessageA(display->handle, WM_MOUSEACTIVATE, 0, 0));
  M().Wait(1500);
  EXPECT_EQ((std::vector<std::string>{"650 osd \"Volume 81%\"", "2150 osd hidden"}), Lines("osd"));
  EXPECT_FALSE(Display()->visible);
  EXPECT_EQ(user, M().Pc().Windows().Foreground());
  ASSERT_TRUE(M().Exit());
  EXPECT_EQ(nullptr, Display());
  // The font was deleted before Tavos ended: no "GDI objects not deleted" problem (TearDown).
}

// The 95 family and NT 4.0 have no layered windows: the display is opaque there, and shows
// all the same; 2000 and XP make it translucent.
TEST_F(OsdTest, TranslucentOnlyWhereTheSystemHasLayeredWindows) {
  for (const char* os : {"95", "98", "me", "nt4", "2000", "xp"}) {
    SCOPED_TRACE(os);
    Boot(os);
    ASSERT_TRUE(M().WriteFile(kSettings, "[KEYS]\r\nMAIL=brightness up\r\n"));
    M().StartTavos();
    M().PressHotKeys(kMailKey);
    M().Wait(650);
    EXPECT_EQ(std::vector<std::string>{"650 osd \"Brightness 1/7\""}, Lines("osd"));
    winsim::SimWindow* display = Display();
    ASSERT_NE(nullptr, display);
    const bool layers = std::string(os) == "2000" || std::string(os) == "xp";
    EXPECT_EQ(layers, (display->exStyle & WS_EX_LAYERED) != 0);
    EXPECT_EQ(layers ? 208 : 255, int(display->alpha));
    TearDown();
  }
}

}  // namespace
}  // namespace tavos_test
