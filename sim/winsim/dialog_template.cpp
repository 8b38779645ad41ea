// The DIALOG and DIALOGEX formats: a header (styles, item count, menu, class, caption, font),
// then DWORD-aligned items (styles, position, id, class, text, creation data).
#include "sim/winsim/dialog_template.h"

#include <cstdint>

namespace winsim {

namespace {

constexpr uint32_t kSetFont = 0x40;  // DS_SETFONT
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
  // As SzOrOrd, telling whether an ordinal was read.
  bool SzOrdFlag(std::string* text, uint16_t* ordinal, bool* isOrdinal) {
    size_t before = at_;
    uint16_t first = 0;
    if (!Word(&first)) return false;
    at_ = before;
    *isOrdinal = first == 0xFFFF;
    return SzOrOrd(text, ordinal);
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

std::string ClassOfAtom(uint16_t atom) {
  switch (atom) {
    case 0x0080:
      return "Button";
    case 0x0081:
      return "Edit";
    case 0x0082:
      return "Static";
    default:
      return "#" + std::to_string(atom);
  }
}

}  // namespace

bool ParseDialogTemplate(const std::string& bytes, DialogLayout* layout) {
  Reader in(bytes);
  uint16_t version = 0, signature = 0;
  if (!in.Word(&version) || !in.Word(&signature)) return false;
  const bool extended = version == 1 && signature == 0xFFFF;
  layout->extended = extended;
  Reader header(bytes);
  uint32_t style = 0, exStyle = 0, helpId = 0;
  uint16_t count = 0;
  if (extended) {
    if (!header.Skip(4) || !header.Dword(&helpId) || !header.Dword(&exStyle) || !header.Dword(&style))
      return false;
  } else if (!header.Dword(&style) || !header.Dword(&exStyle)) {
    return false;
  }
  layout->style = style;
  layout->exStyle = exStyle;
  std::string menu, windowClass;
  uint16_t ordinal = 0, cx = 0, cy = 0;
  if (!header.Word(&count) || count > kMaxItems || !header.Skip(4) || !header.Word(&cx) ||
      !header.Word(&cy) || !header.SzOrOrd(&menu, &ordinal) ||
      !header.SzOrOrd(&windowClass, &ordinal) || !header.Text(&layout->caption))
    return false;
  layout->cx = int16_t(cx);
  layout->cy = int16_t(cy);
  if (style & kSetFont) {
    uint16_t points = 0;
    if (!header.Word(&points) || !header.Skip(extended ? 4 : 0) || !header.Text(&layout->fontFace))
      return false;
    layout->pointSize = points;
  }
  for (uint16_t i = 0; i < count; ++i) {
    header.AlignToDword();
    DialogControl control;
    uint32_t itemHelp = 0, id = 0;
    uint16_t shortId = 0, x = 0, y = 0, w = 0, h = 0;
    if (extended) {
      if (!header.Dword(&itemHelp) || !header.Dword(&control.exStyle) ||
          !header.Dword(&control.style))
        return false;
    } else if (!header.Dword(&control.style) || !header.Dword(&control.exStyle)) {
      return false;
    }
    if (!header.Word(&x) || !header.Word(&y) || !header.Word(&w) || !header.Word(&h)) return false;
    if (extended) {
      if (!header.Dword(&id)) return false;
    } else {
      if (!header.Word(&shortId)) return false;
      id = shortId;
    }
    control.x = int16_t(x);
    control.y = int16_t(y);
    control.cx = int16_t(w);
    control.cy = int16_t(h);
    control.id = int(int16_t(uint16_t(id)));
    uint16_t classAtom = 0, textOrdinal = 0xFFFF, extra = 0;
    std::string className;
    bool hasOrdinal = false;
    if (!header.SzOrOrd(&className, &classAtom) ||
        !header.SzOrdFlag(&control.text, &textOrdinal, &hasOrdinal) || !header.Word(&extra) ||
        !header.Skip(extra))
      return false;
    control.className = className.empty() ? ClassOfAtom(classAtom) : className;
    if (hasOrdinal) control.textOrdinal = textOrdinal;
    layout->controls.push_back(control);
  }
  return true;
}

}  // namespace winsim
