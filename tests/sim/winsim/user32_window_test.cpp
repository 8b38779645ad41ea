// Window creation and destruction as Windows orders their messages (the order Wine's user32
// follows and its msg.c tests check), who may destroy a window, the window's menu, classes.
#include <string>
#include <vector>

#include "sim/winsim/menu_table.h"
#include "sim/winsim/window_manager.h"
#include "sim_pc_fixture.h"

namespace winsim_test {
namespace {

constexpr DWORD kErrorCannotFindClass = 1407;
constexpr DWORD kErrorClassAlreadyExists = 1410;
constexpr DWORD kErrorInvalidMenuHandle = 1401;

// A menu of one item, as a MENU resource holds it: header, then flags (MF_END), id, text.
const std::string kMenuTemplate("\0\0\0\0\x80\0\x05\0A\0\0\0", 12);

class User32Window : public SimPcTest {};

TEST_F(User32Window, CreationSendsNcCreateThenCreateWithTheCreationParameters) {
  static const Expected kCreate[] = {{"main", WM_NCCREATE}, {"main", WM_CREATE}};
  static const char kLabel[] = "main";
  CREATESTRUCTA seen{};
  g_logged.handler = [&](HWND, UINT message, WPARAM, LPARAM lParam) -> LRESULT {
    if (message == WM_CREATE) seen = *reinterpret_cast<const CREATESTRUCTA*>(lParam);
    return -2;
  };
  HWND hwnd = nullptr;
  BOOL exists = FALSE;
  Run([&] {
    RegisterLoggingClass();
    hwnd = CreateWindowExA(0, kLoggingClass, "Title", WS_OVERLAPPEDWINDOW, 1, 2, 30, 40, nullptr,
                           nullptr, winsim::SimProcess::ImageBase(), const_cast<char*>(kLabel));
    exists = IsWindow(hwnd);
    return 0;
  });
  ASSERT_NE(nullptr, hwnd);
  EXPECT_TRUE(exists);
  EXPECT_TRUE(SameSequence(kCreate, g_logged.log));
  EXPECT_EQ(kLabel, seen.lpCreateParams);
  EXPECT_EQ(LONG(WS_OVERLAPPEDWINDOW), seen.style);
  EXPECT_STREQ("Title", seen.lpszName);
  EXPECT_STREQ(kLoggingClass, seen.lpszClass);
  EXPECT_EQ(1, seen.x);
  EXPECT_EQ(2, seen.y);
  EXPECT_EQ(30, seen.cx);
  EXPECT_EQ(40, seen.cy);
  expectedLeaks = {"T.exe (pid 260) ended with 1 window not destroyed"};  // only creation here
}

// A failed creation frees the window with WM_NCDESTROY only: WM_DESTROY never comes, so a
// main window that quits on WM_DESTROY does not quit (Wine's WIN_CreateWindowEx, "failed:").
TEST_F(User32Window, MinusOneFromCreateDestroysTheWindowWithoutWmDestroy) {
  static const Expected kFailed[] = {
      {"main", WM_NCCREATE}, {"main", WM_CREATE}, {"main", WM_NCDESTROY}};
  g_logged.failCreate = "main";
  g_logged.quitOnDestroy = true;
  HMENU menu = pc->Menus().Load(kMenuTemplate);
  ASSERT_NE(nullptr, menu);
  HWND hwnd = reinterpret_cast<HWND>(1);
  bool quitPosted = true;
  Run([&] {
    RegisterLoggingClass();
    hwnd = CreateLogged("main", nullptr, WS_OVERLAPPEDWINDOW, menu);
    MSG msg;
    quitPosted = PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message == WM_QUIT;
    return 0;
  });
  EXPECT_EQ(nullptr, hwnd);
  EXPECT_TRUE(SameSequence(kFailed, g_logged.log));
  EXPECT_FALSE(quitPosted) << "WM_QUIT was posted: WM_DESTROY reached the window";
  EXPECT_EQ(0u, pc->Windows().Count());
  EXPECT_EQ(nullptr, pc->Menus().Find(menu)) << "the menu outlived the failed window";
}

TEST_F(User32Window, FalseFromNcCreateDestroysTheWindowWithoutWmCreate) {
  static const Expected kFailed[] = {{"main", WM_NCCREATE}, {"main", WM_NCDESTROY}};
  g_logged.failNcCreate = "main";
  HWND hwnd = reinterpret_cast<HWND>(1);
  Run([&] {
    RegisterLoggingClass();
    hwnd = CreateLogged("main");
    return 0;
  });
  EXPECT_EQ(nullptr, hwnd);
  EXPECT_TRUE(SameSequence(kFailed, g_logged.log));
  EXPECT_EQ(0u, pc->Windows().Count());
}

// WM_DESTROY goes down the whole tree first, parent before children; then each window is
// freed children first, each with its WM_NCDESTROY (Wine: WIN_SendDestroyMsg, then
// WIN_DestroyWindow).
TEST_F(User32Window, DestructionSendsWmDestroyParentFirstThenWmNcDestroyChildrenFirst) {
  static const Expected kDestroy[] = {{"parent", WM_DESTROY},       {"child1", WM_DESTROY},
                                      {"grandchild", WM_DESTROY},   {"child2", WM_DESTROY},
                                      {"grandchild", WM_NCDESTROY}, {"child1", WM_NCDESTROY},
                                      {"child2", WM_NCDESTROY},     {"parent", WM_NCDESTROY}};
  HWND parent = nullptr, child1 = nullptr, grandchild = nullptr, child2 = nullptr;
  bool childrenAtDestroy = false, childrenAtNcDestroy = true;
  g_logged.handler = [&](HWND hwnd, UINT message, WPARAM, LPARAM) -> LRESULT {
    if (hwnd == parent && message == WM_DESTROY)
      childrenAtDestroy = IsWindow(child1) && IsWindow(child2);
    if (hwnd == parent && message == WM_NCDESTROY)
      childrenAtNcDestroy = IsWindow(child1) || IsWindow(child2);
    return -2;
  };
  BOOL destroyed = FALSE;
  Run([&] {
    RegisterLoggingClass();
    parent = CreateLogged("parent");
    child1 = CreateLogged("child1", parent, WS_CHILD);
    grandchild = CreateLogged("grandchild", child1, WS_CHILD);
    child2 = CreateLogged("child2", parent, WS_CHILD);
    g_logged.log.clear();
    destroyed = DestroyWindow(parent);
    return 0;
  });
  EXPECT_TRUE(destroyed);
  EXPECT_TRUE(SameSequence(kDestroy, g_logged.log));
  EXPECT_TRUE(childrenAtDestroy) << "children were gone during the parent's WM_DESTROY";
  EXPECT_FALSE(childrenAtNcDestroy) << "children were still there at the parent's WM_NCDESTROY";
  EXPECT_EQ(0u, pc->Windows().Count());
}

TEST_F(User32Window, OwnedPopupsAreDestroyedWhollyBeforeTheOwnerHearsWmDestroy) {
  static const Expected kDestroy[] = {{"popup", WM_DESTROY},   {"popup", WM_NCDESTROY},
                                      {"owner", WM_DESTROY},   {"child", WM_DESTROY},
                                      {"child", WM_NCDESTROY}, {"owner", WM_NCDESTROY}};
  HWND owner = nullptr, popup = nullptr;
  bool popupAtOwnerDestroy = true;
  g_logged.handler = [&](HWND hwnd, UINT message, WPARAM, LPARAM) -> LRESULT {
    if (hwnd == owner && message == WM_DESTROY) popupAtOwnerDestroy = IsWindow(popup);
    return -2;
  };
  Run([&] {
    RegisterLoggingClass();
    owner = CreateLogged("owner");
    popup = CreateLogged("popup", owner, WS_POPUP);
    CreateLogged("child", owner, WS_CHILD);
    g_logged.log.clear();
    DestroyWindow(owner);
    return 0;
  });
  EXPECT_TRUE(SameSequence(kDestroy, g_logged.log));
  EXPECT_FALSE(popupAtOwnerDestroy) << "the owned popup outlived its owner's WM_DESTROY";
  EXPECT_EQ(0u, pc->Windows().Count());
}

// EnumWindows and FindWindowA walk the Z order: top-most windows first, a new window on top of
// its band, a window brought forward with the windows it owns above it (Windows keeps an owned
// window above its owner). Tavos's search of the recorder's windows depends on this order.
TEST_F(User32Window, TopLevelWindowsAreWalkedInZOrder) {
  std::vector<std::string> orders;
  char found[16] = {};
  Run([&] {
    RegisterLoggingClass();
    auto order = [&] {
      std::string text;
      EnumWindows(
          [](HWND hwnd, LPARAM into) {
            char title[16] = {};
            GetWindowTextA(hwnd, title, sizeof title);
            if (title[0] != '\0' && title[1] == '\0')
              *reinterpret_cast<std::string*>(into) += title;
            return TRUE;
          },
          LPARAM(&text));
      orders.push_back(text);
    };
    constexpr UINT kKeepPlace = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    HWND a = CreateLogged("a");
    CreateLogged("p", a, WS_POPUP);
    HWND b = CreateLogged("b");
    HWND t = CreateLogged("t");
    SetWindowPos(t, HWND_TOPMOST, 0, 0, 0, 0, kKeepPlace);
    order();
    CreateLogged("c");
    order();
    SetForegroundWindow(a);
    order();
    SetWindowPos(t, HWND_NOTOPMOST, 0, 0, 0, 0, kKeepPlace);
    SetWindowPos(b, HWND_TOP, 0, 0, 0, 0, kKeepPlace);
    order();
    SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, kKeepPlace | SWP_NOZORDER);
    order();
    GetWindowTextA(FindWindowA(kLoggingClass, nullptr), found, sizeof found);
    for (HWND each : {a, b, t}) DestroyWindow(each);
    DestroyWindow(FindWindowA(kLoggingClass, "c"));
    return 0;
  });
  EXPECT_EQ((std::vector<std::string>{"tbpa", "tcbpa", "tpacb", "btpac", "btpac"}), orders);
  EXPECT_STREQ("b", found) << "the top one of its class";
}

TEST_F(User32Window, OnlyTheOwningThreadMayDestroyAWindow) {
  HWND hwnd = nullptr;
  Run(
      [&] {
        RegisterLoggingClass();
        hwnd = CreateLogged("a");
        return PumpMessages();
      },
      "C:\\A.exe");
  BOOL byOther = TRUE, unknown = TRUE;
  DWORD otherError = 0, unknownError = 0;
  Run(
      [&] {
        SetLastError(kUntouched);
        byOther = DestroyWindow(hwnd);
        otherError = GetLastError();
        SetLastError(kUntouched);
        unknown = DestroyWindow(reinterpret_cast<HWND>(0x1234));
        unknownError = GetLastError();
        return 0;
      },
      "C:\\B.exe");
  EXPECT_FALSE(byOther);
  EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), otherError);
  EXPECT_FALSE(unknown);
  EXPECT_EQ(DWORD(ERROR_INVALID_WINDOW_HANDLE), unknownError);

  SetLastError(kUntouched);
  EXPECT_FALSE(DestroyWindow(hwnd)) << "from the owner's thread";
  EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
  EXPECT_TRUE(IsWindow(hwnd));
  for (const Logged& logged : g_logged.log) EXPECT_NE(UINT(WM_DESTROY), logged.message);
}

// A top-level window's menu is destroyed with it; a child's "menu" is its control id.
TEST_F(User32Window, TheMenuOfATopLevelWindowGoesWithIt) {
  HMENU menu = pc->Menus().Load(kMenuTemplate);
  HMENU notAMenu = pc->Menus().Load(kMenuTemplate);
  ASSERT_NE(nullptr, menu);
  ASSERT_NE(nullptr, notAMenu);
  bool keptAfterChild = false, keptAfterTop = true;
  BOOL destroyMenuAgain = TRUE;
  DWORD destroyMenuError = 0;
  Run([&] {
    RegisterLoggingClass();
    HWND top = CreateLogged("top", nullptr, WS_OVERLAPPEDWINDOW, menu);
    HWND child = CreateLogged("child", top, WS_CHILD, notAMenu);
    DestroyWindow(child);
    keptAfterChild = pc->Menus().Find(notAMenu) != nullptr && pc->Menus().Find(menu) != nullptr;
    DestroyWindow(top);
    keptAfterTop = pc->Menus().Find(menu) != nullptr;
    SetLastError(kUntouched);
    destroyMenuAgain = DestroyMenu(menu);
    destroyMenuError = GetLastError();
    return 0;
  });
  EXPECT_TRUE(keptAfterChild);
  EXPECT_FALSE(keptAfterTop);
  EXPECT_FALSE(destroyMenuAgain);
  EXPECT_EQ(kErrorInvalidMenuHandle, destroyMenuError);
  EXPECT_TRUE(DestroyMenu(notAMenu));
}

TEST_F(User32Window, TheClassMustExistForTheCallingProcess) {
  struct Attempt {
    bool created;
    DWORD error;
  };
  std::vector<Attempt> attempts;
  auto attempt = [&](const char* className) {
    SetLastError(kUntouched);
    HWND hwnd = CreateWindowExA(0, className, "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                                const_cast<char*>("w"));
    attempts.push_back({hwnd != nullptr, GetLastError()});
    if (hwnd) DestroyWindow(hwnd);
  };
  ATOM second = 1;
  DWORD secondError = 0;
  Run(
      [&] {
        attempt("NoSuchClass");
        RegisterLoggingClass();
        SetLastError(kUntouched);
        second = RegisterLoggingClass() ? 1 : 0;
        secondError = GetLastError();
        attempt("winsimlogged");  // names are not case-sensitive
        UnregisterClassA(kLoggingClass, nullptr);
        attempt(kLoggingClass);
        RegisterLoggingClass();
        return PumpMessages();
      },
      "C:\\A.exe");
  Run(
      [&] {
        attempt(kLoggingClass);  // A's class is not B's
        return 0;
      },
      "C:\\B.exe");
  ASSERT_EQ(4u, attempts.size());
  EXPECT_FALSE(attempts[0].created);
  EXPECT_EQ(kErrorCannotFindClass, attempts[0].error);
  EXPECT_EQ(0, second);
  EXPECT_EQ(kErrorClassAlreadyExists, secondError);
  EXPECT_TRUE(attempts[1].created);
  EXPECT_FALSE(attempts[2].created) << "created after UnregisterClassA";
  EXPECT_EQ(kErrorCannotFindClass, attempts[2].error);
  EXPECT_FALSE(attempts[3].created) << "created with another process's class";
  EXPECT_EQ(kErrorCannotFindClass, attempts[3].error);
}

}  // namespace
}  // namespace winsim_test
