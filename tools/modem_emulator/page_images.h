// Fax pages as pictures: decoding T.4 page data into raster lines, and PBM
// files of them, so that pages can be compared with other programs' output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace telvane::emu {

using Raster = std::vector<std::vector<uint8_t>>;

// The raster lines of T.4 page data in line order (first bit in bit 0).
Raster DecodePage(const std::vector<uint8_t>& data);

// Writes a binary PBM (P4): the raster lines are already its rows (set bit
// black, first pixel in the most significant bit). False on a write error
// or an empty raster.
bool WritePbm(const std::string& fileName, const Raster& raster);

}  // namespace telvane::emu
