// The advance widths of "MS Sans Serif" as a dialog of 8 or 9 points shows it on a 96-dpi
// screen: both sizes get the 8-point bitmap face (13 pixels high, character height 11), since
// the font mapper takes the largest bitmap face not taller than the request (9 points is 12
// pixels; the 10-point face is 13 high). The widths were read from the FONT resource of that
// face in Wine's sserife.fon, as Debian's package fonts-wine 8.0 ships it
// (/usr/share/wine/fonts/sserife.fon: FNT version 3.0, 8 points, 96x96 dpi, pixel height 13).
#pragma once

#include <cstdint>

namespace tavos_test {

struct BitmapFontMetrics {
  const char* face;
  int minPoints, maxPoints;     // the template sizes this face serves
  int height;                   // tmHeight: one line of text, and the dialog's vertical base unit
  uint8_t widths[0x7F - 0x20];  // characters 0x20 to 0x7E
};

constexpr BitmapFontMetrics kMsSansSerif8 = {
    "MS Sans Serif",
    8,
    9,
    13,
    {
        3,  3, 5, 7, 6, 8, 6, 2,  3, 3, 4, 6, 3, 3, 3, 5,  // 0x20
        6,  6, 6, 6, 6, 6, 6, 6,  6, 6, 3, 3, 6, 6, 6, 6,  // 0x30
        11, 7, 7, 7, 8, 7, 6, 8,  8, 3, 5, 7, 6, 9, 8, 8,  // 0x40
        7,  8, 8, 7, 7, 8, 7, 11, 7, 7, 7, 3, 5, 3, 6, 6,  // 0x50
        3,  6, 6, 6, 6, 6, 3, 6,  6, 2, 2, 6, 2, 8, 6, 6,  // 0x60
        6,  6, 3, 5, 3, 6, 6, 8,  5, 5, 5, 4, 2, 4, 7,     // 0x70
    },
};

}  // namespace tavos_test
