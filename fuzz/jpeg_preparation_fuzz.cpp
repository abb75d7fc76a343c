// Fuzz target for the JPEG preparation: any bytes as a .jpg file made into an
// 8-bit BMP file. A success must leave a BMP of 8 bits that loads again; a
// failure must carry an error code and leave no BMP behind.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "faxdoc/bmp_file.h"
#include "fuzz/support/fuzz_files.h"
#include "faxdoc/image_preparation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace telvane;
  const std::string in = fuzz::WriteScratchFile("in.jpg", data, size);
  const std::string out = PreparedBmpName(in);
  const int rc = PrepareBmp8(in, out);
  if (rc > 0) std::abort();
  if (rc != 0) {
    if (fuzz::ScratchFileExists("in.Bmp")) std::abort();
    return 0;
  }
  BmpInfo info;
  Bitmap b;
  if (ReadBmpInfo(out, info) != 0 || info.BitsPerPixel != 8 || LoadBmpFile(out, b) != 0) std::abort();
  return 0;
}
