#include "faxdoc/prepared_conversion.h"
#include "tests/faxdoc/image_test_util.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "base/exceptions.h"

namespace telvane::test {

int CountWrongPixels(const RasterPage& page, int width, int height, const PixelFn& black, const Placement& p,
                     int rowStep) {
  const int rows = (height + rowStep - 1) / rowStep;
  EXPECT_EQ(static_cast<int>(page.size()), rows) << "coded lines";
  int wrong = 0;
  const int scale = p.doubled ? 2 : 1;
  const int start = p.margin + scale * 8 * p.centreBytes;
  for (int r = 0; r < std::min<int>(rows, static_cast<int>(page.size())); ++r) {
    const RasterLine& line = page[static_cast<size_t>(r)];
    const int y = r * rowStep;
    for (int fx = 0; fx < p.lineWidth; ++fx) {
      bool want = false;
      if (fx >= start && fx < start + scale * width) want = black((fx - start) / scale, y);
      if (Pixel(line, fx) != want && ++wrong <= 5)
        ADD_FAILURE() << "line " << r << " pixel " << fx << " is " << (want ? "white" : "black");
    }
  }
  return wrong;
}

int ConvertFile(TApdFaxConverter& cvt, FaxInputDocumentType type, const std::string& input,
                const std::string& output) {
  return ConvertDocumentAs(cvt, type, input, output);
}

int ConvertBitmapTo(TApdFaxConverter& cvt, const Bitmap& bitmap, const std::string& output) {
  cvt.OutFileName = output;
  try {
    cvt.ConvertBitmap(bitmap);
  } catch (const EAPDException& e) {
    return e.ErrorCode();
  }
  return 0;
}

Bitmap MonoBitmap(int width, int height, const PixelFn& black) {
  Bitmap b(Bitmap::Format::Mono, width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (black(x, y)) b.SetPixel(x, y, RgbColor{0, 0, 0});
  return b;
}

void WritePbm(const std::string& fileName, int width, int height, const PixelFn& black) {
  std::string data = "P4\n" + std::to_string(width) + " " + std::to_string(height) + "\n";
  const int rowBytes = (width + 7) / 8;
  for (int y = 0; y < height; ++y) {
    std::string row(static_cast<size_t>(rowBytes), '\0');
    for (int x = 0; x < width; ++x)
      if (black(x, y)) row[static_cast<size_t>(x >> 3)] = static_cast<char>(row[static_cast<size_t>(x >> 3)] | (0x80 >> (x & 7)));
    data += row;
  }
  WriteAll(fileName, data);
}

void WritePpm(const std::string& fileName, int width, int height, const ColorFn& color) {
  std::string data = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const RgbColor c = color(x, y);
      data += static_cast<char>(c.red);
      data += static_cast<char>(c.green);
      data += static_cast<char>(c.blue);
    }
  WriteAll(fileName, data);
}

bool MagickConvert(const std::string& arguments) {
  const std::string command = "convert " + arguments + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

bool MagickAvailable() {
  static const bool available = std::system("convert -version >/dev/null 2>&1") == 0;
  return available;
}

bool Pattern(int x, int y, int width, int height) {
  if (x == 0 || y == 0 || x == width - 1 || y == height - 1) return true;  // frame
  if (x == y) return true;                                                 // diagonal
  if (x >= 8 && x < 24 && y >= 3 && y < 11) return ((x + y) & 1) != 0;    // checkerboard across a byte edge
  return x >= width - 9 && x < width - 3 && y % 3 == 1;                    // stripes at the right edge
}

bool NoApfIn(const TempDir& dir) {
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    std::string name = entry.path().filename().string();
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name.find(".apf") != std::string::npos) return false;
  }
  return true;
}

}  // namespace telvane::test
