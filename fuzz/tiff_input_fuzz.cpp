// Fuzz target for the converter's TIFF input: any bytes as a TIFF file,
// converted to an APF file with placement options taken from the last byte.
#include "fuzz/support/image_conversion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  telvane::fuzz::FuzzImageConversion(telvane::idTiff, "in.tif", data, size);
  return 0;
}
