// The registry functions: values round trip with Windows' size and error rules, a key with
// subkeys is refused by NT and deleted with its tree by the 95 family, handles to deleted keys
// stay dead, and who may change which hive on each Windows version.
#include <cstring>
#include <string>

#include "sim/kernel/security.h"
#include "sim_pc_fixture.h"

namespace winsim_test {
namespace {

constexpr char kTest[] = "Software\\Tavos Test";

class Registry : public SimPcTest {
 protected:
  // Creates `sub` under HKLM with every right; null on failure (the error in `error`).
  HKEY Create(const std::string& sub, REGSAM rights = KEY_ALL_ACCESS) {
    HKEY key = reinterpret_cast<HKEY>(0x1234);
    DWORD disposition = kUntouched;
    error = RegCreateKeyExA(HKEY_LOCAL_MACHINE, sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            rights, nullptr, &key, &disposition);
    created = disposition;
    return error == ERROR_SUCCESS ? key : nullptr;
  }
  LONG SetText(HKEY key, const char* name, const char* text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          DWORD(std::strlen(text) + 1));
  }
  LONG error = 0;
  DWORD created = 0;
};

TEST_F(Registry, ValuesRoundTripWithWindowsSizesAndErrors) {
  HKEY key = Create(kTest);
  ASSERT_NE(nullptr, key) << error;
  EXPECT_EQ(DWORD(REG_CREATED_NEW_KEY), created);
  EXPECT_EQ(ERROR_SUCCESS, SetText(key, "Path", "C:\\Program Files\\Tavos"));
  DWORD one = 1;
  EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "NoModify", 0, REG_DWORD,
                                          reinterpret_cast<const BYTE*>(&one), sizeof one));

  // Names compare without case; a short buffer gets ERROR_MORE_DATA and the size needed.
  char text[32];
  std::memset(text, 'x', sizeof text);
  DWORD type = kUntouched, size = 8;
  EXPECT_EQ(ERROR_MORE_DATA,
            RegQueryValueExA(key, "PATH", nullptr, &type, reinterpret_cast<BYTE*>(text), &size));
  EXPECT_EQ(23u, size);
  size = sizeof text;
  EXPECT_EQ(ERROR_SUCCESS,
            RegQueryValueExA(key, "path", nullptr, &type, reinterpret_cast<BYTE*>(text), &size));
  EXPECT_EQ(DWORD(REG_SZ), type);
  EXPECT_EQ(23u, size);
  EXPECT_STREQ("C:\\Program Files\\Tavos", text);
  DWORD number = kUntouched;
  size = sizeof number;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "NoModify", nullptr, &type,
                                            reinterpret_cast<BYTE*>(&number), &size));
  EXPECT_EQ(DWORD(REG_DWORD), type);
  EXPECT_EQ(1u, number);
  size = 0;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Path", nullptr, nullptr, nullptr, &size));
  EXPECT_EQ(23u, size) << "no buffer: only the size";
  EXPECT_EQ(ERROR_FILE_NOT_FOUND,
            RegQueryValueExA(key, "Missing", nullptr, nullptr, nullptr, &size));

  DWORD subkeys = kUntouched, values = kUntouched;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr,
                                            nullptr, &values, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(0u, subkeys);
  EXPECT_EQ(2u, values);
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(key, "NOMODIFY"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueA(key, "NoModify"));

  // Creating it again opens it; a read-only handle cannot change it.
  HKEY again = Create(kTest, KEY_READ);
  ASSERT_NE(nullptr, again);
  EXPECT_EQ(DWORD(REG_OPENED_EXISTING_KEY), created);
  EXPECT_EQ(ERROR_ACCESS_DENIED, SetText(again, "Path", "elsewhere"));
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteValueA(again, "Path"));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(again));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(again));

  HKEY opened = reinterpret_cast<HKEY>(0x1234);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND,
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Nothing", 0, KEY_READ, &opened));
  EXPECT_EQ(nullptr, opened);
  EXPECT_EQ(ERROR_INVALID_PARAMETER,
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\\\Tavos Test", 0, KEY_READ, &opened));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_LOCAL_MACHINE)) << "a predefined key closes quietly";
}

TEST_F(Registry, NtRefusesToDeleteAKeyWithSubkeysThe95FamilyDeletesTheTree) {
  for (const char* profile : {"95", "98", "me", "nt4", "2000", "xp"}) {
    pc->SetProfile(Profile(profile));
    HKEY child = Create(std::string(kTest) + "\\Child");
    ASSERT_NE(nullptr, child) << profile;
    HKEY parent = Create(kTest);
    ASSERT_NE(nullptr, parent) << profile;
    LONG deleted = RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTest);
    if (pc->Profile().IsNt()) {
      EXPECT_EQ(ERROR_ACCESS_DENIED, deleted) << profile;
      EXPECT_EQ(ERROR_SUCCESS, SetText(child, "Still", "here")) << profile;
      EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(parent, "Child")) << profile;
      EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTest)) << profile;
    } else {
      EXPECT_EQ(ERROR_SUCCESS, deleted) << profile;
    }
    // Handles to deleted keys stay dead, even when a key of that name comes back.
    EXPECT_EQ(ERROR_KEY_DELETED, SetText(child, "Late", "value")) << profile;
    HKEY back = Create(kTest);
    ASSERT_NE(nullptr, back) << profile;
    EXPECT_EQ(ERROR_KEY_DELETED, SetText(parent, "Late", "value")) << profile;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(back, "Child")) << profile;
    for (HKEY key : {child, parent, back}) EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key)) << profile;
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTest)) << profile;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTest)) << profile;
  }
}

// Who may change what: the 95 family lets anyone change anything; on NT a user changes only
// their own hive, except that NT 4.0 still lets everyone change HKLM\SOFTWARE.
TEST_F(Registry, OnNtOnlyAdministratorsChangeTheMachine) {
  struct Case {
    const char* profile;
    bool software;  // a user may change HKLM\Software
    bool system;    // ... and HKLM\System
  };
  const Case cases[] = {{"95", true, true},
                        {"98", true, true},
                        {"nt4", true, false},
                        {"2000", false, false},
                        {"xp", false, false}};
  const char* const kSystem = "System\\CurrentControlSet\\Services\\TavosTest";
  for (const Case& c : cases) {
    pc->SetProfile(Profile(c.profile));
    pc->SetLoggedOnUser(sim::AccessToken::InteractiveUser());
    for (const char* sub : {kTest, kSystem}) {
      const bool allowed = sub == kTest ? c.software : c.system;
      HKEY key = Create(sub);
      EXPECT_EQ(allowed ? ERROR_SUCCESS : ERROR_ACCESS_DENIED, error) << c.profile << " " << sub;
      if (key != nullptr) {
        EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
      }
    }
    // Reading is everyone's; the user's own hive is theirs.
    HKEY read = nullptr;
    EXPECT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft", 0, KEY_READ, &read))
        << c.profile;
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(read));
    HKEY own = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tavos Test", 0, nullptr,
                                             0, KEY_ALL_ACCESS, nullptr, &own, nullptr))
        << c.profile;
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(own));
    // What was made is taken away again by an administrator.
    pc->SetLoggedOnUser(sim::AccessToken::InteractiveAdministrator());
    for (const char* sub : {kTest, kSystem}) RegDeleteKeyA(HKEY_LOCAL_MACHINE, sub);
  }
}

}  // namespace
}  // namespace winsim_test
