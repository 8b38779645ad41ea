// The system's ANSI code page (Windows-1252) against UTF-16, one character at a time.
#pragma once

#include <cstdint>

namespace winsim {

uint16_t WideOfAnsi(uint8_t c);
// '?' for a character the page cannot hold.
char AnsiOfWide(uint16_t c);

}  // namespace winsim
