// Preparation of images before conversion: a JPEG file, or a BMP file of
// 2 colours, is turned into an 8-bit BMP file, which the converter then
// reads as a BMP. Shared by the conversion windows and the command-line tool.
#pragma once

#include <string>

namespace telvane {

// True for a file named .jpg or .jpeg (any letter case), and for a .bmp file
// whose headers say 1 bit per pixel. A BMP whose headers cannot be read is
// left to the converter, which reports what is wrong with it.
bool NeedsBmp8Preparation(const std::string& fileName);

// True for a file whose BMP headers say 1 bit per pixel, whatever its name;
// false when they cannot be read.
bool IsTwoColourBmp(const std::string& fileName);

// `fileName` with its extension replaced by ".Bmp" (only the last part of
// the path is touched, so dots in folder names stay).
std::string PreparedBmpName(const std::string& fileName);

// Reads `source` (a JPEG or a BMP, told apart by their first bytes) and saves
// it as an 8-bit BMP `target`: a 2-colour image keeps black and white, other
// images become 256 grey levels. `target` may name `source`; it is replaced
// only once the new file is complete. Returns 0, -8002 for a source that is
// neither a readable JPEG nor a readable BMP, -8, or a negated file error.
int PrepareBmp8(const std::string& source, const std::string& target);

}  // namespace telvane
