// A fresh folder for each test: on a simulated Windows XP PC, or, built for Windows, on the
// real API (Wine in CI), so that the same tests hold the simulation against another system.
#pragma once

// gtest first: the Linux seam turns fopen into the simulated one.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32.h"

#ifndef _WIN32
#include <filesystem>
#include <memory>

#include "sim/winsim/os_profile.h"
#include "sim/winsim/windows_pc.h"
#endif

// Errors the Linux seam does not declare.
#ifndef ERROR_FILE_EXISTS
#define ERROR_FILE_EXISTS 80L
#endif
#ifndef ERROR_INVALID_NAME
#define ERROR_INVALID_NAME 123L
#endif

namespace winsim_test {

class WinApiTest : public ::testing::Test {
 protected:
  // Last errors start from this, so that an untouched one shows.
  static constexpr DWORD kUntouched = 0xDEADBEEF;
  static constexpr char kMarker = 'x';

#ifdef _WIN32
  void SetUp() override {
    char temp[MAX_PATH];
    ASSERT_NE(0u, GetTempPathA(MAX_PATH, temp));
    // A name no earlier run left behind (process ids repeat under Wine).
    static int counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
      char name[64];
      std::snprintf(name, sizeof name, "winsim-%lu-%d", GetCurrentProcessId(), ++counter);
      dir_ = std::string(temp) + name;
      if (CreateDirectoryA(dir_.c_str(), nullptr)) return;
      ASSERT_EQ(DWORD(ERROR_ALREADY_EXISTS), GetLastError()) << dir_;
    }
    FAIL() << "no fresh folder under " << temp;
  }
  void TearDown() override {
    for (const std::string& file : windowsDirFiles_) {
      SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(file.c_str());
    }
    RemoveTree(dir_);
  }
  // WINAPI_TESTS_NO_WINE_SKIPS=1 runs the skipped tests too, to see that Wine still differs.
  static bool OnWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr &&
           std::getenv("WINAPI_TESTS_NO_WINE_SKIPS") == nullptr;
  }
  static void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        std::string name = data.cFileName, path = folder + "\\" + name;
        if (name == "." || name == "..") continue;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          RemoveTree(path);
        else
          DeleteFileA(path.c_str());
      } while (FindNextFileA(find, &data));
      FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
  }
#else
  void SetUp() override {
    char pattern[] = "/tmp/winsim-test-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    sandbox_ = pattern;
    winsim::OsProfile xp;
    ASSERT_TRUE(winsim::ProfileByName("xp", &xp));
    pc_ = std::make_unique<winsim::WindowsPc>(sandbox_, xp, 1033, nullptr, nullptr);
    std::filesystem::create_directory(sandbox_ + "/Test");
    dir_ = "C:\\Test";
  }
  void TearDown() override {
    EXPECT_EQ(0u, pc_->Handles().OpenCount()) << "a handle was left open";
    EXPECT_EQ(std::vector<std::string>{}, pc_->Stubs());
    pc_.reset();
    std::filesystem::remove_all(sandbox_);
  }
  static bool OnWine() { return false; }
#endif

  const std::string& Dir() const { return dir_; }
  std::string Path(const std::string& name) const { return dir_ + "\\" + name; }
  // A file in the Windows directory, removed after the test.
  std::string InWindowsDir(const std::string& name) {
    char windows[MAX_PATH];
    UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_TRUE(length > 0 && length < MAX_PATH);
    windowsDirFiles_.push_back(std::string(windows) + "\\" + name);
    return windowsDirFiles_.back();
  }

  // Whole files through the API itself.
  static bool WriteBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
  }
  // The file's bytes, or "<cannot open>".
  static std::string ReadBytes(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<cannot open>";
    std::string bytes;
    char chunk[512];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
  }
  // Bytes as readable text: \0, \r, \n and \xNN for the unprintable ones.
  static std::string Show(const std::string& bytes) {
    std::string shown;
    for (unsigned char c : bytes) {
      if (c == 0) {
        shown += "\\0";
      } else if (c == '\r') {
        shown += "\\r";
      } else if (c == '\n') {
        shown += "\\n";
      } else if (c < 0x20 || c >= 0x7F) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", c);
        shown += hex;
      } else {
        shown.push_back(char(c));
      }
    }
    return shown;
  }
  static std::string Show(const char* bytes, size_t count) {
    return Show(std::string(bytes, count));
  }

 private:
  std::string dir_;
  std::vector<std::string> windowsDirFiles_;
#ifndef _WIN32
  std::string sandbox_;
  std::unique_ptr<winsim::WindowsPc> pc_;
#endif
};

}  // namespace winsim_test

// For the few places where Wine is known to behave unlike Windows.
#define SKIP_UNDER_WINE(reason)                                            \
  do {                                                                     \
    if (OnWine()) GTEST_SKIP() << "Wine differs from Windows: " << reason; \
  } while (0)
