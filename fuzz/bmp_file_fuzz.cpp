// Fuzz target for the BMP reader: any bytes as a BMP file held in memory and
// as a file converted to an APF file. A loaded bitmap must hold exactly its
// rows; a small one is also saved as an 8-bit BMP and must load again with
// the same size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "faxdoc/bmp_file.h"
#include "base/exceptions.h"
#include "faxdoc/fax_converter.h"
#include "fuzz/support/fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace telvane;
  Bitmap b;
  const int rc = DecodeBmp(data, size, b);
  if (rc > 0) std::abort();
  if (rc != 0) return 0;
  if (b.IsNull() || b.Bits().size() != b.BytesPerRow() * static_cast<size_t>(b.Height())) std::abort();
  if (static_cast<uint64_t>(b.Width()) * static_cast<uint64_t>(b.Height()) > (1u << 20)) return 0;

  const std::string in = fuzz::WriteScratchFile("in.bmp", data, size);
  TApdFaxConverter cvt;
  cvt.InputDocumentType = idBmp;
  cvt.SetOptions(0);
  cvt.SetDocumentFile(in);
  cvt.OutFileName = fuzz::ScratchPath("out.apf");
  try {
    cvt.ConvertDocument();
  } catch (const EAPDException&) {
    std::abort();  // the same bytes loaded a moment ago
  }

  const std::string out = fuzz::ScratchPath("out8.bmp");
  if (SaveBmp8File(out, b) != 0) std::abort();
  Bitmap again;
  if (LoadBmpFile(out, again) != 0 || again.Width() != b.Width() || again.Height() != b.Height()) std::abort();
  return 0;
}
