// Every static text of the program's dialog templates fits its control at the template's
// font, measured as the dialog manager lays it out: dialog units become pixels through the
// font's base units, and a static breaks its text at spaces into lines of the font's height.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "sim/winsim/dialog_template.h"
#include "sim/winsim/resources.h"
#include "tests/integration/ms_sans_serif_metrics.h"

namespace tavos_test {
namespace {

constexpr uint32_t kStaticTypeMask = 0x1F;  // SS_TYPEMASK
constexpr uint32_t kLeftNoWordWrap = 0x0C;  // SS_LEFTNOWORDWRAP
constexpr uint32_t kStaticIcon = 0x03;      // SS_ICON

const BitmapFontMetrics* MetricsFor(const winsim::DialogLayout& layout) {
  const BitmapFontMetrics& font = kMsSansSerif8;
  if (layout.fontFace == font.face && layout.pointSize >= font.minPoints &&
      layout.pointSize <= font.maxPoints)
    return &font;
  return nullptr;
}

int TextWidth(const BitmapFontMetrics& font, const std::string& text) {
  int width = 0;
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    // A character outside the table counts as the widest, so it can only fail the check.
    width += u >= 0x20 && u < 0x7F ? font.widths[u - 0x20] : 11;
  }
  return width;
}

// The horizontal base unit: the average width of the 52 letters, rounded, as Windows
// computes it for a dialog font (GdiGetCharDimensions).
int BaseUnitX(const BitmapFontMetrics& font) {
  std::string letters;
  for (char c = 'a'; c <= 'z'; ++c) letters += c;
  for (char c = 'A'; c <= 'Z'; ++c) letters += c;
  return (TextWidth(font, letters) + 26) / 52;
}

// Dialog units to pixels, rounded to the nearest as the dialog manager's MulDiv rounds.
int ToPixels(int units, int base, int divisor) { return (units * base + divisor / 2) / divisor; }

// The lines DrawText with DT_WORDBREAK makes of `text` in `width` pixels; a word wider
// than the line stays whole on a line of its own (and is clipped there).
std::vector<std::string> WrapLines(const BitmapFontMetrics& font, const std::string& text,
                                   int width) {
  std::vector<std::string> lines;
  std::istringstream words(text);
  std::string word, line;
  while (words >> word) {
    std::string longer = line.empty() ? word : line + " " + word;
    if (!line.empty() && TextWidth(font, longer) > width) {
      lines.push_back(line);
      line = word;
    } else {
      line = longer;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

struct Misfit {
  int dialog;
  std::string text;
  std::string why;
};

std::vector<Misfit> MisfitsOf(int id, const winsim::DialogLayout& layout) {
  std::vector<Misfit> misfits;
  const BitmapFontMetrics* font = MetricsFor(layout);
  for (const winsim::DialogControl& control : layout.controls) {
    uint32_t type = control.style & kStaticTypeMask;
    if (control.className != "Static" || type == kStaticIcon || control.text.empty()) continue;
    if (font == nullptr) {
      misfits.push_back(
          {id, control.text,
           "no metrics for the font " + layout.fontFace + " " + std::to_string(layout.pointSize)});
      continue;
    }
    const int width = ToPixels(control.cx, BaseUnitX(*font), 4);
    const int height = ToPixels(control.cy, font->height, 8);
    std::vector<std::string> lines = type == kLeftNoWordWrap
                                         ? std::vector<std::string>{control.text}
                                         : WrapLines(*font, control.text, width);
    for (const std::string& line : lines)
      if (TextWidth(*font, line) > width)
        misfits.push_back({id, control.text,
                           "\"" + line + "\" is " + std::to_string(TextWidth(*font, line)) +
                               " pixels wide in " + std::to_string(width)});
    if (int(lines.size()) * font->height > height)
      misfits.push_back({id, control.text,
                         std::to_string(lines.size()) + " lines of " +
                             std::to_string(font->height) + " pixels in " + std::to_string(height) +
                             "; only \"" + lines.front() + "\" shows"});
  }
  return misfits;
}

TEST(DialogTextFit, EveryStaticTextOfEveryTemplateFitsItsControl) {
  winsim::ResourceModule resources;
  ASSERT_TRUE(resources.Load(TAVOS_RESOURCE_FILE));
  std::vector<WORD> ids = resources.IdsOf(winsim::kResourceDialog);
  EXPECT_EQ((std::vector<WORD>{100, 102, 143}), ids) << "the about, option and brightness dialogs";
  size_t measured = 0;
  for (WORD id : ids) {
    winsim::DialogLayout layout;
    ASSERT_TRUE(winsim::ParseDialogTemplate(*resources.Find(winsim::kResourceDialog, id), &layout));
    for (const winsim::DialogControl& control : layout.controls)
      measured += control.className == "Static" && (control.style & kStaticTypeMask) != kStaticIcon;
    for (const Misfit& misfit : MisfitsOf(id, layout))
      ADD_FAILURE() << "dialog " << misfit.dialog << ": \"" << misfit.text << "\": " << misfit.why;
  }
  EXPECT_EQ(2u, measured) << "the about box's line and the option dialog's \"File to Search\"";
}

// The measure itself, on the about box's first text, which the dialog cut after "your".
TEST(DialogTextFit, ATextTooLongForItsLineWrapsOutOfSight) {
  const BitmapFontMetrics& font = kMsSansSerif8;
  EXPECT_EQ(6, BaseUnitX(font));
  const int width = ToPixels(119, BaseUnitX(font), 4);
  EXPECT_EQ(179, width);
  EXPECT_EQ((std::vector<std::string>{"Tavos 1.0, hot keys for your", "notebook"}),
            WrapLines(font, "Tavos 1.0, hot keys for your notebook", width));
}

}  // namespace
}  // namespace tavos_test
