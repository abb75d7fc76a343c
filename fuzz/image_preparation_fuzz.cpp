// Fuzz target for the image preparation: any bytes, told apart by their
// first bytes (PNG, GIF, netpbm, WebP, TIFF, PCX, JPEG, BMP), made into one
// 8-bit BMP file per image. Every file listed must be an 8-bit BMP that
// loads again, also after a failure on a later page; a failure must carry an
// error code, and a file the preparation would not take must fail.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "faxdoc/bmp_file.h"
#include "faxdoc/image_preparation.h"
#include "fuzz/support/fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace telvane;
  const std::string in = fuzz::WriteScratchFile("in.img", data, size);
  const std::string out = fuzz::ScratchPath("in.Bmp");
  std::vector<std::string> made;
  const int rc = PrepareBmp8Pages(in, out, made);
  if (rc > 0) std::abort();
  if (rc == 0 && made.empty()) std::abort();
  if (rc != 0 && !made.empty() && made.front() != out) std::abort();
  for (const std::string& name : made) {
    BmpInfo info;
    Bitmap b;
    if (ReadBmpInfo(name, info) != 0 || info.BitsPerPixel != 8 || LoadBmpFile(name, b) != 0) std::abort();
    std::remove(name.c_str());
  }
  if (rc != 0 && fuzz::ScratchFileExists("in.Bmp")) std::abort();
  return 0;
}
