// libtiff as an independent T.4 codec for tests: decodes our
// coded lines and codes rasters for our decoder, all in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace telvane::test {

// Decodes a T.4 strip (least significant bit first, an EOL before every
// line) of `rows` lines, `width` pixels each, with libtiff. `group3Options`
// as the TIFF field: GROUP3OPT_2DENCODING for EOLs with a tag bit. Rasters
// come back MSB first, set = black. Empty with `error` set when libtiff fails.
std::vector<std::vector<uint8_t>> TiffDecodeG3(const std::vector<uint8_t>& strip, int width, int rows,
                                               std::string* error = nullptr, uint32_t group3Options = 0);

// Codes raster lines (MSB first, set = black) with libtiff's 1-D coder, EOLs
// byte-aligned, least significant bit first; returns the raw strip.
std::vector<uint8_t> TiffEncodeG3(const std::vector<std::vector<uint8_t>>& rows, int width,
                                  std::string* error = nullptr);

// The same with libtiff's two-dimensional coder, EOLs with tag bits, at
// most `k` - 1 two-dimensional lines in a row (libtiff takes K from the
// vertical resolution: 2 up to 150 dpi, 4 above).
std::vector<uint8_t> TiffEncodeG3TwoDim(const std::vector<std::vector<uint8_t>>& rows, int width, int k,
                                        std::string* error = nullptr);

}  // namespace telvane::test
