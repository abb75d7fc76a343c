// In-memory TIFF files with CCITT Group 3 1-D strips, through libtiff.
#include "tests/support/tiff_g3.h"

#include "tests/support/tiff_errors.h"
#include "tests/support/tiff_memory/tiff_memory.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>

namespace telvane::test {
namespace {

TIFF* Open(TiffMemoryFile& file, const char* mode) {
  CatchTiffErrors();
  return OpenTiffInMemory(file, mode);
}

}  // namespace

std::vector<std::vector<uint8_t>> TiffDecodeG3(const std::vector<uint8_t>& strip, int width, int rows,
                                               std::string* error, uint32_t group3Options) {
  TiffMemoryFile file;
  TIFF* tif = Open(file, "w");
  if (!tif) {
    SetTiffError(error, "cannot create TIFF");
    return {};
  }
  SetG3Fields(tif, width, rows, rows, group3Options);
  const auto size = static_cast<tmsize_t>(strip.size());
  const bool written = TIFFWriteRawStrip(tif, 0, const_cast<uint8_t*>(strip.data()), size) == size;
  TIFFClose(tif);
  if (!written) {
    SetTiffError(error, "TIFFWriteRawStrip failed");
    return {};
  }

  file.pos = 0;
  tif = Open(file, "r");
  if (!tif) {
    SetTiffError(error, "cannot read TIFF back");
    return {};
  }
  std::vector<std::vector<uint8_t>> out;
  for (int row = 0; row < rows; ++row) {
    std::vector<uint8_t> line(static_cast<size_t>(TIFFScanlineSize(tif)));
    if (TIFFReadScanline(tif, line.data(), static_cast<uint32_t>(row), 0) < 0) {
      TIFFClose(tif);
      SetTiffError(error, "TIFFReadScanline failed at row " + std::to_string(row));
      return {};
    }
    out.push_back(std::move(line));
  }
  TIFFClose(tif);
  return out;
}

namespace {

std::vector<uint8_t> Encode(const std::vector<std::vector<uint8_t>>& rows, int width, uint32_t options,
                            float yResolution, std::string* error) {
  TiffMemoryFile file;
  TIFF* tif = Open(file, "w");
  if (!tif) {
    SetTiffError(error, "cannot create TIFF");
    return {};
  }
  SetG3Fields(tif, width, static_cast<int>(rows.size()), static_cast<int>(rows.size()), options);
  if (yResolution > 0) {
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, 204.0f);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, yResolution);
  }
  for (size_t row = 0; row < rows.size(); ++row) {
    std::vector<uint8_t> line = rows[row];  // libtiff may change its input
    if (TIFFWriteScanline(tif, line.data(), static_cast<uint32_t>(row), 0) < 0) {
      TIFFClose(tif);
      SetTiffError(error, "TIFFWriteScanline failed");
      return {};
    }
  }
  TIFFClose(tif);

  file.pos = 0;
  tif = Open(file, "r");
  if (!tif) {
    SetTiffError(error, "cannot read TIFF back");
    return {};
  }
  uint64_t* sizes = nullptr;
  TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &sizes);
  std::vector<uint8_t> strip(sizes ? static_cast<size_t>(sizes[0]) : 0);
  const tmsize_t n = TIFFReadRawStrip(tif, 0, strip.data(), static_cast<tmsize_t>(strip.size()));
  TIFFClose(tif);
  if (n < 0) {
    SetTiffError(error, "TIFFReadRawStrip failed");
    return {};
  }
  strip.resize(static_cast<size_t>(n));
  return strip;
}

}  // namespace

std::vector<uint8_t> TiffEncodeG3(const std::vector<std::vector<uint8_t>>& rows, int width, std::string* error) {
  return Encode(rows, width, GROUP3OPT_FILLBITS, 0, error);
}

std::vector<uint8_t> TiffEncodeG3TwoDim(const std::vector<std::vector<uint8_t>>& rows, int width, int k,
                                        std::string* error) {
  return Encode(rows, width, GROUP3OPT_FILLBITS | GROUP3OPT_2DENCODING, k > 2 ? 196.0f : 98.0f, error);
}

}  // namespace telvane::test
