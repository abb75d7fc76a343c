// A growable byte buffer that libtiff reads and writes as a file, mapped so
// that strips are read in place. Shared by the tests and the benchmarks.
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

}  // namespace telvane::test
