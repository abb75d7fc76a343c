// The fax unpacker component: settings, the image operations and their
// output names and errors.
#include "faxdoc/fax_unpacker.h"

#include <mutex>
#include <strings.h>

#include "faxdoc/apf_file.h"
#include "base/exceptions.h"
#include "faxdoc/fax_converter.h"
#include "faxdoc/output_file.h"
#include "faxdoc/pcx_format.h"
#include "faxdoc/pcx_writer.h"
#include "faxdoc/pdf_unpack_output.h"
#include "faxdoc/pdf_writer.h"
#include "faxdoc/tiff_writer.h"

namespace telvane {
namespace {

// Guards the pointer to the running state against an abort from another thread.
std::mutex runningLock;

// Raises `code`; -1002 from an image writer gets a message saying why.
[[noreturn]] void FailWriting(int code, const char* what) {
  if (code == ecBadArgument) throw EGeneral(code, std::string(ErrorText(code)) + ": " + what);
  RaiseError(code);
  throw EAPDException(code);  // not reached: RaiseError throws for every non-zero code
}

// Registers the state as the running one for SetOptions, for one run.
class RunningScope {
 public:
  RunningScope(std::atomic<UnpackerState*>& slot, UnpackerState& state) : slot_(slot) {
    std::lock_guard lock(runningLock);
    slot_.store(&state);
  }
  ~RunningScope() {
    std::lock_guard lock(runningLock);
    slot_.store(nullptr);
  }

 private:
  std::atomic<UnpackerState*>& slot_;
};

}  // namespace

void TApdCustomFaxUnpacker::SetOptions(UnpackerOptions options) {
  options_ = options;
  std::lock_guard lock(runningLock);
  if (UnpackerState* s = running_.load()) {
    if (options & uoYield)
      s->Flags |= UnpackerState::kYield;
    else
      s->Flags &= ~UnpackerState::kYield;
    if (options & uoAbort) s->Flags |= UnpackerState::kAbort;
  }
}

void TApdCustomFaxUnpacker::SetInFileName(const std::string& name) {
  const bool same = name.size() == inFileName_.size() && ::strcasecmp(name.c_str(), inFileName_.c_str()) == 0;
  inFileName_ = name;
  if (!same) OutFileName = ChangeExtension(name, "");
}

std::string TApdCustomFaxUnpacker::OutputNameFor(const char* defaultExtension) const {
  const std::string extension = std::string(".") + defaultExtension;
  if (!OutFileName.empty()) return HasExtension(OutFileName) ? OutFileName : OutFileName + extension;
  return ChangeExtension(inFileName_, extension);
}

unsigned TApdCustomFaxUnpacker::PageCountOf() {
  ApfFileHeader header;
  return GetFaxHeader(inFileName_, header) == ecOK ? header.PageCount : 0;
}

TFaxResolution TApdCustomFaxUnpacker::ResolutionOf() {
  ApfPageHeader page;
  RaiseError(GetPageHeader(inFileName_, 1, page));
  return (page.PageFlags & pfHighRes) ? frHigh : frNormal;
}

TFaxWidth TApdCustomFaxUnpacker::WidthOf() {
  ApfPageHeader page;
  RaiseError(GetPageHeader(inFileName_, 1, page));
  return (page.PageFlags & pfWide) ? fwWide : fwNormal;
}

void TApdCustomFaxUnpacker::Prepare(UnpackerState& state, bool invert) {
  unsigned flags = 0;
  if (options_ & uoYield) flags |= UnpackerState::kYield;
  if (options_ & uoAbort) flags |= UnpackerState::kAbort;
  if (AutoScaleMode == asDoubleHeight) flags |= UnpackerState::kDoubleHeight;
  if (AutoScaleMode == asHalfWidth) flags |= UnpackerState::kHalfWidth;
  state.Flags = flags;
  if (WhitespaceCompression) {
    if (WhitespaceTo > WhitespaceFrom) RaiseError(ecBadArgument);
    state.WhitespaceFrom = WhitespaceFrom;
    state.WhitespaceTo = WhitespaceTo;
  }
  if (Scaling) state.Scale = scale_;
  state.FileName = inFileName_;
  state.Invert = invert;
  state.Yield = Yield;
  if (OnStatus) {
    state.Status = [this](unsigned page, uint64_t done, uint64_t total) { OnStatus(*this, inFileName_, page, done, total); };
  }
}

Bitmap TApdCustomFaxUnpacker::ToBitmap(bool wholeFile, unsigned page) {
  UnpackerState state;
  Prepare(state, true);
  MemoryImageOutput output(true);
  state.Output = &output;
  int rc;
  {
    RunningScope scope(running_, state);
    rc = wholeFile ? UnpackFileRun(state) : UnpackPageRun(state, page);
  }
  badCodes_ = state.BadCodes;
  RaiseError(rc);
  const MemoryImage& image = output.Image();
  if (image.Empty()) {
    if (state.Aborted()) return Bitmap();
    RaiseError(ecFaxBadFormat);  // no line of the page could be decoded
  }
  return MakeBitmap(image, state.Scale);
}

void TApdCustomFaxUnpacker::ToFile(Target target, bool wholeFile, unsigned page) {
  UnpackerState state;
  Prepare(state, false);
  const std::string name = OutputNameFor(target == Target::Pcx ? "PCX" : target == Target::Dcx ? "DCX" : "TIF");
  MemoryImageOutput output(false);
  state.Output = &output;
  RunningScope scope(running_, state);
  OutputFile file;

  // Lines of the finished memory image, stretched when scaling applies.
  RasterBuffer stretched;
  const auto lines = [&]() -> const LineSource& {
    if (state.Scale.Identity()) return output.Image();
    stretched = StretchLines(output.Image(), state.Scale);
    return stretched;
  };

  if (target == Target::Dcx) {
    DcxWriter dcx(file);
    if (wholeFile) {
      ApfFileHeader header;
      RaiseError(GetFaxHeader(inFileName_, header));
      if (header.PageCount > kDcxMaxPages)
        throw EGeneral(ecBadArgument, "A DCX file holds at most 1023 pages; " + inFileName_ + " has " +
                                          std::to_string(header.PageCount));
    }
    RaiseError(file.Create(name));
    RaiseError(dcx.Begin());
    const auto addPage = [&]() -> int {
      if (output.Image().Empty()) return state.Aborted() ? ecOK : ecFaxBadFormat;
      try {
        return dcx.AddPage(lines());
      } catch (const EAPDException& e) {
        return e.ErrorCode();
      }
    };
    int rc = wholeFile ? UnpackEachPage(state, addPage) : UnpackPageRun(state, page);
    if (rc == ecOK && !wholeFile) rc = addPage();
    badCodes_ = state.BadCodes;
    if (rc != ecOK) FailWriting(rc, "DCX pages are at most 65536 lines of 65536 pixels");
    if (dcx.Pages() == 0) return;  // aborted before a line: no file
    RaiseError(dcx.Finish());
    RaiseError(file.Commit());
    return;
  }

  const int rc = wholeFile ? UnpackFileRun(state) : UnpackPageRun(state, page);
  badCodes_ = state.BadCodes;
  RaiseError(rc);
  if (output.Image().Empty()) {
    if (state.Aborted()) return;
    RaiseError(ecFaxBadFormat);
  }
  const LineSource& source = lines();
  RaiseError(file.Create(name));
  if (target == Target::Pcx) {
    if (const int w = WritePcxImage(file, source); w != ecOK)
      FailWriting(w, "a PCX image holds at most 65536 lines of 65536 pixels");
  } else {
    if (const int w = WriteTiffImage(file, source); w != ecOK) FailWriting(w, "the TIFF image would pass 4 GB");
  }
  RaiseError(file.Commit());
}

void TApdCustomFaxUnpacker::ToPdf(bool wholeFile, unsigned page) {
  UnpackerState state;
  Prepare(state, false);
  // A PDF page carries its own size: the lines go in as they are.
  state.Flags &= ~(UnpackerState::kDoubleHeight | UnpackerState::kHalfWidth);
  const std::string name = OutputNameFor("PDF");
  PdfUnpackOutput output(state);
  state.Output = &output;
  RunningScope scope(running_, state);
  OutputFile file;
  PdfWriter pdf(file);
  RaiseError(file.Create(name));
  RaiseError(pdf.Begin());
  const auto addPage = [&]() -> int {
    if (output.Page().Rows() == 0) return state.Aborted() ? ecOK : ecFaxBadFormat;
    return pdf.AddFaxPage(output.Page(), output.LinesPerInch());
  };
  int rc = wholeFile ? UnpackEachPage(state, addPage) : UnpackPageRun(state, page);
  if (rc == ecOK && !wholeFile) rc = addPage();
  badCodes_ = state.BadCodes;
  RaiseError(rc);
  if (pdf.Pages() == 0) return;  // aborted before a line: no file
  RaiseError(pdf.Finish());
  RaiseError(file.Commit());
}

Bitmap TApdCustomFaxUnpacker::PageToBitmap(unsigned page) { return ToBitmap(false, page); }
Bitmap TApdCustomFaxUnpacker::FileToBitmap() { return ToBitmap(true, 0); }
void TApdCustomFaxUnpacker::PageToPcx(unsigned page) { ToFile(Target::Pcx, false, page); }
void TApdCustomFaxUnpacker::FileToPcx() { ToFile(Target::Pcx, true, 0); }
void TApdCustomFaxUnpacker::PageToDcx(unsigned page) { ToFile(Target::Dcx, false, page); }
void TApdCustomFaxUnpacker::FileToDcx() { ToFile(Target::Dcx, true, 0); }
void TApdCustomFaxUnpacker::PageToTiff(unsigned page) { ToFile(Target::Tiff, false, page); }
void TApdCustomFaxUnpacker::FileToTiff() { ToFile(Target::Tiff, true, 0); }
void TApdCustomFaxUnpacker::PageToPdf(unsigned page) { ToPdf(false, page); }
void TApdCustomFaxUnpacker::FileToPdf() { ToPdf(true, 0); }

}  // namespace telvane
