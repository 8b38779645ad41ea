// The program's compiled resources as the simulated PC loads them (menu 142, icons 128 and
// 133, dialogs 100 and 102), LoadIconA and LoadMenuA over them, and .res files that are
// truncated or corrupt, which must be refused without reading past their end.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sim/winsim/menu_table.h"
#include "sim/winsim/resources.h"
#include "sim_pc_fixture.h"

namespace winsim_test {
namespace {

constexpr DWORD kErrorResourceNotFound = 1814;

std::string Le32(uint32_t value) {
  return {char(value), char(value >> 8), char(value >> 16), char(value >> 24)};
}
std::string Le16(uint16_t value) { return {char(value), char(value >> 8)}; }

// One .res entry: sizes, numeric type and name, the fixed fields, data padded to 4 bytes.
std::string Entry(uint16_t type, uint16_t id, const std::string& data) {
  std::string header = Le32(uint32_t(data.size())) + Le32(32) + Le16(0xFFFF) + Le16(type) + Le16(0xFFFF) +
                       Le16(id) + Le32(0) + Le16(0x1030) + Le16(0x0409) + Le32(0) + Le32(0);
  return header + data + std::string((4 - data.size() % 4) % 4, '\0');
}
// The empty entry every Win32 .res file begins with.
std::string NullEntry() { return Entry(0, 0, ""); }

std::string Utf16(const std::string& ascii) {
  std::string wide;
  for (char c : ascii) wide += Le16(uint8_t(c));
  return wide;
}

class Resources : public SimPcTest {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    std::string path = Sandbox() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  static std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
};

TEST_F(Resources, TheProgramsCompiledResourcesLoad) {
  winsim::ResourceModule module;
  ASSERT_TRUE(module.Load(TAVOS_RESOURCE_FILE));
  const std::string* menu = module.Find(winsim::kResourceMenu, 142);
  const std::string* about = module.Find(winsim::kResourceDialog, 100);
  const std::string* option = module.Find(winsim::kResourceDialog, 102);
  ASSERT_NE(nullptr, menu);
  ASSERT_NE(nullptr, about);
  ASSERT_NE(nullptr, option);
  for (WORD icon : {128, 133}) {
    const std::string* group = module.Find(winsim::kResourceGroupIcon, icon);
    ASSERT_NE(nullptr, group) << "icon " << icon;
    EXPECT_EQ(Le16(0) + Le16(1), group->substr(0, 4)) << "icon " << icon << ": no GRPICONDIR";
  }
  EXPECT_EQ(nullptr, module.Find(winsim::kResourceDialog, 999));
  EXPECT_EQ(nullptr, module.Find(winsim::kResourceMenu, 100));

  // The data is each resource's own: the menu's items, each dialog's template header.
  EXPECT_EQ(Le32(0), menu->substr(0, 4)) << "MENUHEADER";
  EXPECT_NE(std::string::npos, menu->find(Utf16("EXIT")));
  ASSERT_GE(about->size(), 4u);
  uint32_t style = uint8_t((*about)[0]) | uint8_t((*about)[1]) << 8 | uint8_t((*about)[2]) << 16 |
                   uint32_t(uint8_t((*about)[3])) << 24;
  EXPECT_EQ(DWORD(WS_POPUP | WS_CAPTION | WS_SYSMENU), style & (WS_POPUP | WS_CAPTION | WS_SYSMENU));
  EXPECT_EQ(Le16(1) + Le16(0xFFFF), option->substr(0, 4)) << "DIALOGEX template";
}

TEST_F(Resources, IconsAndMenusLoadFromTheProgramsOwnImage) {
  HICON enabled = nullptr, disabled = nullptr, missing = reinterpret_cast<HICON>(1),
        foreign = reinterpret_cast<HICON>(1);
  DWORD missingError = 0;
  HMENU menu = nullptr;
  std::string items;
  size_t menusLoaded = 0;
  BOOL destroyed = FALSE, again = TRUE;
  Run(
      [&] {
        HINSTANCE image = GetModuleHandleA(nullptr);
        enabled = LoadIconA(image, MAKEINTRESOURCEA(128));
        disabled = LoadIconA(image, MAKEINTRESOURCEA(133));
        SetLastError(kUntouched);
        missing = LoadIconA(image, MAKEINTRESOURCEA(999));
        missingError = GetLastError();
        foreign = LoadIconA(nullptr, MAKEINTRESOURCEA(128));
        menu = LoadMenuA(image, MAKEINTRESOURCEA(142));
        menusLoaded = pc->Menus().Count();
        if (auto* top = pc->Menus().Find(menu); top && top->size() == 1)
          items = (*top)[0].text + ": " + pc->Menus().Describe((*top)[0].submenu);
        destroyed = DestroyMenu(menu);
        again = DestroyMenu(menu);
        return 0;
      },
      "C:\\T.exe", TAVOS_RESOURCE_FILE);
  EXPECT_EQ(128, winsim::IconResourceId(enabled));
  EXPECT_EQ(133, winsim::IconResourceId(disabled));
  EXPECT_EQ(nullptr, missing);
  EXPECT_EQ(kErrorResourceNotFound, missingError);
  EXPECT_EQ(nullptr, foreign) << "not the program's image";
  EXPECT_NE(nullptr, menu);
  EXPECT_EQ("TAVO: \"Disable\" \"About.....\" \"Option\" \"Brightness\" \"-\" \"EXIT\"", items);
  EXPECT_EQ(2u, menusLoaded) << "the menu and its popup";
  EXPECT_EQ(0u, pc->Menus().Count()) << "DestroyMenu left the popup";
  EXPECT_TRUE(destroyed);
  EXPECT_FALSE(again);
}

TEST_F(Resources, HandMadeFilesKeepNumericResourcesAndSkipNamedOnes) {
  std::string named = Le32(3) + Le32(36) + Le16(0xFFFF) + Le16(4) + Utf16("AB") + Le16(0) + Le16(0) +
                      Le32(0) + Le16(0) + Le16(0) + Le32(0) + Le32(0) + "xyz" + std::string(1, '\0');
  ASSERT_EQ(36u + 4u, named.size());
  winsim::ResourceModule module;
  ASSERT_TRUE(module.Load(Write("good.res", NullEntry() + Entry(4, 7, "abc") + named + Entry(14, 9, ""))));
  EXPECT_EQ(2u, module.Count());
  ASSERT_NE(nullptr, module.Find(4, 7));
  EXPECT_EQ("abc", *module.Find(4, 7)) << "the padding is not data";
  ASSERT_NE(nullptr, module.Find(14, 9));
  EXPECT_EQ("", *module.Find(14, 9));
}

TEST_F(Resources, CorruptFilesAreRefused) {
  const std::string good = NullEntry() + Entry(4, 7, "abcd");
  std::string shortHeader = good;
  shortHeader.replace(32 + 4, 4, Le32(8));
  std::string oddHeader = good + Le16(0);  // room for the data after a 34-byte header
  oddHeader.replace(32 + 4, 4, Le32(34));
  std::string hugeHeader = good;
  hugeHeader.replace(32 + 4, 4, Le32(0xFFFFFFF0));
  std::string hugeData = good;
  hugeData.replace(32, 4, Le32(0xFFFFFFFD));
  std::string unterminatedName = Le32(0) + Le32(16) + Le16(0xFFFF) + Le16(4) + Utf16("ABCD");
  // The name's NUL comes only in the data.
  std::string nameIntoData = Le32(4) + Le32(16) + Le16(0xFFFF) + Le16(4) + Utf16("AB") + Le32(0);
  // A named type, then a name whose ordinal would lie past the header.
  std::string cutOrdinal = Le32(0) + Le32(16) + Utf16("AB") + Le16(0) + Le16(0xFFFF) + Le16(5) + Le16(0);
  const std::pair<const char*, std::string> files[] = {
      {"header-below-16.res", shortHeader},
      {"header-not-aligned.res", oddHeader},
      {"header-past-end.res", hugeHeader},
      {"data-past-end.res", hugeData},
      {"unterminated-name.res", NullEntry() + unterminatedName},
      {"name-into-data.res", NullEntry() + nameIntoData},
      {"cut-ordinal.res", NullEntry() + cutOrdinal},
      {"trailing-bytes.res", good + "xyz"},
      {"trailing-word.res", good + Le32(0) + Le16(0)},
  };
  for (const auto& [name, bytes] : files) {
    winsim::ResourceModule module;
    EXPECT_FALSE(module.Load(Write(name, bytes))) << name;
    EXPECT_EQ(0u, module.Count()) << name;
  }
  winsim::ResourceModule module;
  EXPECT_FALSE(module.Load(Sandbox() + "/absent.res"));
}

// A .res file has no count of its entries: cut where an entry begins, or in an entry's
// padding, it still reads, with the whole resources before the cut. Cut inside an entry's
// header or data it must be refused, and nothing may be read past the end.
TEST_F(Resources, TheRealFileCutInsideAnEntryIsRefused) {
  const std::string full = ReadAll(TAVOS_RESOURCE_FILE);
  winsim::ResourceModule whole;
  ASSERT_TRUE(whole.Load(TAVOS_RESOURCE_FILE));
  const std::string path = Sandbox() + "/cut.res";
  auto loadCut = [&](size_t length, winsim::ResourceModule* module) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << full.substr(0, length);
    return module->Load(path);
  };
  auto dword = [&](size_t at) {
    return uint32_t(uint8_t(full[at])) | uint32_t(uint8_t(full[at + 1])) << 8 |
           uint32_t(uint8_t(full[at + 2])) << 16 | uint32_t(uint8_t(full[at + 3])) << 24;
  };
  size_t entries = 0;
  for (size_t at = 0; at + 8 <= full.size(); ++entries) {
    const size_t header = dword(at + 4), data = dword(at), end = at + header + data;
    const size_t padded = at + header + ((data + 3) & ~size_t(3));
    ASSERT_LE(end, full.size());
    winsim::ResourceModule before;
    EXPECT_TRUE(loadCut(at, &before)) << "cut where entry " << entries << " begins, at " << at;
    for (WORD type : {winsim::kResourceMenu, winsim::kResourceDialog, winsim::kResourceGroupIcon})
      for (WORD id : {100, 102, 128, 133, 142})
        if (const std::string* got = before.Find(type, id)) {
          EXPECT_EQ(*whole.Find(type, id), *got) << "cut at " << at << ": resource " << type << "/" << id;
        }
    for (size_t inside : {at + 1, at + 4, at + 8, at + 10, at + header - 1, at + header + 1,
                          at + header + data / 2, end - 1}) {
      if (inside <= at || inside >= end) continue;
      winsim::ResourceModule module;
      EXPECT_FALSE(loadCut(inside, &module)) << "cut at " << inside << ", inside entry " << entries
                                             << " (" << at << " to " << end << ")";
    }
    if (padded > end) {
      winsim::ResourceModule module;
      EXPECT_TRUE(loadCut(end, &module)) << "cut in the padding of entry " << entries;
    }
    at = padded;
  }
  EXPECT_GE(entries, 6u) << "the null entry, two icons, two icon groups, a menu, ...";
  for (WORD id : {100, 102}) {
    const size_t where = full.find(*whole.Find(winsim::kResourceDialog, id));
    ASSERT_NE(std::string::npos, where);
    winsim::ResourceModule cut;
    EXPECT_FALSE(loadCut(where + 2, &cut)) << "cut inside dialog " << id;
  }
}

TEST_F(Resources, AProgramWithCorruptResourcesStartsWithoutThem) {
  const std::string path = Write("program.res", NullEntry() + Entry(14, 128, "icon") + "z");
  expectedViolations = {"cannot load the resources " + path};
  HICON icon = reinterpret_cast<HICON>(1);
  Run(
      [&] {
        icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(128));
        return 0;
      },
      "C:\\T.exe", path);
  EXPECT_EQ(nullptr, icon);
}

}  // namespace
}  // namespace winsim_test
