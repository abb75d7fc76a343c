// A growable byte buffer that libtiff reads and writes as a file, mapped so
// that strips are read in place, and the fields of a Group 3 fax image.
// Shared by the tests and the benchmarks.
#pragma once

#include <tiffio.h>

#include <cstdint>
#include <vector>

namespace telvane::test {

struct TiffMemoryFile {
  std::vector<uint8_t> data;
  uint64_t pos = 0;
};

// Opens `file` from its start with libtiff's `mode` ("r" or "w").
TIFF* OpenTiffInMemory(TiffMemoryFile& file, const char* mode);

// Fields of a bilevel CCITT Group 3 image as fax pages are kept: white is 0,
// least significant bit first, `rowsPerStrip` rows to a strip.
void SetG3Fields(TIFF* tif, int width, int rows, int rowsPerStrip, uint32_t group3Options);

}  // namespace telvane::test
