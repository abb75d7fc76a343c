// The character repertoire of the fax font: code page 437.
#pragma once

namespace faxfont {

// Unicode character drawn for byte code `code` (0..255). Codes 1-31 and 127
// are the code page 437 pictures (smileys, card suits, arrows), not control
// characters. Codes 0, 32 and 255 are blank and map to U+0020.
char32_t Cp437ToUnicode(int code);

}  // namespace faxfont
