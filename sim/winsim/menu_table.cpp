// The MENU resource format: a four-byte header, then items; each item is its flags, the
// command id (not for popups), and its text in UTF-16; MF_END marks the last item of a level.
#include "sim/winsim/menu_table.h"

#include "sim/winsim/timeline.h"

namespace winsim {

namespace {

constexpr int kMaxDepth = 8;

bool ReadWord(const std::string& bytes, size_t* at, WORD* value) {
  if (*at + 2 > bytes.size()) return false;
  *value = WORD(uint8_t(bytes[*at]) | uint8_t(bytes[*at + 1]) << 8);
  *at += 2;
  return true;
}

// Menu texts are kept narrow; characters outside ASCII become '?'.
bool ReadText(const std::string& bytes, size_t* at, std::string* text) {
  WORD c = 0;
  while (ReadWord(bytes, at, &c)) {
    if (c == 0) return true;
    text->push_back(c < 0x80 ? char(c) : '?');
  }
  return false;
}

}  // namespace

HMENU MenuTable::Add(std::vector<MenuItem> items) {
  uintptr_t handle = next_;
  next_ += 4;
  menus_[handle] = std::move(items);
  return reinterpret_cast<HMENU>(handle);
}

bool MenuTable::ParseItems(const std::string& bytes, size_t* at, std::vector<MenuItem>* items,
                           int depth) {
  if (depth > kMaxDepth) return false;
  while (true) {
    WORD flags = 0;
    if (!ReadWord(bytes, at, &flags)) return false;
    MenuItem item;
    WORD id = 0;
    if (!(flags & MF_POPUP) && !ReadWord(bytes, at, &id)) return false;
    item.id = id;
    item.state = flags & (MF_CHECKED | MF_GRAYED | MF_DEFAULT);
    if (!ReadText(bytes, at, &item.text)) return false;
    item.separator = !(flags & MF_POPUP) && id == 0 && item.text.empty();
    if (flags & MF_POPUP) {
      std::vector<MenuItem> children;
      if (!ParseItems(bytes, at, &children, depth + 1)) return false;
      item.submenu = Add(std::move(children));
    }
    items->push_back(item);
    if (flags & MF_END) return true;
  }
}

HMENU MenuTable::Load(const std::string& menuTemplate) {
  size_t at = 0;
  WORD version = 0, offset = 0;
  if (!ReadWord(menuTemplate, &at, &version) || !ReadWord(menuTemplate, &at, &offset) || version != 0)
    return nullptr;
  at += offset;
  std::vector<MenuItem> items;
  if (!ParseItems(menuTemplate, &at, &items, 0)) {
    for (MenuItem& item : items)
      if (item.submenu) Destroy(item.submenu);
    return nullptr;
  }
  return Add(std::move(items));
}

std::vector<MenuItem>* MenuTable::Find(HMENU menu) {
  auto found = menus_.find(uintptr_t(menu));
  return found == menus_.end() ? nullptr : &found->second;
}

bool MenuTable::Destroy(HMENU menu) {
  auto found = menus_.find(uintptr_t(menu));
  if (found == menus_.end()) return false;
  std::vector<MenuItem> items = std::move(found->second);
  menus_.erase(found);
  for (MenuItem& item : items)
    if (item.submenu) Destroy(item.submenu);
  return true;
}

std::string MenuTable::Describe(HMENU menu) {
  std::string line;
  std::vector<MenuItem>* items = Find(menu);
  if (items == nullptr) return line;
  for (const MenuItem& item : *items) {
    if (!line.empty()) line += " ";
    line += item.separator ? Quote("-") : Quote((item.state & MF_CHECKED ? "*" : "") + item.text);
  }
  return line;
}

}  // namespace winsim
