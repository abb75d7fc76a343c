// The background work of the main window on documents: converting a
// document into an APF fax file, and unpacking a received fax into an image
// file. Each runs on a work queue's thread with the window's one converter
// or unpacker; the user's own files are only read.
#pragma once

#include <ctime>
#include <string>

#include "faxdoc/fax_converter.h"
#include "faxdoc/fax_unpacker.h"

namespace telvane {

// Input type codes of a document: 0 BMP, 1 DCX, 2 PCX, 3 TIFF, 4 text.
inline constexpr int kDocBmp = 0, kDocDcx = 1, kDocPcx = 2, kDocTiff = 3, kDocText = 4;
// The code of a file by its lower-case extension: ".bmp", ".dcx", ".pcx",
// ".tif"; anything else (".tiff" and ".jpg" included) is text.
int DocumentTypeCode(const std::string& fileName);

// Image type codes of an unpack: 0 BMP, 1 DCX, 2 PCX, 3 TIFF.
inline constexpr int kImageBmp = 0, kImageDcx = 1, kImagePcx = 2, kImageTiff = 3;

// "2002-03-02 09：05：07": a moment as file names of the out-box and the
// receive folder carry it (with full-width colons, which file systems take).
std::string DateTimeName(const std::tm& local);
// The file name without its folders and without everything from its first ".".
std::string DocumentBaseName(const std::string& fileName);

struct DocumentConversion {
  std::string source;
  int typeCode = kDocText;
  bool windowsFont = false;  // text through a system font rather than the fax font
  FaxFontSpec font;          // that system font
  std::string target;        // the APF file to write (its folder is made)
};
// Converts with `converter` (used by this call only). A JPEG file (by its
// name) and a two-colour BMP are converted from an 8-bit BMP copy made beside
// the target and removed after.
// 0, or the negative error code.
int ConvertDocumentFile(TApdFaxConverter& converter, const DocumentConversion& job);

// Unpacks the fax `source` into the image file `target` of `imageCode`
// (all pages; BMP stacks them into one picture). 0 or the error code.
int UnpackFaxFile(TApdFaxUnpacker& unpacker, const std::string& source, const std::string& target, int imageCode);

}  // namespace telvane
