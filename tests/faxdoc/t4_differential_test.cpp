// The table-driven MhDecoder against the bit-by-bit reference walk, on valid,
// damaged and random streams fed in random chunk sizes: both must deliver the
// same lines, count the same bad codes and end the page at the same bit.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "faxdoc/t4_decoder.h"
#include "faxdoc/t4_encoder.h"
#include "tests/faxdoc/t4_reference.h"

namespace telvane {
namespace {

using test::Line;
using Bytes = std::vector<uint8_t>;

class Generator {
 public:
  explicit Generator(uint32_t seed) : rng_(seed) {}

  int Below(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }

  // A converted page: coded lines of mixed content, usually closed by the
  // end-of-page record. Some lines are one pixel short or long.
  Bytes Page() {
    const int width = Below(2) ? 1728 : 2048;
    const int lines = Below(40) + 1;
    Bytes page;
    uint8_t buf[kCodedLineMax];
    T4LineCoder coder(buf);
    for (int i = 0; i < lines; ++i) {
      int total = width + (Below(8) == 0 ? Below(17) - 8 : 0);
      coder.Start();
      bool black = false;
      while (total > 0) {
        int run = Below(4) ? Below(12) : Below(3000);
        run = std::min(run, total);
        coder.PutRun(run, black);
        total -= run;
        black = !black;
      }
      page.insert(page.end(), buf, buf + coder.Finish());
    }
    if (Below(5)) page.insert(page.end(), std::begin(kEndOfPageRecord), std::end(kEndOfPageRecord));
    return page;
  }

  Bytes RandomBytes(int maxLength) {
    Bytes out(static_cast<size_t>(Below(maxLength + 1)));
    const int style = Below(3);
    for (uint8_t& b : out) {
      if (style == 0) {
        b = static_cast<uint8_t>(rng_());
      } else if (style == 1) {  // mostly zeros: many EOLs and fill
        b = Below(3) ? 0 : static_cast<uint8_t>(1u << Below(8));
      } else {  // sparse bits: long codes and dead ends
        b = static_cast<uint8_t>(rng_() & rng_() & rng_());
      }
    }
    return out;
  }

  // Damages a stream in one of several ways.
  void Damage(Bytes& data) {
    if (data.empty()) return;
    switch (Below(6)) {
      case 0:  // bit flips
        for (int i = Below(20) + 1; i > 0; --i) data[Below(static_cast<int>(data.size()))] ^= static_cast<uint8_t>(1u << Below(8));
        break;
      case 1:  // truncation
        data.resize(static_cast<size_t>(Below(static_cast<int>(data.size()))));
        break;
      case 2:  // a run of zero bytes
        data.insert(data.begin() + Below(static_cast<int>(data.size())), static_cast<size_t>(Below(40) + 1), 0x00);
        break;
      case 3:  // a run of 0xFF bytes
        data.insert(data.begin() + Below(static_cast<int>(data.size())), static_cast<size_t>(Below(40) + 1), 0xFF);
        break;
      case 4: {  // random bytes spliced in
        const Bytes junk = RandomBytes(64);
        data.insert(data.begin() + Below(static_cast<int>(data.size())), junk.begin(), junk.end());
        break;
      }
      case 5:  // a piece cut out, so codes run into each other mid-code
        if (data.size() > 2) {
          const int from = Below(static_cast<int>(data.size()) - 1);
          data.erase(data.begin() + from, data.begin() + from + 1 + Below(std::min<int>(30, static_cast<int>(data.size()) - from - 1)));
        }
        break;
    }
  }

  Bytes Case() {
    switch (Below(4)) {
      case 0:
        return RandomBytes(3000);
      case 1:
        return Page();
      default: {
        Bytes data = Page();
        for (int i = Below(3) + 1; i > 0; --i) Damage(data);
        return data;
      }
    }
  }

 private:
  std::mt19937 rng_;
};

TEST(MhDecoderDifferential, MatchesBitByBitWalkOnValidDamagedAndRandomStreams) {
  Generator gen(20240611);
  int ended = 0, withBadCodes = 0, withLines = 0;
  for (int n = 0; n < 1500; ++n) {
    const Bytes data = gen.Case();
    SCOPED_TRACE(testing::Message() << "case " << n << ", " << data.size() << " bytes");

    test::ReferenceDecoder reference;
    reference.Feed(data);

    MhDecoder decoder;
    std::vector<Line> lines;
    const auto sink = [&](const uint8_t* line, size_t length) { lines.emplace_back(line, line + length); };
    size_t at = 0;
    while (at < data.size()) {
      const size_t chunk = std::min<size_t>(data.size() - at, static_cast<size_t>(gen.Below(4) ? gen.Below(9) : gen.Below(5000)));
      decoder.Feed(data.data() + at, chunk, sink);
      at += chunk;
    }

    ASSERT_EQ(decoder.PageEnded(), reference.PageEnded());
    ASSERT_EQ(decoder.BadCodes(), reference.BadCodes());
    ASSERT_EQ(lines.size(), reference.Lines().size());
    ASSERT_EQ(lines, reference.Lines());
    ASSERT_EQ(decoder.LinesDelivered(), lines.size());
    if (reference.PageEnded()) {
      ASSERT_EQ(decoder.BitsConsumed(), reference.EndBit());
    }
    ended += reference.PageEnded();
    withBadCodes += reference.BadCodes() > 0;
    withLines += !lines.empty();
  }
  // The mix must really reach every path: pages that end, bad codes, lines.
  EXPECT_GT(ended, 300);
  EXPECT_GT(withBadCodes, 300);
  EXPECT_GT(withLines, 500);
}

}  // namespace
}  // namespace telvane
