// Multi-page fax TIFF files through libtiff, for the tests that exchange
// pages with spandsp's fax terminal: write the pages a terminal sends, read
// back what a terminal received.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace telvane::test {

struct TiffPage {
  int width = 1728;                        // pixels
  bool fine = false;                       // 196 rather than 98 lines per inch
  std::vector<std::vector<uint8_t>> rows;  // MSB first, set = black
};

// Writes `pages` as a T.4 one-dimensional coded TIFF/F file (204 dpi across,
// 98 or 196 down). False with `error` set when libtiff fails.
bool WriteTiffPages(const std::string& path, const std::vector<TiffPage>& pages, std::string* error = nullptr);

// Reads every page of a fax TIFF file (any compression libtiff decodes).
// Empty with `error` set when the file cannot be read.
std::vector<TiffPage> ReadTiffPages(const std::string& path, std::string* error = nullptr);

}  // namespace telvane::test
