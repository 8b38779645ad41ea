// The DIALOG and DIALOGEX formats: a header (styles, item count, menu, class, caption, font),
// then DWORD-aligned items (styles, position, id, class, text, creation data).
#include "sim/winsim/dialog_template.h"

#include <cstdint>

namespace winsim {

namespace {

constexpr uint32_t kSetFont = 0x40;  // DS_SETFONT
constexpr uint16_t kButtonClass = 0x0080;
constexpr uint32_t kButtonTypeMask = 0x0F;  // BS_PUSHBUTTON 0, BS_DEFPUSHBUTTON 1
constexpr size_t kMaxItems = 512;

class Reader {
 public:
  explicit Reader(const std::string& bytes) : bytes_(bytes) {}
  bool Word(uint16_t* value) {
    if (at_ + 2 > bytes_.size()) return false;
    *value = uint16_t(uint8_t(bytes_[at_]) | uint8_t(bytes_[at_ + 1]) << 8);
    at_ += 2;
    return true;
  }
  bool Dword(uint32_t* value) {
    uint16_t low = 0, high = 0;
    if (!Word(&low) || !Word(&high)) return false;
    *value = uint32_t(low) | uint32_t(high) << 16;
    return true;
  }
  bool Skip(size_t count) {
    if (at_ + count > bytes_.size()) return false;
    at_ += count;
    return true;
  }
  // A string, or 0xFFFF and an ordinal (then `ordinal` is set and `text` stays empty).
  bool SzOrOrd(std::string* text, uint16_t* ordinal) {
    uint16_t first = 0;
    if (!Word(&first)) return false;
    if (first == 0xFFFF) return Word(ordinal);
    for (uint16_t c = first; c != 0;) {
      text->push_back(c < 0x80 ? char(c) : '?');
      if (!Word(&c)) return false;
    }
    return true;
  }
  bool Text(std::string* text) {
    uint16_t ordinal = 0;
    return SzOrOrd(text, &ordinal);
  }
  void AlignToDword() { at_ = (at_ + 3) & ~size_t(3); }

 private:
  const std::string& bytes_;
  size_t at_ = 0;
};

}  // namespace

bool ParseDialogTemplate(const std::string& bytes, DialogLayout* layout) {
  Reader in(bytes);
  uint16_t version = 0, signature = 0;
  if (!in.Word(&version) || !in.Word(&signature)) return false;
  const bool extended = version == 1 && signature == 0xFFFF;
  Reader header(bytes);
  uint32_t style = 0, exStyle = 0, helpId = 0;
  uint16_t count = 0;
  if (extended) {
    if (!header.Skip(4) || !header.Dword(&helpId) || !header.Dword(&exStyle) || !header.Dword(&style))
      return false;
  } else if (!header.Dword(&style) || !header.Dword(&exStyle)) {
    return false;
  }
  std::string menu, windowClass;
  uint16_t ordinal = 0;
  if (!header.Word(&count) || count > kMaxItems || !header.Skip(8) ||
      !header.SzOrOrd(&menu, &ordinal) || !header.SzOrOrd(&windowClass, &ordinal) ||
      !header.Text(&layout->caption))
    return false;
  if (style & kSetFont) {
    std::string face;
    if (!header.Skip(extended ? 6 : 2) || !header.Text(&face)) return false;
  }
  for (uint16_t i = 0; i < count; ++i) {
    header.AlignToDword();
    uint32_t itemStyle = 0, itemExStyle = 0, itemHelp = 0, id = 0;
    uint16_t shortId = 0;
    if (extended) {
      if (!header.Dword(&itemHelp) || !header.Dword(&itemExStyle) || !header.Dword(&itemStyle) ||
          !header.Skip(8) || !header.Dword(&id))
        return false;
    } else {
      if (!header.Dword(&itemStyle) || !header.Dword(&itemExStyle) || !header.Skip(8) ||
          !header.Word(&shortId))
        return false;
      id = shortId;
    }
    std::string itemClass, text;
    uint16_t classAtom = 0, extra = 0;
    if (!header.SzOrOrd(&itemClass, &classAtom) || !header.SzOrOrd(&text, &ordinal) ||
        !header.Word(&extra) || !header.Skip(extra))
      return false;
    bool button = classAtom == kButtonClass || itemClass == "Button" || itemClass == "BUTTON";
    if (button && (itemStyle & kButtonTypeMask) <= 1)
      layout->buttons.push_back({text, int(int16_t(uint16_t(id)))});
  }
  return true;
}

}  // namespace winsim
