// Modal message boxes and dialogs: the modal loop keeps the owner's timers running, the
// scripted user answers through the top surface, WM_QUIT ends a modal loop and is posted
// again, DialogBoxParamA needs its template, EndDialog's result, and the timeline lines.
#include <functional>
#include <string>
#include <vector>

#include "sim/winsim/window_manager.h"
#include "sim_pc_fixture.h"

namespace winsim_test {
namespace {

constexpr DWORD kErrorResourceNotFound = 1814;

std::vector<std::string> g_dialogLog;
LPARAM g_initParam = 0;
bool g_endInInit = false;

INT_PTR CALLBACK RecordingDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  g_dialogLog.push_back(MessageName(message));
  if (message == WM_INITDIALOG) {
    g_initParam = lParam;
    if (g_endInInit) EndDialog(hwnd, 17);
    return TRUE;
  }
  if (message == WM_COMMAND) {
    EndDialog(hwnd, LOWORD(wParam) == IDOK ? 42 : 43);
    return TRUE;
  }
  return FALSE;
}

// Logs each command without ending; WM_APP makes 1003 the default id, WM_APP + 1 greys it.
std::vector<int> g_commands;
INT_PTR CALLBACK CommandLoggingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND) g_commands.push_back(LOWORD(wParam));
  if (message == WM_APP) SendMessageA(hwnd, DM_SETDEFID, 1003, 0);
  if (message == WM_APP + 1) EnableWindow(GetDlgItem(hwnd, 1003), FALSE);
  return message == WM_COMMAND || message >= WM_APP;
}

class User32Dialog : public SimPcTest {
 protected:
  void SetUp() override {
    SimPcTest::SetUp();
    g_dialogLog.clear();
    g_initParam = 0;
    g_endInInit = false;
  }
  size_t TimerMessages() const {
    size_t count = 0;
    for (const Logged& logged : g_logged.log) count += logged.message == WM_TIMER;
    return count;
  }
};

TEST_F(User32Dialog, AMessageBoxKeepsTheOwnersTimersRunningUntilTheUserChoosesOk) {
  HWND main = StartMainWindow();
  int result = -1;
  OnProgram([&] { SetTimer(main, 1, 100, nullptr); });
  OnProgram([&] { result = MessageBoxA(main, "Hello", "Tavos", MB_OK); });
  winsim::Surface* box = pc->Windows().TopSurface();
  ASSERT_NE(nullptr, box) << Timeline();
  EXPECT_EQ("msgbox", box->kind);
  EXPECT_EQ(std::vector<std::string>{"OK"}, box->choices);
  EXPECT_EQ(-1, result) << "MessageBoxA returned before the user answered";

  pc->Advance(350);
  EXPECT_EQ(3u, TimerMessages()) << "the owner's timer did not run under the message box";
  EXPECT_FALSE(box->choose("Cancel")) << "a choice the box does not offer";
  EXPECT_TRUE(box->choose("OK"));
  pc->Settle();
  EXPECT_EQ(IDOK, result);
  EXPECT_EQ(nullptr, pc->Windows().TopSurface());
  EXPECT_TRUE(HasLine("0 msgbox \"Hello\"")) << Timeline();
}

// As DialogBoxParam on Windows: the owner is disabled while its modal window runs, which is
// its last active popup meanwhile; EndDialog enables it again and it is active once more.
TEST_F(User32Dialog, TheOwnerIsDisabledAndHasTheBoxAsItsLastActivePopupWhileItRuns) {
  HWND main = StartMainWindow();
  BOOL enabledBefore = FALSE, enabledDuring = TRUE, enabledAfter = FALSE;
  HWND popupBefore = nullptr, popupDuring = nullptr, popupAfter = nullptr;
  OnProgram([&] {
    enabledBefore = IsWindowEnabled(main);
    popupBefore = GetLastActivePopup(main);
    MessageBoxA(main, "Busy", "Tavos", MB_OK);
    enabledAfter = IsWindowEnabled(main);
    popupAfter = GetLastActivePopup(main);
  });
  winsim::Surface* box = pc->Windows().TopSurface();
  ASSERT_NE(nullptr, box);
  OnProgram([&] {
    enabledDuring = IsWindowEnabled(main);
    popupDuring = GetLastActivePopup(main);
  });
  EXPECT_TRUE(box->choose("OK"));
  pc->Settle();
  EXPECT_TRUE(enabledBefore);
  EXPECT_FALSE(enabledDuring);
  EXPECT_TRUE(enabledAfter);
  EXPECT_EQ(main, popupBefore);
  EXPECT_NE(nullptr, popupDuring);
  EXPECT_NE(main, popupDuring) << "the box, while it runs";
  EXPECT_EQ(main, popupAfter);

  // A popup the main window owns was the last active one; once it is gone, the owner is.
  HWND popup = nullptr, popupWhileThere = nullptr, popupGone = nullptr;
  OnProgram([&] {
    popup = CreateLogged("popup", main, WS_POPUP);
    MessageBoxA(popup, "Busy", "Tavos", MB_OK);
    popupWhileThere = GetLastActivePopup(main);
    DestroyWindow(popup);
    popupGone = GetLastActivePopup(main);
  });
  ASSERT_NE(nullptr, pc->Windows().TopSurface());
  EXPECT_TRUE(pc->Windows().TopSurface()->choose("OK"));
  pc->Settle();
  EXPECT_EQ(popup, popupWhileThere);
  EXPECT_EQ(main, popupGone);
}

// Enter as Windows' dialog manager takes it (IsDialogMessage, DM_GETDEFID), on the option
// dialog's template, whose push buttons (1002, 1003, 1005) are none of them the default.
// A push button with the focus is pressed by Enter only when it is drawn as the default,
// which Tab makes it (WM_NEXTDLGCTL) but the focus the dialog opens with, or a click, does
// not; else Enter is the default id: IDOK when no control has it, nothing when it is greyed.
TEST_F(User32Dialog, EnterPressesTheFocusedButtonOnlyWhenTabMadeItTheDefault) {
  g_commands.clear();
  Run(
      [&] {
        DialogBoxParamA(winsim::SimProcess::ImageBase(), MAKEINTRESOURCEA(102), nullptr,
                        CommandLoggingProc, 0);
        return 0;
      },
      "C:\\T.exe", TAVOS_RESOURCE_FILE);
  HWND dialog = pc->Windows().TopSurface()->window;
  auto key = [&](WPARAM vk) {
    PostMessageA(pc->Windows().Focus(), WM_KEYDOWN, vk, 0);
    pc->Settle();
  };
  auto focusId = [&] { return GetDlgCtrlID(pc->Windows().Focus()); };
  struct Step {
    const char* what;
    std::function<void()> act;
    int focus;
    std::vector<int> commands;  // what Enter sends then
  };
  const Step steps[] = {
      {"as opened", [] {}, 1002, {IDOK}},
      {"tab", [&] { key(VK_TAB); }, 1003, {1003}},
      {"tab to the edit box", [&] { key(VK_TAB); }, 1004, {IDOK}},
      {"tab", [&] { key(VK_TAB); }, 1005, {1005}},
      {"click",
       [&] { PostMessageA(GetDlgItem(dialog, 1002), BM_CLICK, 0, 0), pc->Settle(); },
       1002,
       {1002, IDOK}},
      {"default id 1003", [&] { PostMessageA(dialog, WM_APP, 0, 0), pc->Settle(); }, 1002, {1003}},
      {"1003 greyed", [&] { PostMessageA(dialog, WM_APP + 1, 0, 0), pc->Settle(); }, 1002, {}},
  };
  for (const Step& step : steps) {
    g_commands.clear();
    step.act();
    EXPECT_EQ(step.focus, focusId()) << step.what;
    key(VK_RETURN);
    EXPECT_EQ(step.commands, g_commands) << step.what << ", then Enter";
  }
}

TEST_F(User32Dialog, TheButtonsAnswerWithTheirIds) {
  struct Case {
    UINT type;
    std::vector<std::string> choices;
    const char* choice;
    int expected;
  };
  const Case cases[] = {
      {MB_OKCANCEL | MB_ICONEXCLAMATION, {"OK", "Cancel"}, "Cancel", IDCANCEL},
      {MB_YESNO, {"Yes", "No"}, "No", IDNO},
      {MB_YESNO, {"Yes", "No"}, "Yes", IDYES},
  };
  HWND main = StartMainWindow();
  for (const Case& c : cases) {
    int result = -1;
    OnProgram([&] { result = MessageBoxA(main, "Question", nullptr, c.type); });
    winsim::Surface* box = pc->Windows().TopSurface();
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(c.choices, box->choices) << "type " << c.type;
    EXPECT_TRUE(box->choose(c.choice));
    pc->Settle();
    EXPECT_EQ(c.expected, result) << "type " << c.type << ", choice " << c.choice;
  }
}

TEST_F(User32Dialog, QuitInsideTheModalLoopEndsItAndIsPostedAgain) {
  HWND main = StartMainWindow();
  int result = -1;
  OnProgram([&] { result = MessageBoxA(main, "Busy", "Tavos", MB_OK); });
  ASSERT_NE(nullptr, pc->Windows().TopSurface());
  OnProgram([] { PostQuitMessage(9); });  // dispatched by the modal loop
  // Our choice: a box ended by WM_QUIT answers IDCANCEL.
  EXPECT_EQ(IDCANCEL, result);
  EXPECT_EQ(nullptr, pc->Windows().TopSurface());
  EXPECT_FALSE(MainProgram().running) << "the outer loop did not see WM_QUIT" << Timeline();
  EXPECT_EQ(9u, MainProgram().exitCode);
  expectedLeaks = {"T.exe (pid 260) ended with 1 window not destroyed"};  // WM_QUIT only
}

TEST_F(User32Dialog, DialogBoxParamNeedsTheTemplateInTheProgramsResources) {
  std::vector<INT_PTR> results;
  std::vector<DWORD> errors;
  auto open = [&](HINSTANCE instance, LPCSTR name) {
    SetLastError(kUntouched);
    results.push_back(DialogBoxParamA(instance, name, nullptr, RecordingDialogProc, 0));
    errors.push_back(GetLastError());
  };
  Run([&] {
    open(winsim::SimProcess::ImageBase(), MAKEINTRESOURCEA(100));  // no resources at all
    return 0;
  });
  Run(
      [&] {
        open(winsim::SimProcess::ImageBase(), MAKEINTRESOURCEA(999));
        open(nullptr, MAKEINTRESOURCEA(100));  // not the program's image
        open(winsim::SimProcess::ImageBase(), "ABOUTBOX");
        return 0;
      },
      "C:\\T.exe", TAVOS_RESOURCE_FILE);
  EXPECT_EQ((std::vector<INT_PTR>{-1, -1, -1, -1}), results);
  EXPECT_EQ((std::vector<DWORD>(4, kErrorResourceNotFound)), errors);
  EXPECT_EQ(std::vector<std::string>{}, g_dialogLog);
  for (const std::string& line : pc->Events().Lines())
    EXPECT_EQ(std::string::npos, line.find("dialog")) << line;
}

TEST_F(User32Dialog, DialogBoxParamReturnsWhatEndDialogWasGiven) {
  INT_PTR result = -5;
  Run(
      [&] {
        result = DialogBoxParamA(winsim::SimProcess::ImageBase(), MAKEINTRESOURCEA(100), nullptr,
                                 RecordingDialogProc, 0x77);
        return 0;
      },
      "C:\\T.exe", TAVOS_RESOURCE_FILE);
  winsim::Surface* dialog = pc->Windows().TopSurface();
  ASSERT_NE(nullptr, dialog) << Timeline();
  EXPECT_EQ("dialog", dialog->kind);
  EXPECT_EQ(std::vector<std::string>{"EXIT"}, dialog->choices) << "the template's push button";
  EXPECT_EQ(0x77, g_initParam);
  EXPECT_EQ(-5, result);
  pc->Advance(1000);
  EXPECT_TRUE(dialog->choose("EXIT"));  // IDOK
  pc->Settle();
  EXPECT_EQ(42, result);
  // The dialog procedure sees every message of its window, its destruction too.
  EXPECT_EQ((std::vector<std::string>{"WM_INITDIALOG", "WM_COMMAND", "WM_DESTROY", "WM_NCDESTROY"}),
            g_dialogLog);
  EXPECT_TRUE(HasLine("0 dialog open 100")) << Timeline();
  EXPECT_TRUE(HasLine("1000 dialog close 100 result=42")) << Timeline();
}

TEST_F(User32Dialog, EndDialogDuringInitDialogEndsItBeforeTheUserSeesIt) {
  g_endInInit = true;
  INT_PTR result = -5;
  size_t surfacesLeft = 99;
  Run(
      [&] {
        result = DialogBoxParamA(winsim::SimProcess::ImageBase(), MAKEINTRESOURCEA(102), nullptr,
                                 RecordingDialogProc, 0);
        surfacesLeft = pc->Windows().Surfaces().size();
        return 0;
      },
      "C:\\T.exe", TAVOS_RESOURCE_FILE);
  EXPECT_EQ(17, result);
  EXPECT_EQ(0u, surfacesLeft);
  EXPECT_EQ((std::vector<std::string>{"WM_INITDIALOG", "WM_DESTROY", "WM_NCDESTROY"}), g_dialogLog);
  EXPECT_TRUE(HasLine("0 dialog close 102 result=17")) << Timeline();
}

TEST_F(User32Dialog, EndDialogRefusesWindowsThatAreNoDialogs) {
  HWND main = StartMainWindow();
  BOOL ended = TRUE;
  OnProgram([&] { ended = EndDialog(main, 1); });
  EXPECT_FALSE(ended);
}

}  // namespace
}  // namespace winsim_test
