// The 95 family's way to delete a file at the next start: a "NUL=FILE" line in the [rename]
// section of WININIT.INI, which the system reads before Windows starts (so FILE must be a
// short 8.3 path). The section may hold several such lines, of other programs too, so the file
// is edited as text: WritePrivateProfileStringA would replace the one before.
#pragma once

#include <cstddef>
#include <vector>

namespace setup {

// `text` (`length` bytes, the file as it is; empty when there is none) with the line added at
// the top of [rename], or with the section appended when it has none. Lines end in CR LF.
void AddWininitDeletion(const char* text, size_t length, const char* shortPath,
                        std::vector<char>* result);

}  // namespace setup
