// The unpack runs: page loop, progress, abort and yield, blank-line
// compression and aspect correction on the way to the line output.
#include "faxdoc/unpacker_state.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "faxdoc/apf_io.h"
#include "base/error_codes.h"

namespace telvane {
namespace {

// Steps (lines or input reads) between two yields.
constexpr unsigned kYieldEvery = 16;

// Each byte's four pixel pairs folded into four pixels, in the low nibble.
constexpr std::array<uint8_t, 256> MakeHalfTable() {
  std::array<uint8_t, 256> t{};
  for (unsigned b = 0; b < 256; ++b) {
    unsigned v = 0;
    for (unsigned pair = 0; pair < 4; ++pair)
      if (b & (0xC0u >> (2 * pair))) v |= 0x8u >> pair;
    t[b] = static_cast<uint8_t>(v);
  }
  return t;
}
constexpr std::array<uint8_t, 256> kHalf = MakeHalfTable();

bool IsBlank(const uint8_t* p, size_t n) {
  uint64_t any = 0;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    any |= w;
  }
  for (; i < n; ++i) any |= p[i];
  return any == 0;
}

// One run's decoding between the page reader and the line output.
class Run {
 public:
  explicit Run(UnpackerState& s) : s_(s), work_(MhDecoder::kLineBytes) {}

  // Decodes the page the reader stands at; `base` is what earlier pages of
  // the run count as unpacked.
  int DecodePage(ApfPageReader& reader, uint64_t base) {
    s_.PageHeader = reader.PageHeader();
    s_.CurrentPage = reader.PageNumber();
    s_.BlankRun = 0;
    uint64_t reported = UINT64_MAX;
    int rc = ecOK;
    while (!s_.Aborted()) {
      rc = reader.ReadStep(line_);
      if (rc < 0) return rc;
      if (rc == 0) break;
      if (rc == 1 && (rc = TakeLine()) != ecOK) return rc;
      const uint64_t done = base + reader.BytesConsumed();
      if (done != reported) {
        reported = done;
        Report(done);
      }
      if ((s_.Flags.load(std::memory_order_relaxed) & UnpackerState::kYield) && ++steps_ % kYieldEvery == 0 &&
          s_.Yield) {
        if ((rc = s_.Yield()) != ecOK) return rc;
      }
    }
    // Lines held at the end of the page go out by the same rule as inside it,
    // also when the run is cut short: what was decoded forms the image.
    if ((rc = FlushBlanks()) != ecOK) return rc;
    s_.BadCodes += reader.BadCodes();
    // A finished page counts in full, whatever follows its end-of-page codes,
    // so that progress reaches the total at the end of the run.
    Report(base + (s_.Aborted() ? reader.BytesConsumed() : s_.PageHeader.DataLength));
    return ecOK;
  }

 private:
  void Report(uint64_t done) {
    s_.BytesUnpacked = std::min(done, s_.BytesToUnpack);
    if (s_.Status) s_.Status(s_.CurrentPage, s_.BytesUnpacked, s_.BytesToUnpack);
  }

  int TakeLine() {
    ++s_.LinesDecoded;
    if (s_.WhitespaceFrom && s_.WhitespaceTo) {
      if (IsBlank(line_.data(), line_.size())) {
        ++s_.BlankRun;
        s_.BlankLength = line_.size();
        return ecOK;
      }
      if (const int rc = FlushBlanks(); rc != ecOK) return rc;
    }
    return Deliver(line_.data(), line_.size());
  }

  // A run of at least WhitespaceFrom blank lines shrinks to WhitespaceTo.
  int FlushBlanks() {
    if (s_.BlankRun == 0) return ecOK;
    const uint64_t n = s_.BlankRun >= s_.WhitespaceFrom ? s_.WhitespaceTo : s_.BlankRun;
    s_.BlankRun = 0;
    for (uint64_t i = 0; i < n; ++i)
      if (const int rc = Deliver(nullptr, s_.BlankLength); rc != ecOK) return rc;
    return ecOK;
  }

  // Standard-resolution pages are 98 lines per inch against about 204 pixels
  // per inch across: doubling the lines or halving the pixels squares them.
  int Deliver(const uint8_t* data, size_t length) {
    const unsigned flags = s_.Flags.load(std::memory_order_relaxed);
    const bool standard = !(s_.PageHeader.PageFlags & pfHighRes);
    const bool twice = standard && (flags & UnpackerState::kDoubleHeight);
    if (standard && !twice && (flags & UnpackerState::kHalfWidth)) {
      if (data) {
        HalveLine(data, length, work_.data());
        data = work_.data();
      }
      length /= 2;
    }
    if (data && s_.Invert) {
      uint8_t* out = work_.data();
      for (size_t i = 0; i < length; ++i) out[i] = static_cast<uint8_t>(~data[i]);
      data = out;
    }
    int rc = s_.Output->Line(data, length, s_.CurrentPage);
    if (rc == ecOK && twice) rc = s_.Output->Line(data, length, s_.CurrentPage);
    return rc;
  }

  UnpackerState& s_;
  std::vector<uint8_t> line_;
  std::vector<uint8_t> work_;
  unsigned steps_ = 0;
};

}  // namespace

void HalveLine(const uint8_t* in, size_t length, uint8_t* out) {
  for (size_t i = 0; i + 1 < length; i += 2)
    out[i / 2] = static_cast<uint8_t>((kHalf[in[i]] << 4) | kHalf[in[i + 1]]);
}

int TotalDataLength(const std::string& fileName, ApfFileHeader& header, uint64_t& total) {
  const int fd = apf::OpenForReading(fileName);
  if (fd < 0) return fd;
  int rc = apf::ReadFileHeader(fd, header);
  total = 0;
  uint64_t offset = header.FirstPageOffset;
  for (unsigned n = 1; rc == ecOK && n <= header.PageCount; ++n) {
    uint8_t bytes[kApfPageHeaderSize];
    rc = apf::ReadExactly(fd, offset, bytes, sizeof bytes);
    if (rc != ecOK) break;
    const ApfPageHeader page = ApfPageHeader::Unpack(bytes);
    total += page.DataLength;
    offset += kApfPageHeaderSize + page.DataLength;
  }
  ::close(fd);
  return rc;
}

int UnpackPageRun(UnpackerState& state, unsigned pageNumber) {
  ApfPageReader reader;
  if (const int rc = reader.Open(state.FileName, pageNumber); rc != ecOK) return rc;
  state.FileHeader = reader.FileHeader();
  state.BytesToUnpack = reader.PageHeader().DataLength;
  state.BytesUnpacked = 0;
  if (const int rc = state.Output->Starting(); rc != ecOK) return rc;
  Run run(state);
  if (const int rc = run.DecodePage(reader, 0); rc != ecOK) return rc;
  reader.Close();
  return state.Output->Ending();
}

namespace {

// Pages 1..PageCount, each between `begin` and `end`.
template <typename Begin, typename End>
int EachPage(UnpackerState& state, Begin begin, End end) {
  uint64_t total = 0;
  if (const int rc = TotalDataLength(state.FileName, state.FileHeader, total); rc != ecOK) return rc;
  state.BytesToUnpack = total;
  state.BytesUnpacked = 0;
  ApfPageReader reader;
  Run run(state);
  uint64_t base = 0;
  for (unsigned page = 1; page <= state.FileHeader.PageCount && !state.Aborted(); ++page) {
    const int opened = page == 1 ? reader.Open(state.FileName, 1) : reader.OpenNextPage();
    if (opened != ecOK) return opened;
    if (const int rc = begin(); rc != ecOK) return rc;
    if (const int rc = run.DecodePage(reader, base); rc != ecOK) return rc;
    if (const int rc = end(); rc != ecOK) return rc;
    base += reader.PageHeader().DataLength;
  }
  return ecOK;
}

}  // namespace

int UnpackFileRun(UnpackerState& state) {
  if (const int rc = state.Output->Starting(); rc != ecOK) return rc;
  const auto none = [] { return ecOK; };
  if (const int rc = EachPage(state, none, none); rc != ecOK) return rc;
  return state.Output->Ending();
}

int UnpackEachPage(UnpackerState& state, const std::function<int()>& pageDone) {
  return EachPage(
      state, [&] { return state.Output->Starting(); },
      [&] {
        if (const int rc = state.Output->Ending(); rc != ecOK) return rc;
        return pageDone();
      });
}

}  // namespace telvane
