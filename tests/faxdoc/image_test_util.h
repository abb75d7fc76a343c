// Helpers of the image input tests: conversions, expected placement of image
// pixels on fax lines, and reference files made by independent tools.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tests/support/apf_pages.h"
#include "faxdoc/bitmap.h"
#include "faxdoc/fax_converter.h"
#include "tests/support/temp_dir.h"

namespace telvane::test {

using PixelFn = std::function<bool(int x, int y)>;  // true = black

// Where image pixels land on the page: image column x starts at fax pixel
// margin + 8 * centreBytes + x (each pixel twice as wide when doubled).
struct Placement {
  int margin = 50;
  int centreBytes = 0;
  bool doubled = false;
  int lineWidth = 1728;
};

// Checks that `page` holds exactly the image (rows `firstRow`, `firstRow` +
// `rowStep`, ...), and white elsewhere. Returns the number of wrong pixels;
// the first few are reported as test failures.
int CountWrongPixels(const RasterPage& page, int width, int height, const PixelFn& black, const Placement& p,
                     int rowStep = 1);

// Converts `input` with `cvt`'s settings and `type` into `output`; returns 0
// or the code of the exception raised.
int ConvertFile(TApdFaxConverter& cvt, FaxInputDocumentType type, const std::string& input,
                const std::string& output);
int ConvertBitmapTo(TApdFaxConverter& cvt, const Bitmap& bitmap, const std::string& output);

// A mono bitmap drawn from `black`.
Bitmap MonoBitmap(int width, int height, const PixelFn& black);

// Writes a binary PBM (P4) image, which ImageMagick and libtiff tools read.
void WritePbm(const std::string& fileName, int width, int height, const PixelFn& black);
// Writes a binary PPM (P6) image.
using ColorFn = std::function<RgbColor(int x, int y)>;
void WritePpm(const std::string& fileName, int width, int height, const ColorFn& color);

// Runs ImageMagick's convert with `arguments`; true when it succeeded.
bool MagickConvert(const std::string& arguments);
bool MagickAvailable();

// A test pattern with features on byte and word boundaries: a frame, a
// diagonal, and a checkerboard block.
bool Pattern(int x, int y, int width, int height);

// True when no file in `dir` has the extension .apf (any case).
bool NoApfIn(const TempDir& dir);

}  // namespace telvane::test
