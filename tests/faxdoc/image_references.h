// Independent readers of the images the unpacker writes: libtiff for TIFF,
// netpbm's pcxtoppm for PCX pixels, ImageMagick for the frames and sizes of
// PCX and DCX files, Qt's QImage for BMP. Each gives the pixels as rows with
// a set bit for black, first pixel in the most significant bit.
//
// ImageMagick is not used for 1-bit PCX pixels: it reads a set bit as black,
// against the usual PCX convention (set = white) that netpbm, the other
// common readers and this program's own PCX input follow.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace telvane::test {

struct MonoImage {
  int width = 0;
  int height = 0;
  std::vector<std::vector<uint8_t>> rows;  // (width + 7) / 8 bytes each
  std::string error;                       // set when the reader failed

  bool Black(int x, int y) const { return (rows[y][x >> 3] >> (7 - (x & 7))) & 1; }
};

// Reads a TIFF file with libtiff's scanline interface.
MonoImage ReadTiffWithLibtiff(const std::string& fileName);

// The netpbm pcxtoppm program, or empty when it is not installed.
std::string NetpbmPcxToPpm();

// Reads a PCX image (the whole file from `offset` on) with pcxtoppm.
MonoImage ReadPcxWithNetpbm(const std::string& fileName, uint64_t offset = 0);

// The ImageMagick identify program, or empty when it is not installed.
std::string ImageMagickIdentify();

// "WIDTHxHEIGHT" of every frame ImageMagick finds in the file, one per line.
std::string IdentifyFrames(const std::string& fileName);

// Reads a BMP file with QImage.
MonoImage ReadWithQt(const std::string& fileName);

}  // namespace telvane::test
