// Showing windows with and without activation, painting, the top-most window's text on the
// timeline, layered windows per Windows version, and the GDI objects painting uses.
#include <string>
#include <vector>

#include "sim/winsim/window_manager.h"
#include "sim_pc_fixture.h"

namespace winsim_test {
namespace {

// A window that paints `g_text` (nothing when empty) each time it gets WM_PAINT.
std::string g_text;
int g_paints = 0;

LRESULT CALLBACK TextProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProcA(hwnd, message, wParam, lParam);
  ++g_paints;
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  RECT client;
  GetClientRect(hwnd, &client);
  if (!g_text.empty()) DrawTextA(dc, g_text.c_str(), -1, &client, DT_CENTER | DT_SINGLELINE);
  EndPaint(hwnd, &paint);
  return 0;
}

HWND CreateTextWindow(DWORD exStyle) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = TextProc;
  wc.lpszClassName = "Text";
  RegisterClassA(&wc);
  return CreateWindowExA(exStyle, "Text", "", WS_POPUP, 10, 20, 240, 48, nullptr, nullptr, nullptr,
                         nullptr);
}

class User32Paint : public SimPcTest {
 protected:
  void SetUp() override {
    SimPcTest::SetUp();
    g_text.clear();
    g_paints = 0;
  }
  // The timeline lines from `from` on, without their time stamps.
  std::vector<std::string> Events(size_t from) const {
    std::vector<std::string> events;
    const auto& lines = pc->Events().Lines();
    for (size_t i = from; i < lines.size(); ++i)
      events.push_back(lines[i].substr(lines[i].find(' ') + 1));
    return events;
  }
  winsim::SimWindow& Record(HWND hwnd) { return *pc->Windows().Find(hwnd); }
};

TEST_F(User32Paint, ATopMostWindowsTextShowsOnTheTimelineUntilItIsHidden) {
  StartMainWindow();
  HWND display = nullptr, plain = nullptr;
  const size_t from = pc->Events().Lines().size();
  OnProgram([&] {
    display = CreateTextWindow(WS_EX_TOPMOST);
    plain = CreateTextWindow(0);
    g_text = "Volume 60%";
    SetWindowPos(display, HWND_TOPMOST, 392, 624, 240, 48, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    RECT client{};
    GetClientRect(display, &client);
    EXPECT_EQ(392, Record(display).x);
    EXPECT_EQ(624, Record(display).y);
    EXPECT_EQ(240, client.right);
    EXPECT_EQ(48, client.bottom);
    UpdateWindow(display);  // painted at once: it was invalid since it showed
    UpdateWindow(display);  // valid now: no second paint
    InvalidateRect(display, nullptr, TRUE);
    UpdateWindow(display);  // the same text again: nothing new shows
    g_text = "Sound off";
    InvalidateRect(display, nullptr, TRUE);  // painted by the message loop, after this code
    ShowWindow(plain, SW_SHOWNA);
    UpdateWindow(plain);  // not top-most: no line
    SetTimer(display, 1, 1500, nullptr);
    SetTimer(plain, 2, 100, nullptr);
  });
  EXPECT_EQ(4, g_paints);
  OnProgram([&] {
    KillTimer(display, 1);
    ShowWindow(display, SW_HIDE);
    ShowWindow(display, SW_SHOWNA);
    UpdateWindow(display);
    DestroyWindow(display);
    DestroyWindow(plain);
  });
  EXPECT_EQ(
      (std::vector<std::string>{"osd \"Volume 60%\"", "timer start 2 100", "osd \"Sound off\"",
                                "osd hidden", "osd \"Sound off\"", "osd hidden"}),
      Events(from))
      << "the top-most window's timer is left out";
}

TEST_F(User32Paint, ShowingActivatesUnlessToldNotTo) {
  StartMainWindow();
  HWND user = nullptr, popup = nullptr;
  OnProgram([&] {
    user = CreateTextWindow(0);
    ShowWindow(user, SW_SHOWNORMAL);
  });
  EXPECT_EQ(user, pc->Windows().Foreground());
  EXPECT_EQ(user, pc->Windows().Focus());
  struct Step {
    const char* what;
    std::function<void()> call;
    bool takesForeground;
  } steps[] = {
      {"SW_SHOWNA", [&] { ShowWindow(popup, SW_SHOWNA); }, false},
      {"SW_SHOWNOACTIVATE", [&] { ShowWindow(popup, SW_SHOWNOACTIVATE); }, false},
      {"SWP_NOACTIVATE",
       [&] { SetWindowPos(popup, HWND_TOPMOST, 0, 0, 5, 5, SWP_NOACTIVATE | SWP_SHOWWINDOW); },
       false},
      {"SetWindowPos", [&] { SetWindowPos(popup, HWND_TOPMOST, 0, 0, 5, 5, SWP_SHOWWINDOW); },
       true},
      {"SW_SHOW", [&] { ShowWindow(popup, SW_SHOW); }, true},
  };
  for (Step& step : steps) {
    OnProgram([&] {
      popup = CreateTextWindow(WS_EX_TOPMOST);
      ShowWindow(user, SW_SHOWNORMAL);
      step.call();
    });
    EXPECT_EQ(step.takesForeground ? popup : user, pc->Windows().Foreground()) << step.what;
    EXPECT_EQ(step.takesForeground ? popup : user, pc->Windows().Focus()) << step.what;
    OnProgram([&] { ShowWindow(popup, SW_HIDE); });
    EXPECT_NE(popup, pc->Windows().Foreground())
        << step.what << ": a hidden window is not in front";
    OnProgram([&] { DestroyWindow(popup); });
  }
}

// Layered windows came with Windows 2000: before it the function is not found, the style is
// not kept, and there is nothing to make translucent. A layered window shows nothing until
// its attributes are set.
TEST_F(User32Paint, LayeredWindowsExistFromWindows2000) {
  for (const char* os : {"95", "98", "nt4", "2000", "xp"}) {
    SCOPED_TRACE(os);
    pc->SetProfile(Profile(os));
    const bool layers = std::string(os) == "2000" || std::string(os) == "xp";
    size_t from = pc->Events().Lines().size();
    Run([&] {
      typedef BOOL(WINAPI * SetLayered)(HWND, COLORREF, BYTE, DWORD);
      auto set = reinterpret_cast<SetLayered>(reinterpret_cast<void (*)()>(
          GetProcAddress(GetModuleHandleA("USER32"), "SetLayeredWindowAttributes")));
      EXPECT_EQ(layers, set != nullptr);
      HWND window = CreateTextWindow(WS_EX_TOPMOST);
      SetWindowLongPtrA(window, GWL_EXSTYLE,
                        GetWindowLongPtrA(window, GWL_EXSTYLE) | WS_EX_LAYERED);
      EXPECT_EQ(layers, (GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_LAYERED) != 0);
      g_text = "Hot keys off";
      SetWindowPos(window, HWND_TOPMOST, 0, 0, 240, 48, SWP_NOACTIVATE | SWP_SHOWWINDOW);
      const size_t before = pc->Events().Lines().size();
      UpdateWindow(window);
      EXPECT_EQ(layers ? 0u : 1u, pc->Events().Lines().size() - before)
          << "a layered window without its attributes shows nothing";
      if (set != nullptr) {
        EXPECT_TRUE(set(window, 0, 200, LWA_ALPHA));
        UpdateWindow(window);
        EXPECT_EQ(200, Record(window).alpha);
        HWND plain = CreateTextWindow(0);
        SetLastError(kUntouched);
        EXPECT_FALSE(set(plain, 0, 200, LWA_ALPHA));
        EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
        DestroyWindow(plain);
      }
      DestroyWindow(window);
      return 0;
    });
    std::vector<std::string> events = Events(from);  // the program's start, ..., its end
    ASSERT_LE(2u, events.size());
    EXPECT_EQ((std::vector<std::string>{"osd \"Hot keys off\"", "osd hidden"}),
              std::vector<std::string>(events.begin() + 1, events.end() - 1));
  }
}

// Fonts are the program's to delete, never while selected into a paint's device context;
// drawing needs a paint under way.
TEST_F(User32Paint, GdiObjectsAreDeletedByTheProgramNotWhileSelected) {
  Run([&] {
    HFONT font =
        CreateFontA(-28, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, "Arial");
    EXPECT_NE(nullptr, font);
    EXPECT_EQ(nullptr,
              CreateFontA(10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, std::string(40, 'A').c_str()))
        << "a face name longer than LF_FACESIZE";
    HWND window = CreateTextWindow(0);
    RECT rect{0, 0, 10, 10};
    EXPECT_EQ(0, DrawTextA(reinterpret_cast<HDC>(window), "x", 1, &rect, DT_SINGLELINE))
        << "no paint under way";
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    HGDIOBJ previous = SelectObject(dc, font);
    EXPECT_NE(nullptr, previous);
    EXPECT_FALSE(DeleteObject(font));
    EXPECT_EQ(font, SelectObject(dc, previous));
    EXPECT_EQ(1, FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))));
    EndPaint(window, &paint);
    EXPECT_EQ(1u, pc->Gdi().CountOf(pc->CurrentPid()));
    DestroyWindow(window);
    return 0;  // ends with the font: a leak
  });
  expectedViolations = {"DeleteObject of a font still selected into a paint's device context"};
  expectedLeaks = {"T.exe (pid 260) ended with 1 GDI object not deleted"};
}

}  // namespace
}  // namespace winsim_test
