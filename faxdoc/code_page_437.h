// The character repertoire of the built-in fax font: code page 437, byte code
// to Unicode and back.
#pragma once

namespace telvane {

// Unicode character drawn for byte code `code` (0..255). Codes 1-31 and 127
// are the code page 437 pictures (smileys, card suits, arrows), not control
// characters. Codes 0, 32 and 255 are blank and map to U+0020.
char32_t Cp437ToUnicode(int code);

// The byte code whose glyph shows `ch`, or -1 when the font has none. A space
// is 32 and a no-break space 255; control characters have no code.
int UnicodeToCp437(char32_t ch);

}  // namespace telvane
