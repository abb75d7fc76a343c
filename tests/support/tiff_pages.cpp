// Fax TIFF files page by page, through libtiff's own T.4 codec.
#include "tests/support/tiff_pages.h"

#include <tiffio.h>

#include "tests/support/tiff_errors.h"

namespace telvane::test {

bool WriteTiffPages(const std::string& path, const std::vector<TiffPage>& pages, std::string* error) {
  CatchTiffErrors();
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  if (!tif) {
    SetTiffError(error, "cannot create " + path);
    return false;
  }
  const auto count = static_cast<uint16_t>(pages.size());
  for (uint16_t p = 0; p < count; ++p) {
    const TiffPage& page = pages[p];
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(page.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(page.rows.size()));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX3);
    TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, 0u);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_LSB2MSB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(page.rows.size()));
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, 204.0f);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, page.fine ? 196.0f : 98.0f);
    TIFFSetField(tif, TIFFTAG_PAGENUMBER, p, count);
    for (uint32_t r = 0; r < page.rows.size(); ++r) {
      std::vector<uint8_t> row = page.rows[r];
      row.resize((page.width + 7) / 8);
      if (TIFFWriteScanline(tif, row.data(), r, 0) < 0) {
        SetTiffError(error, "cannot write a row");
        TIFFClose(tif);
        return false;
      }
    }
    if (!TIFFWriteDirectory(tif)) {
      SetTiffError(error, "cannot write a page");
      TIFFClose(tif);
      return false;
    }
  }
  TIFFClose(tif);
  return true;
}

std::vector<TiffPage> ReadTiffPages(const std::string& path, std::string* error) {
  CatchTiffErrors();
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  if (!tif) {
    SetTiffError(error, "cannot open " + path);
    return {};
  }
  std::vector<TiffPage> pages;
  do {
    uint32_t width = 0, length = 0;
    float yres = 0;
    uint16_t unit = RESUNIT_INCH, photometric = PHOTOMETRIC_MINISWHITE;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &length);
    TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yres);
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    if (unit == RESUNIT_CENTIMETER) yres *= 2.54f;
    TiffPage page;
    page.width = static_cast<int>(width);
    page.fine = yres > 150;
    const tmsize_t lineBytes = TIFFScanlineSize(tif);
    for (uint32_t r = 0; r < length; ++r) {
      std::vector<uint8_t> row(static_cast<std::size_t>(lineBytes));
      if (TIFFReadScanline(tif, row.data(), r, 0) < 0) {
        SetTiffError(error, "cannot read row " + std::to_string(r));
        TIFFClose(tif);
        return {};
      }
      if (photometric == PHOTOMETRIC_MINISBLACK)
        for (auto& b : row) b = static_cast<uint8_t>(~b);
      page.rows.push_back(std::move(row));
    }
    pages.push_back(std::move(page));
  } while (TIFFReadDirectory(tif));
  TIFFClose(tif);
  return pages;
}

}  // namespace telvane::test
