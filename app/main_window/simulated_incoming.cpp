#include "app/main_window/simulated_incoming.h"

#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <vector>

#include "base/error_codes.h"
#include "base/exceptions.h"
#include "faxdoc/apf_format.h"
#include "faxdoc/apf_page_reader.h"
#include "faxdoc/fax_converter.h"

namespace telvane {
namespace {

constexpr int kTiffWidth = kNormalWidth;
constexpr std::size_t kTiffRowBytes = kTiffWidth / 8;

// The built-in fax font draws single bytes, so the sample is plain ASCII.
constexpr const char* kSampleText =
    "TELVANE - SIMULATED LINE\r\n"
    "\r\n"
    "This fax comes from the fax terminal of the simulated line,\r\n"
    "which calls the program while it waits for calls.\r\n"
    "\r\n"
    "Receiving works here as with a modem on a telephone line:\r\n"
    "the fax is answered, stored in the receive folder and listed.\r\n";

std::string LowerExtension(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return {};
  std::string ext = path.substr(dot);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext;
}

bool Readable(const std::string& path) { return ::access(path.c_str(), R_OK) == 0; }

void SetPageFields(TIFF* tif, bool fine, uint32_t rows, uint16_t page, uint16_t pages) {
  TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kTiffWidth);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, rows);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX3);
  TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, GROUP3OPT_FILLBITS);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_LSB2MSB);
  TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, 204.0f);
  TIFFSetField(tif, TIFFTAG_YRESOLUTION, fine ? 196.0f : 98.0f);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rows);
  TIFFSetField(tif, TIFFTAG_PAGENUMBER, page, pages);
}

}  // namespace

bool WriteApfAsFaxTiff(const std::string& apf, const std::string& tiff, std::string& error) {
  ApfPageReader reader;
  int rc = reader.Open(apf, 1);
  if (rc != 0) {
    error = apf + ": " + ErrorText(rc);
    return false;
  }
  const uint16_t pages = reader.FileHeader().PageCount;
  // A page is read whole before it is written: its length goes into the
  // directory, and a TIFF file must not end up with a torn page.
  std::vector<std::vector<uint8_t>> rows;
  std::vector<uint8_t> line;
  TIFF* out = TIFFOpen(tiff.c_str(), "w");
  if (!out) {
    error = "cannot write " + tiff;
    return false;
  }
  bool ok = true;
  for (uint16_t page = 0; page < pages && ok; ++page) {
    if (page > 0 && (rc = reader.OpenNextPage()) != 0) break;
    rows.clear();
    while ((rc = reader.ReadLine(line)) == 1) {
      std::vector<uint8_t> row(kTiffRowBytes, 0);
      std::copy_n(line.begin(), std::min(line.size(), kTiffRowBytes), row.begin());
      rows.push_back(std::move(row));
    }
    if (rc < 0) break;
    if (rows.empty()) rows.emplace_back(kTiffRowBytes, 0);  // a TIFF page has at least one row
    SetPageFields(out, (reader.PageHeader().PageFlags & pfHighRes) != 0, static_cast<uint32_t>(rows.size()),
                  page, pages);
    for (std::size_t y = 0; y < rows.size() && ok; ++y)
      ok = TIFFWriteScanline(out, rows[y].data(), static_cast<uint32_t>(y), 0) == 1;
    ok = ok && TIFFWriteDirectory(out) == 1;
  }
  TIFFClose(out);
  if (rc < 0) {
    error = apf + ": " + ErrorText(rc);
    return false;
  }
  if (!ok) {
    error = "cannot write " + tiff;
    return false;
  }
  return true;
}

IncomingFax PrepareIncomingFax(const std::string& chosen, const std::string& simDir) {
  IncomingFax fax;
  if (!chosen.empty()) {
    const std::string ext = LowerExtension(chosen);
    if (!Readable(chosen)) {
      fax.error = "cannot read " + chosen;
    } else if (ext == ".tif" || ext == ".tiff") {
      fax.tiff = chosen;
      return fax;
    } else if (ext == ".apf") {
      // Made afresh for every call: the user may change the file meanwhile.
      const std::string copy = simDir + "incoming.tif";
      if (WriteApfAsFaxTiff(chosen, copy, fax.error)) {
        fax.tiff = copy;
        return fax;
      }
    } else {
      fax.error = chosen + " is neither an APF nor a TIFF file";
    }
  }

  const std::string sample = simDir + "sample.tif";
  if (Readable(sample)) {
    fax.tiff = sample;
    return fax;
  }
  const std::string text = simDir + "sample.txt";
  std::ofstream(text, std::ios::binary) << kSampleText;
  TApdFaxConverter converter;
  converter.InputDocumentType = idText;
  converter.SetDocumentFile(text);
  converter.OutFileName = simDir + "sample.apf";
  std::string sampleError;
  try {
    converter.ConvertDocument();
    if (WriteApfAsFaxTiff(converter.OutFileName, sample, sampleError)) fax.tiff = sample;
  } catch (const EAPDException& e) {
    sampleError = text + ": " + ErrorText(e.ErrorCode());
  }
  if (fax.tiff.empty()) {
    ::unlink(sample.c_str());  // no torn sample for the next call to take
    fax.error += (fax.error.empty() ? "" : "; ") + sampleError;
  }
  return fax;
}

}  // namespace telvane
