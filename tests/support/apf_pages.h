// Reads every page of an APF file into raster lines, for assertions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace telvane::test {

using RasterLine = std::vector<uint8_t>;
using RasterPage = std::vector<RasterLine>;

// All pages as decoded raster lines; fails the current test on a read error.
std::vector<RasterPage> ReadApfPages(const std::string& fileName);

// Pixel `x` of a raster line (MSB first, set = black).
inline bool Pixel(const RasterLine& line, int x) { return (line[x >> 3] >> (7 - (x & 7))) & 1; }

// Number of black pixels in a line.
int BlackPixels(const RasterLine& line);

}  // namespace telvane::test
