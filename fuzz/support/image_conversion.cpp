#include "fuzz/support/image_conversion.h"

#include <cstdlib>

#include "base/exceptions.h"
#include "faxdoc/fax_converter.h"
#include "fuzz/support/fuzz_files.h"

namespace telvane::fuzz {

void FuzzImageConversion(FaxInputDocumentType type, const char* inName, const uint8_t* data, size_t size) {
  const std::string in = WriteScratchFile(inName, data, size);
  const uint8_t s = size ? data[size - 1] : 0;
  TApdFaxConverter cvt;
  cvt.InputDocumentType = type;
  cvt.SetOptions(static_cast<FaxCvtOptions>(s & (coDoubleWidth | coHalfHeight | coCenterImage)));
  cvt.Resolution = (s & 0x08) ? frHigh : frNormal;
  cvt.Width = (s & 0x10) ? fwWide : fwNormal;
  cvt.LeftMargin = (s & 0x20) ? 0 : 50;
  cvt.TopMargin = (s & 0x40) ? 2 : 0;
  cvt.SetDocumentFile(in);
  cvt.OutFileName = ScratchPath("out.apf");
  try {
    cvt.ConvertDocument();
  } catch (const EAPDException& e) {
    if (e.ErrorCode() >= 0 || ScratchFileExists("out.apf")) std::abort();
    return;
  }
  if (!ScratchFileExists("out.apf")) std::abort();
}

}  // namespace telvane::fuzz
