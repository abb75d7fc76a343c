// Fuzz target for the converter's PCX input: any bytes as a PCX file,
// converted to an APF file with placement options taken from the last byte.
#include "fuzz/support/image_conversion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  telvane::fuzz::FuzzImageConversion(telvane::idPcx, "in.pcx", data, size);
  return 0;
}
