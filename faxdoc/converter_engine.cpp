// The page loop shared by all converter inputs, and the coding of raster lines.
#include "faxdoc/converter_engine.h"

#include <algorithm>
#include <cstring>

#include "base/error_codes.h"

namespace telvane {
namespace {

inline bool PixelAt(const uint8_t* raster, int pixel) { return (raster[pixel >> 3] >> (7 - (pixel & 7))) & 1; }

}  // namespace

size_t FaxConverterState::CompressLine(const uint8_t* raster) {
  coder_.Start();  // also clears what the previous line used

  const int width = LineWidth;
  const int margin = static_cast<int>(std::min<unsigned>(LeftMargin, static_cast<unsigned>(width)));
  const size_t rasterBytes = static_cast<size_t>(width) / 8;
  if (std::all_of(raster, raster + rasterBytes, [](uint8_t b) { return b == 0; })) {
    coder_.PutRun(width, false);
  } else {
    // Raster pixels that fit right of the margin. Runs of the raster are
    // doubled with double width; the margin never is. The last run always
    // fills the line, so that the runs put add up to the line width.
    const int pixels = width - margin;
    int total = 0;
    int pos = 0;
    bool black = PixelAt(raster, 0);
    int pending = margin;  // white pixels owed to the first white run
    if (black) {
      coder_.PutRun(margin, false);
      total = margin;
      pending = 0;
    }
    while (true) {
      const int end = pos + static_cast<int>(RunLength(raster, rasterBytes, static_cast<unsigned>(pos),
                                                       static_cast<unsigned>(pixels), black));
      const int run = (end - pos) * (DoubleWidth ? 2 : 1) + pending;
      pending = 0;
      if (end >= pixels || total + run >= width) {
        coder_.PutRun(width - total, black);
        break;
      }
      coder_.PutRun(run, black);
      total += run;
      pos = end;
      black = !black;
    }
  }
  return coder_.Finish();
}

namespace {

class Loop {
 public:
  Loop(FaxConverterState& s, FaxInput& in, LineOutput& out) : s_(s), in_(in), out_(out) {}

  bool ReportAborts(bool starting, bool ending) {
    if (!s_.Status) return false;
    ConverterStatus st;
    st.Starting = starting;
    st.Ending = ending;
    st.PagesConverted = s_.CurrentPage;
    st.LinesConverted = s_.CurrentLine;
    st.BytesConverted = s_.BytesRead;
    st.BytesToConvert = s_.BytesToRead;
    return s_.Status(st);
  }

  int GetLine(bool& endOfPage, bool& morePages) {
    ++s_.CurrentLine;
    size_t length = 0;
    int rc = in_.GetRasterLine(s_, s_.Raster.data(), length, endOfPage, morePages);
    if (rc != 0) return rc;
    return ReportAborts(false, false) ? ecConvertAbort : 0;
  }

  int Yield() { return s_.Yield ? s_.Yield() : 0; }

  void ClearRaster() { std::memset(s_.Raster.data(), 0, static_cast<size_t>(s_.LineWidth) / 8); }

  int Pages() {
    bool morePages = true;
    while (morePages) {
      ++s_.CurrentPage;
      s_.CurrentLine = 0;
      for (unsigned i = 0; i < s_.TopMargin; ++i)
        if (int rc = out_.OutputLine(kTopMarginLine, sizeof kTopMarginLine)) return rc;

      const bool yieldOften = (s_.Flags & coYield) && (s_.Flags & coYieldOften);
      bool endOfPage = false;
      ClearRaster();
      if (int rc = GetLine(endOfPage, morePages)) return rc;
      while (!endOfPage) {
        if (!(s_.HalfHeight && s_.CurrentLine % 2 == 0)) {
          size_t length = s_.CompressLine(s_.Raster.data());
          if (int rc = out_.OutputLine(s_.CodedLine.data(), length)) return rc;
        }
        ClearRaster();
        if (int rc = GetLine(endOfPage, morePages)) return rc;
        if (yieldOften && s_.CurrentLine % 16 == 0)
          if (int rc = Yield()) return rc;
      }
      if (int rc = out_.EndOfPage(morePages)) return rc;
      if (s_.Flags & coYield)
        if (int rc = Yield()) return rc;
    }
    return 0;
  }

 private:
  FaxConverterState& s_;
  FaxInput& in_;
  LineOutput& out_;
};

}  // namespace

int RunConversion(FaxConverterState& state, FaxInput& input, const std::string& inputName, LineOutput& output) {
  state.CurrentPage = 0;
  state.CurrentLine = 0;
  Loop loop(state, input, output);
  if (loop.ReportAborts(true, false)) return ecConvertAbort;
  if (int rc = input.Open(state, inputName)) return rc;
  int rc = loop.Pages();
  loop.ReportAborts(false, true);  // an abort asked for now changes nothing
  input.Close(state);
  return rc;
}

int ApfLineOutput::OutputLine(const uint8_t* coded, size_t length) {
  if (!writer_.PageOpen())
    if (int rc = writer_.BeginPage(highRes_, wide_)) return rc;
  return writer_.AddLine(coded, length);
}

int ApfLineOutput::EndOfPage(bool /*morePages*/) {
  if (!writer_.PageOpen())
    if (int rc = writer_.BeginPage(highRes_, wide_)) return rc;
  return writer_.EndPage();
}

}  // namespace telvane
