// libtiff as an independent T.4 one-dimensional codec for tests: decodes our
// coded lines and codes rasters for our decoder, all in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace telvane::test {

// Decodes a T.4 1-D strip (least significant bit first, an EOL before every
// line) of `rows` lines, `width` pixels each, with libtiff. Rasters come back
// MSB first, set = black. Empty with `error` set when libtiff fails.
std::vector<std::vector<uint8_t>> TiffDecodeG3(const std::vector<uint8_t>& strip, int width, int rows,
                                               std::string* error = nullptr);

// Codes raster lines (MSB first, set = black) with libtiff's 1-D coder, EOLs
// byte-aligned, least significant bit first; returns the raw strip.
std::vector<uint8_t> TiffEncodeG3(const std::vector<std::vector<uint8_t>>& rows, int width,
                                  std::string* error = nullptr);

}  // namespace telvane::test
