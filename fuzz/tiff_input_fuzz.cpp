// Fuzz target for the converter's TIFF input: any bytes as a TIFF file,
// converted to an APF file. The last byte also picks the placement options
// and the page geometry, so that every placement path is reached. A failed
// conversion must carry an error code and leave no APF file behind.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "exceptions.h"
#include "fax_converter.h"
#include "fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace telvane;
  const std::string in = fuzz::WriteScratchFile("in.tif", data, size);
  const uint8_t s = size ? data[size - 1] : 0;
  TApdFaxConverter cvt;
  cvt.InputDocumentType = idTiff;
  cvt.SetOptions(static_cast<TFaxCvtOptions>(s & (coDoubleWidth | coHalfHeight | coCenterImage)));
  cvt.Resolution = (s & 0x08) ? frHigh : frNormal;
  cvt.Width = (s & 0x10) ? fwWide : fwNormal;
  cvt.LeftMargin = (s & 0x20) ? 0 : 50;
  cvt.TopMargin = (s & 0x40) ? 2 : 0;
  cvt.SetDocumentFile(in);
  cvt.OutFileName = fuzz::ScratchPath("out.apf");
  try {
    cvt.ConvertDocument();
  } catch (const EAPDException& e) {
    if (e.ErrorCode() >= 0 || fuzz::ScratchFileExists("out.apf")) std::abort();
    return 0;
  }
  if (!fuzz::ScratchFileExists("out.apf")) std::abort();
  return 0;
}
