// A fresh simulated PC for each test, with the test's code run as simulated programs, and
// window messages logged and compared, as Wine's msg.c does, against constant tables of
// expected messages with one helper that reports the first divergence.
//
// Unlike winsim_fixture.h these tests reach into the simulation (processes, the clock, the
// timeline, the scripted user), so they build for Linux only.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "sim/winsim/os_profile.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/windows_pc.h"

namespace sim {
class Notebook;
class SimKernel;
}  // namespace sim

namespace winsim_test {

inline winsim::OsProfile Profile(const std::string& name) {
  winsim::OsProfile profile{};
  if (!winsim::ProfileByName(name, &profile)) ADD_FAILURE() << "no profile named " << name;
  return profile;
}

// ---- message logs

struct Logged {
  std::string window;  // the label the window was created with
  UINT message;
};

struct Expected {
  const char* window;
  UINT message;
};

inline std::string MessageName(UINT message) {
  switch (message) {
    case WM_CREATE: return "WM_CREATE";
    case WM_DESTROY: return "WM_DESTROY";
    case WM_CLOSE: return "WM_CLOSE";
    case WM_QUIT: return "WM_QUIT";
    case WM_NCCREATE: return "WM_NCCREATE";
    case WM_NCDESTROY: return "WM_NCDESTROY";
    case WM_INITDIALOG: return "WM_INITDIALOG";
    case WM_COMMAND: return "WM_COMMAND";
    case WM_TIMER: return "WM_TIMER";
    case WM_APP: return "WM_APP";
    case WM_APP + 0x3FF: return "run-code";
  }
  char name[32];
  if (message > WM_USER && message < WM_USER + 0x100)
    std::snprintf(name, sizeof name, "WM_USER+%u", message - WM_USER);
  else
    std::snprintf(name, sizeof name, "0x%04X", message);
  return name;
}

inline std::string Show(const std::string& window, UINT message) {
  return window + " " + MessageName(message);
}

// The logged messages against the expected ones: the first difference, and both lists.
template <size_t N>
::testing::AssertionResult SameSequence(const Expected (&expected)[N], const std::vector<Logged>& got) {
  std::string listing = "\n  expected:";
  for (const Expected& e : expected) listing += " [" + Show(e.window, e.message) + "]";
  listing += "\n  got:     ";
  for (const Logged& g : got) listing += " [" + Show(g.window, g.message) + "]";
  for (size_t i = 0; i < N || i < got.size(); ++i) {
    if (i >= N)
      return ::testing::AssertionFailure()
             << "message " << i << ": unexpected " << Show(got[i].window, got[i].message) << listing;
    if (i >= got.size())
      return ::testing::AssertionFailure() << "message " << i << ": missing "
                                           << Show(expected[i].window, expected[i].message) << listing;
    if (expected[i].window != got[i].window || expected[i].message != got[i].message)
      return ::testing::AssertionFailure()
             << "message " << i << ": expected " << Show(expected[i].window, expected[i].message)
             << ", got " << Show(got[i].window, got[i].message) << listing;
  }
  return ::testing::AssertionSuccess();
}

// The logging window class: each window is created with its label as lpParam, logs every
// message it gets, and answers as the test's settings say.
struct LogSettings {
  std::vector<Logged> log;
  std::string failNcCreate;       // label whose WM_NCCREATE returns FALSE
  std::string failCreate;         // label whose WM_CREATE returns -1
  bool quitOnDestroy = false;     // WM_DESTROY posts WM_QUIT, as a main window does
  // Called after logging; its result is the procedure's unless it returns -2.
  std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> handler;
};
inline LogSettings g_logged;
constexpr char kLoggingClass[] = "WinsimLogged";

inline std::string LabelOf(HWND hwnd) {
  auto label = reinterpret_cast<const char*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  return label ? label : "?";
}

inline LRESULT CALLBACK LoggingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE)
    SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                      LONG_PTR(reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams));
  const std::string label = LabelOf(hwnd);
  g_logged.log.push_back({label, message});
  if (g_logged.handler) {
    LRESULT result = g_logged.handler(hwnd, message, wParam, lParam);
    if (result != -2) return result;
  }
  if (message == WM_NCCREATE && label == g_logged.failNcCreate) return FALSE;
  if (message == WM_CREATE && label == g_logged.failCreate) return -1;
  if (message == WM_DESTROY && g_logged.quitOnDestroy) PostQuitMessage(0);
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

// Registers the logging class for the calling program; true when it is there.
inline bool RegisterLoggingClass() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = LoggingProc;
  wc.lpszClassName = kLoggingClass;
  return RegisterClassA(&wc) != 0;
}

inline HWND CreateLogged(const char* label, HWND parent = nullptr, DWORD style = WS_OVERLAPPEDWINDOW,
                         HMENU menu = nullptr) {
  return CreateWindowExA(0, kLoggingClass, label, style, 0, 0, 100, 100, parent, menu,
                         winsim::SimProcess::ImageBase(), const_cast<char*>(label));
}

// The usual message loop; returns WM_QUIT's code.
inline int PumpMessages() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return int(msg.wParam);
}

// ---- the PC

class SimPcTest : public ::testing::Test {
 protected:
  // Last errors start from this, so that an untouched one shows.
  static constexpr DWORD kUntouched = 0xDEADBEEF;

  void SetUp() override {
    g_logged = LogSettings{};
    char pattern[] = "/tmp/winsim-pc-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    sandbox_ = pattern;
    pc = std::make_unique<winsim::WindowsPc>(sandbox_, Profile("xp"), 1033, NotebookForPc(),
                                             KernelForPc());
  }

  void TearDown() override {
    EXPECT_EQ(0u, pc->Handles().OpenCount(0)) << "the test left a handle open";
    pc->ShutDown();  // ends the programs still running; what they left behind is a leak
    EXPECT_EQ(expectedStubs, pc->Stubs());
    EXPECT_EQ(expectedViolations, pc->Violations());
    EXPECT_EQ(expectedLeaks, pc->Leaks());
    pc.reset();
    g_logged = LogSettings{};
    std::filesystem::remove_all(sandbox_);
  }

  // The host folder that holds drive C:.
  const std::string& Sandbox() const { return sandbox_; }
  virtual sim::Notebook* NotebookForPc() { return nullptr; }
  virtual sim::SimKernel* KernelForPc() { return nullptr; }

  // Runs `code` as a program until it waits for messages or ends.
  winsim::SimProcess& Run(std::function<int()> code, const std::string& exePath = "C:\\T.exe",
                          const std::string& resourceFile = "") {
    return pc->StartProgram(exePath, std::move(code), resourceFile);
  }

  // A program "C:\T.exe" with one logged window, "main", in a message loop; OnProgram hands it
  // code to run inside its window procedure. `onMessage` sees every other message first (its
  // result counts unless it is -2).
  HWND StartMainWindow() {
    g_logged.handler = [this](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
      if (message == kRunCode) {
        std::function<void()> code = std::move(pending_);  // may nest: a modal loop runs more
        pending_ = nullptr;
        if (code) code();
        return 0;
      }
      return onMessage ? onMessage(hwnd, message, wParam, lParam) : -2;
    };
    mainProgram_ = &Run([this] {
      if (!RegisterLoggingClass()) return 1;
      main_ = CreateLogged("main");
      return PumpMessages();
    });
    EXPECT_NE(nullptr, main_) << "the main window was not created";
    return main_;
  }
  winsim::SimProcess& MainProgram() { return *mainProgram_; }
  void OnProgram(std::function<void()> code) {
    pending_ = std::move(code);
    ASSERT_TRUE(PostMessageA(main_, kRunCode, 0, 0)) << "the main window is gone";
    pc->Settle();
  }
  static constexpr UINT kRunCode = WM_APP + 0x3FF;
  std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> onMessage;

  // Timeline lines are checked whole, time stamp included: "100 timer start 7 100".
  bool HasLine(const std::string& line) const {
    for (const std::string& got : pc->Events().Lines())
      if (got == line) return true;
    return false;
  }
  std::string Timeline() const {
    std::string text;
    for (const std::string& line : pc->Events().Lines()) text += "\n  " + line;
    return text;
  }

  std::unique_ptr<winsim::WindowsPc> pc;
  std::vector<std::string> expectedStubs;
  std::vector<std::string> expectedViolations;
  std::vector<std::string> expectedLeaks;

 private:
  std::string sandbox_;
  HWND main_ = nullptr;
  winsim::SimProcess* mainProgram_ = nullptr;
  std::function<void()> pending_;
};

}  // namespace winsim_test
