// Preparation of images before conversion: a JPEG, PNG, GIF, netpbm or
// WebP image, a TIFF of grey levels or colour, a PCX of more than 2 colours
// or a BMP of 2 colours is turned into 8-bit BMP files (one per image), which
// the converter then reads as BMPs. Shared by the conversion windows and the
// command-line tool.
#pragma once

#include <string>
#include <vector>

#include "faxdoc/pdf_page_renderer.h"

namespace telvane {

// True for a file named .jpg, .jpeg, .png, .gif, .webp, .pbm, .pgm, .ppm,
// .pnm or .pdf (any letter case), and for a file
// whose first bytes show, whatever its name, a PDF document, a JPEG, PNG,
// GIF, netpbm or WebP image, a BMP of 1 bit per pixel, a PCX of more than 1 bit per pixel or a
// TIFF with any page of more than 1 bit per pixel. Two-colour TIFF and PCX
// files go to the converter as they are; a file whose headers cannot be read
// is left to the converter, which reports what is wrong with it.
bool NeedsBmp8Preparation(const std::string& fileName);

// True for a file whose BMP headers say 1 bit per pixel, whatever its name;
// false when they cannot be read.
bool IsTwoColourBmp(const std::string& fileName);

// `fileName` with its extension replaced by ".Bmp" (only the last part of
// the path is touched, so dots in folder names stay).
std::string PreparedBmpName(const std::string& fileName);

// Reads `source` (any image kind NeedsBmp8Preparation names, told apart by
// their first bytes) and saves its first image (first PDF page) as an 8-bit BMP `target`: a
// 2-colour image keeps black and white, other images become 256 grey levels.
// `target` may name `source`; it is replaced only once the new file is
// complete. Returns 0, -8002 for a source that is no readable image of those
// kinds (empty, cut short, too large), -8, or a negated file error.
int PrepareBmp8(const std::string& source, const std::string& target);

// As PrepareBmp8, but every image of the source (the pages of a TIFF or of
// a PDF document) is saved: the first as `target`, page n (from 2) as
// PreparedPageName(target, n). `made` receives the names written, in page
// order, also when a later page fails, so that the caller can remove them.
// PDF pages are rendered for `geometry` (see RenderPdfPages).
int PrepareBmp8Pages(const std::string& source, const std::string& target, std::vector<std::string>& made,
                     const FaxPageGeometry& geometry = {});

// "folder/name.Bmp" -> "folder/name-<page>.Bmp".
std::string PreparedPageName(const std::string& target, unsigned page);

}  // namespace telvane
