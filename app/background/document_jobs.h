// The background work of the main window on documents: converting a
// document into an APF fax file, and unpacking a received fax into image
// files. Each runs on a work queue's thread with the window's one converter
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
// "2002-03-02": the date part of DateTimeName.
std::string DateName(const std::tm& local);
// The file name without its folders and without everything from its first ".".
std::string DocumentBaseName(const std::string& fileName);

struct DocumentConversion {
  std::string source;
  int typeCode = kDocText;
  bool windowsFont = false;  // text through a system font rather than the fax font
  FaxFontSpec font;          // that system font
  std::string target;        // the APF file to write (its folder is made)
};
// Converts with `converter` (used by this call only). Files the converter
// does not read itself (see NeedsBmp8Preparation: JPEG, PNG, GIF, netpbm,
// WebP, TIFF of grey or colour, PCX of more than 2 colours, two-colour BMP,
// PDF), known by their first bytes whatever `typeCode` says, are converted
// from 8-bit BMP copies made beside the target (one per image or PDF page)
// and removed after.
// 0, or the negative error code.
int ConvertDocumentFile(TApdFaxConverter& converter, const DocumentConversion& job);

// Unpacks the fax `source` into the image file `target` of `imageCode`
// (all pages; BMP stacks them into one picture). 0 or the error code.
int UnpackFaxFile(TApdFaxUnpacker& unpacker, const std::string& source, const std::string& target, int imageCode);

// The extension of page images: ".bmp", ".DCX", ".PCX", ".TIF".
const char* PageImageExtension(int imageCode);
// The name page images of an unpack into `outputName` start with: its folder
// + its file name up to the first "."; a name without a "." gives the date
// of `now` instead ("/faxes/in" -> "/faxes/2026-12-07").
std::string PageImageBase(const std::string& outputName, const std::tm& now);
// Writes each page of the unpacker's input into its own image file, base +
// page number + PageImageExtension ("page1.TIF", "page2.TIF", ...); the
// unpacker's OutFileName ends as the last file written. Raises the
// unpacker's errors (-8001 for a file without pages); files of earlier pages
// stay.
void UnpackEachPage(TApdFaxUnpacker& unpacker, const std::string& base, int imageCode);
// The main window's unpack of a received fax: `source` page by page into
// images named from `outputName` (PageImageBase), their folder made first.
// 0 or the error code.
int UnpackFaxPages(TApdFaxUnpacker& unpacker, const std::string& source, const std::string& outputName, int imageCode,
                   const std::tm& now);

}  // namespace telvane
