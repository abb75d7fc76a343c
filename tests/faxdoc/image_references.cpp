#include "tests/faxdoc/image_references.h"

#include <tiffio.h>
#include <unistd.h>

#include <QImage>
#include <cctype>
#include <cstdio>
#include <filesystem>

namespace telvane::test {

MonoImage ReadTiffWithLibtiff(const std::string& fileName) {
  MonoImage image;
  TIFFSetWarningHandler(nullptr);
  TIFF* tif = TIFFOpen(fileName.c_str(), "r");
  if (!tif) {
    image.error = "libtiff cannot open " + fileName;
    return image;
  }
  uint32_t width = 0, height = 0;
  uint16_t bits = 0, photometric = 0;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
  if (bits != 1) image.error = "not 1 bit per sample";
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  std::vector<uint8_t> row(static_cast<size_t>(TIFFScanlineSize(tif)));
  for (uint32_t y = 0; y < height && image.error.empty(); ++y) {
    if (TIFFReadScanline(tif, row.data(), y) < 0) {
      image.error = "libtiff cannot read row " + std::to_string(y);
      break;
    }
    std::vector<uint8_t> out(row.begin(), row.begin() + (width + 7) / 8);
    if (photometric == PHOTOMETRIC_MINISBLACK)
      for (auto& b : out) b = static_cast<uint8_t>(~b);
    if (width % 8) out.back() &= static_cast<uint8_t>(0xFF00 >> (width % 8));
    image.rows.push_back(std::move(out));
  }
  TIFFClose(tif);
  return image;
}

namespace {

std::string Installed(std::initializer_list<const char*> paths) {
  for (const char* path : paths)
    if (::access(path, X_OK) == 0) return path;
  return {};
}

std::vector<uint8_t> RunAndRead(const std::string& command, int& status) {
  std::vector<uint8_t> data;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) {
    status = -1;
    return data;
  }
  uint8_t buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) data.insert(data.end(), buffer, buffer + n);
  status = ::pclose(pipe);
  return data;
}

}  // namespace

std::string NetpbmPcxToPpm() { return Installed({"/usr/bin/pcxtoppm"}); }

// The distribution's programs themselves, not wrappers of the same name.
std::string ImageMagickIdentify() { return Installed({"/usr/bin/identify-im6.q16", "/usr/bin/identify"}); }

MonoImage ReadPcxWithNetpbm(const std::string& fileName, uint64_t offset) {
  MonoImage image;
  int status = 0;
  const std::vector<uint8_t> data = RunAndRead(
      "tail -c +" + std::to_string(offset + 1) + " '" + fileName + "' | " + NetpbmPcxToPpm() + " 2>/dev/null", status);
  // P6 header: "P6", width, height, maximum, each after white space, then one white space.
  size_t pos = 2;
  const auto number = [&]() -> int {
    while (pos < data.size() && std::isspace(data[pos])) ++pos;
    int v = 0;
    while (pos < data.size() && std::isdigit(data[pos])) v = v * 10 + (data[pos++] - '0');
    return v;
  };
  if (status != 0 || data.size() < 2 || data[0] != 'P' || data[1] != '6') {
    image.error = "pcxtoppm could not read " + fileName;
    return image;
  }
  image.width = number();
  image.height = number();
  if (number() != 255) {
    image.error = "unexpected PPM maximum";
    return image;
  }
  ++pos;
  const size_t stride = static_cast<size_t>(image.width) * 3;
  if (data.size() < pos + stride * image.height) {
    image.error = "short PPM from pcxtoppm";
    return image;
  }
  for (int y = 0; y < image.height; ++y) {
    std::vector<uint8_t> row((image.width + 7) / 8);
    const uint8_t* p = data.data() + pos + y * stride;
    for (int x = 0; x < image.width; ++x)
      if (p[3 * x] + p[3 * x + 1] + p[3 * x + 2] < 384) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    image.rows.push_back(std::move(row));
  }
  return image;
}

std::string IdentifyFrames(const std::string& fileName) {
  int status = 0;
  const std::vector<uint8_t> out =
      RunAndRead(ImageMagickIdentify() + " -format '%wx%h\\n' '" + fileName + "' 2>/dev/null", status);
  if (status != 0) return "identify failed";
  return std::string(out.begin(), out.end());
}

MonoImage ReadWithQt(const std::string& fileName) {
  MonoImage image;
  QImage q;
  if (!q.load(QString::fromStdString(fileName))) {
    image.error = "QImage cannot load " + fileName;
    return image;
  }
  image.width = q.width();
  image.height = q.height();
  for (int y = 0; y < q.height(); ++y) {
    std::vector<uint8_t> row((q.width() + 7) / 8);
    for (int x = 0; x < q.width(); ++x)
      if (qGray(q.pixel(x, y)) < 128) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    image.rows.push_back(std::move(row));
  }
  return image;
}

}  // namespace telvane::test
