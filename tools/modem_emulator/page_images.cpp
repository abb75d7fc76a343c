// T.4 page data to raster lines and PBM files.
#include "tools/modem_emulator/page_images.h"

#include <cstdio>

#include "faxdoc/t4_decoder.h"

namespace telvane::emu {

Raster DecodePage(const std::vector<uint8_t>& data) {
  Raster raster;
  MhDecoder decoder;
  decoder.Feed(data.data(), data.size(),
               [&](const uint8_t* line, size_t length) { raster.emplace_back(line, line + length); });
  return raster;
}

bool WritePbm(const std::string& fileName, const Raster& raster) {
  if (raster.empty()) return false;
  std::FILE* f = std::fopen(fileName.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fprintf(f, "P4\n%zu %zu\n", raster[0].size() * 8, raster.size()) > 0;
  for (const auto& row : raster) ok = ok && std::fwrite(row.data(), 1, row.size(), f) == row.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace telvane::emu
