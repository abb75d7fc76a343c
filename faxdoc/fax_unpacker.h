// The fax unpacker component: turns pages of an APF file into a monochrome
// bitmap, into PCX, DCX or TIFF image files, or into a PDF file.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "faxdoc/bitmap.h"
#include "faxdoc/converter_engine.h"
#include "faxdoc/fax_types.h"
#include "faxdoc/unpacker_state.h"

namespace telvane {

// Options, held as bits.
using UnpackerOptions = uint8_t;
inline constexpr UnpackerOptions uoYield = 1;  // let pending user-interface events run while decoding
inline constexpr UnpackerOptions uoAbort = 2;  // stop the running unpack

// Aspect correction of standard-resolution pages.
enum TAutoScaleMode { asNone, asDoubleHeight, asHalfWidth };

class TApdCustomFaxUnpacker;

using UnpackStatusEvent = std::function<void(TApdCustomFaxUnpacker& Sender, const std::string& FName,
                                              unsigned PageNum, uint64_t BytesUnpacked, uint64_t BytesToUnpack)>;

class TApdCustomFaxUnpacker {
 public:
  TApdCustomFaxUnpacker() = default;
  TApdCustomFaxUnpacker(const TApdCustomFaxUnpacker&) = delete;
  TApdCustomFaxUnpacker& operator=(const TApdCustomFaxUnpacker&) = delete;
  virtual ~TApdCustomFaxUnpacker() = default;

  bool WhitespaceCompression = false;
  unsigned WhitespaceFrom = 0;
  unsigned WhitespaceTo = 0;  // not above WhitespaceFrom (-1002 when an unpack starts)
  bool Scaling = false;
  TAutoScaleMode AutoScaleMode = asDoubleHeight;
  std::string OutFileName;
  UnpackStatusEvent OnStatus;
  // Runs pending user-interface events while decoding (uoYield). Returning
  // -1003 (a quit request) ends the unpack with that error.
  YieldHook Yield;

  UnpackerOptions Options() const { return options_; }
  // uoYield sets the yield flag, its absence clears it; uoAbort sets the
  // abort flag of a running unpack, and taking it out again does not clear it.
  // Safe to call from another thread while an unpack runs.
  void SetOptions(UnpackerOptions options);

  const std::string& InFileName() const { return inFileName_; }
  // A name that differs other than in letter case also sets OutFileName to
  // it without its extension.
  void SetInFileName(const std::string& name);

  // Scale factors used when Scaling is set; setting 0 is ignored.
  unsigned HorizMult() const { return scale_.HorizMult; }
  unsigned HorizDiv() const { return scale_.HorizDiv; }
  unsigned VertMult() const { return scale_.VertMult; }
  unsigned VertDiv() const { return scale_.VertDiv; }
  void SetHorizMult(unsigned v) { if (v) scale_.HorizMult = v; }
  void SetHorizDiv(unsigned v) { if (v) scale_.HorizDiv = v; }
  void SetVertMult(unsigned v) { if (v) scale_.VertMult = v; }
  void SetVertDiv(unsigned v) { if (v) scale_.VertDiv = v; }

  // PageCount of the file header; 0 when it cannot be read.
  unsigned PageCountOf();
  // From the first page's flags; errors raised.
  TFaxResolution ResolutionOf();
  TFaxWidth WidthOf();

  // Image operations. Pages are numbered from 1 (0 is taken as the first).
  // Errors are raised as EAPDException-derived exceptions with the code:
  // -2 no InFileName, -8001 not an APF file / no such page / page data cut
  // short / no line could be decoded, -1002 WhitespaceTo above
  // WhitespaceFrom or an image no such file can hold, -1003 quit while
  // yielding, -8005 an image too large for a bitmap, -8 out of memory,
  // negated file errors. An abort ends the run without an error: the lines
  // decoded so far form the image, and a run aborted before its first line
  // returns a null bitmap or writes no file.
  Bitmap PageToBitmap(unsigned page);
  Bitmap FileToBitmap();
  void PageToPcx(unsigned page);
  void FileToPcx();
  void PageToDcx(unsigned page);
  void FileToDcx();  // one PCX image per page; at most 1023 pages
  void PageToTiff(unsigned page);
  void FileToTiff();
  // One PDF page per fax page at its physical size (204 pixels to the inch
  // across, 98 or 196 lines down); aspect correction and scaling do not
  // apply, blank-line compression does. A page without a decodable line
  // fails with -8001; an abort keeps the pages done, none gives no file.
  void PageToPdf(unsigned page);
  void FileToPdf();

  // The image file an operation writes, from OutFileName and InFileName.
  std::string OutputNameFor(const char* defaultExtension) const;
  // Undecodable bit patterns skipped by the last unpack.
  uint64_t BadCodes() const { return badCodes_; }

 private:
  enum class Target { Pcx, Dcx, Tiff };
  void Prepare(UnpackerState& state, bool invert);
  Bitmap ToBitmap(bool wholeFile, unsigned page);
  void ToFile(Target target, bool wholeFile, unsigned page);
  void ToPdf(bool wholeFile, unsigned page);

  std::atomic<UnpackerOptions> options_{uoYield};
  std::string inFileName_;
  ScaleFactors scale_;
  std::atomic<UnpackerState*> running_{nullptr};
  uint64_t badCodes_ = 0;
};

class TApdFaxUnpacker : public TApdCustomFaxUnpacker {};

}  // namespace telvane
