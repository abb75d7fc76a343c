// Fuzz target for the APF page reader and the unpacker: any bytes as an APF
// file, unpacked to a bitmap and to PCX, DCX and TIFF files. The last byte of
// the file header (reserved, never read as data) picks the unpacker settings,
// so that the fuzzer reaches every aspect mode, blank-line compression and
// scaling without changing how the file parses.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "base/exceptions.h"
#include "faxdoc/fax_unpacker.h"
#include "fuzz/support/fuzz_files.h"

namespace {

using telvane::EAPDException;
using telvane::TApdFaxUnpacker;

void Configure(TApdFaxUnpacker& u, uint8_t s) {
  u.SetOptions(0);
  u.AutoScaleMode = static_cast<telvane::TAutoScaleMode>(s % 3);
  if (s & 0x04) {
    u.WhitespaceCompression = true;
    u.WhitespaceFrom = 1 + (s >> 4);
    u.WhitespaceTo = (s & 0x08) ? 1 : u.WhitespaceFrom;
  }
  if (s & 0x80) {
    u.Scaling = true;
    u.SetHorizMult(1 + ((s >> 3) & 1));
    u.SetHorizDiv(1 + ((s >> 4) & 3));
    u.SetVertMult(1 + ((s >> 5) & 1));
    u.SetVertDiv(1 + ((s >> 3) & 3));
  }
}

template <typename F>
void Try(F&& f) {
  try {
    f();
  } catch (const EAPDException& e) {
    // Every failure carries an error code.
    if (e.ErrorCode() >= 0) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using telvane::fuzz::ScratchPath;
  const std::string in = telvane::fuzz::WriteScratchFile("in.apf", data, size);
  TApdFaxUnpacker u;
  Configure(u, size >= 64 ? data[63] : 0);
  u.SetInFileName(in);

  Try([&] {
    const telvane::Bitmap b = u.FileToBitmap();
    // The image must cover whole words of pixels it claims to have.
    if (!b.IsNull() && b.Bits().size() != b.BytesPerRow() * static_cast<size_t>(b.Height())) std::abort();
  });
  Try([&] { u.PageToBitmap(2); });
  Try([&] {
    u.OutFileName = ScratchPath("out.tif");
    u.FileToTiff();
  });
  Try([&] {
    u.OutFileName = ScratchPath("out.pcx");
    u.PageToPcx(1);
  });
  Try([&] {
    u.OutFileName = ScratchPath("out.dcx");
    u.FileToDcx();
  });
  u.PageCountOf();
  Try([&] { u.ResolutionOf(); });
  return 0;
}
