// Speed of our T.4 codecs against libtiff's Group 3 codecs on the same
// 20 pages (1728 x 2200): typed-text pages and random-run pages, coded
// one-dimensionally and two-dimensionally (K = 4). Reports pages per second
// for each, then the ratios ours / libtiff.
#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "faxdoc/t4_decoder.h"
#include "faxdoc/t4_encoder.h"
#include "faxdoc/t4_mr_decoder.h"
#include "faxdoc/t4_mr_encoder.h"
#include "tests/support/tiff_memory/tiff_memory.h"

namespace {

using namespace telvane;

constexpr int kWidth = 1728;
constexpr int kBytesPerLine = kWidth / 8;
constexpr int kLines = 2200;
constexpr int kTextPages = 15;
constexpr int kRandomPages = 5;
constexpr size_t kPageBytes = static_cast<size_t>(kBytesPerLine) * kLines;

using Raster = std::vector<uint8_t>;  // a whole page, kLines * kBytesPerLine

void SetPixels(Raster& page, int y, int x0, int x1) {
  uint8_t* line = page.data() + static_cast<size_t>(y) * kBytesPerLine;
  for (int x = std::max(x0, 0); x < std::min(x1, kWidth); ++x) line[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
}

// A typed page: glyphs 12 x 28 pixels made of stems, bars and bowls, set in
// words on lines 44 pixels apart between 100-pixel margins.
Raster TextPage(std::mt19937& rng, const std::vector<std::vector<uint32_t>>& glyphs) {
  Raster page(kPageBytes, 0);
  for (int top = 150; top + 28 < kLines - 150; top += 44) {
    if (rng() % 12 == 0) continue;  // paragraph gap
    const int right = rng() % 6 == 0 ? 300 + static_cast<int>(rng() % 1200) : kWidth - 100;
    for (int x = 100; x + 16 <= right;) {
      const int word = 2 + static_cast<int>(rng() % 8);
      for (int i = 0; i < word && x + 16 <= right; ++i, x += 16) {
        const auto& glyph = glyphs[rng() % glyphs.size()];
        for (int row = 0; row < 28; ++row) {
          for (int col = 0; col < 12; ++col) {
            if (glyph[row] & (1u << col)) SetPixels(page, top + row, x + col, x + col + 1);
          }
        }
      }
      x += 16;
    }
  }
  return page;
}

std::vector<std::vector<uint32_t>> MakeGlyphs(std::mt19937& rng) {
  std::vector<std::vector<uint32_t>> glyphs(80, std::vector<uint32_t>(28, 0));
  for (auto& g : glyphs) {
    const int top = rng() % 3 ? 8 : 0;  // x-height or cap height
    for (int strokes = 1 + static_cast<int>(rng() % 3); strokes > 0; --strokes) {
      switch (rng() % 3) {
        case 0: {  // stem, 2-3 pixels wide
          const int x = static_cast<int>(rng() % 9), w = 2 + static_cast<int>(rng() % 2);
          for (int y = top; y < 24; ++y) g[y] |= ((1u << w) - 1) << x;
          break;
        }
        case 1: {  // bar
          const int y = top + static_cast<int>(rng() % (22 - top));
          g[y] |= 0xFFF;
          g[y + 1] |= 0xFFF;
          break;
        }
        default:  // bowl
          for (int y = top + 4; y < 24; ++y) g[y] |= (y == top + 4 || y == 23) ? 0x3FC : 0xC03;
          break;
      }
    }
  }
  return glyphs;
}

Raster RandomRunPage(std::mt19937& rng) {
  Raster page(kPageBytes, 0);
  for (int y = 0; y < kLines; ++y) {
    bool black = false;
    for (int x = 0; x < kWidth;) {
      const int run = rng() % 4 ? 1 + static_cast<int>(rng() % 20) : static_cast<int>(rng() % 300);
      if (black) SetPixels(page, y, x, x + run);
      x += run;
      black = !black;
    }
  }
  return page;
}

using test::TiffMemoryFile;

struct Corpus {
  std::vector<Raster> pages;
  std::vector<std::vector<uint8_t>> coded;  // our coded lines + end-of-page record
  TiffMemoryFile tiff;                          // the coded pages as libtiff strips

  Corpus() {
    std::mt19937 rng(2024);
    const auto glyphs = MakeGlyphs(rng);
    for (int i = 0; i < kTextPages; ++i) pages.push_back(TextPage(rng, glyphs));
    for (int i = 0; i < kRandomPages; ++i) pages.push_back(RandomRunPage(rng));
    uint8_t buf[kCodedLineMax];
    for (const Raster& page : pages) {
      std::vector<uint8_t> out;
      for (int y = 0; y < kLines; ++y) {
        const size_t n = EncodeRasterLine(page.data() + static_cast<size_t>(y) * kBytesPerLine, kWidth, buf);
        out.insert(out.end(), buf, buf + n);
      }
      out.insert(out.end(), std::begin(kEndOfPageRecord), std::end(kEndOfPageRecord));
      coded.push_back(std::move(out));
    }
    TIFFSetWarningHandler(nullptr);
    TIFF* tif = test::OpenTiffInMemory(tiff, "w");
    test::SetG3Fields(tif, kWidth, kLines * static_cast<int>(pages.size()), kLines, 0);
    for (size_t i = 0; i < coded.size(); ++i) {
      TIFFWriteRawStrip(tif, static_cast<uint32_t>(i), coded[i].data(), static_cast<tmsize_t>(coded[i].size()));
    }
    TIFFClose(tif);
  }

  size_t CodedBytes() const {
    size_t n = 0;
    for (const auto& c : coded) n += c.size();
    return n;
  }
};

const Corpus& Pages() {
  static const Corpus corpus;
  return corpus;
}

void BM_DecodeOurs(benchmark::State& state) {
  const Corpus& c = Pages();
  MhDecoder decoder;
  Raster out(kPageBytes);
  size_t lines = 0;
  uint8_t* at = nullptr;
  const MhDecoder::LineSink sink = [&](const uint8_t* line, size_t length) {
    std::memcpy(at, line, length);
    at += kBytesPerLine;
    ++lines;
  };
  for (auto _ : state) {
    for (const auto& page : c.coded) {
      decoder.Reset();
      at = out.data();
      decoder.Feed(page.data(), page.size(), sink);
    }
    benchmark::DoNotOptimize(out.data());
  }
  if (lines != static_cast<size_t>(state.iterations()) * kLines * c.pages.size() || out != c.pages.back()) {
    state.SkipWithError("decoded pages differ from the originals");
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(c.pages.size()));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(c.CodedBytes()));
}

void BM_DecodeLibtiff(benchmark::State& state) {
  Corpus& c = const_cast<Corpus&>(Pages());
  TIFF* tif = test::OpenTiffInMemory(c.tiff, "r");
  Raster out(kPageBytes);
  bool same = true;
  for (auto _ : state) {
    for (uint32_t i = 0; i < c.pages.size(); ++i) {
      if (TIFFReadEncodedStrip(tif, i, out.data(), static_cast<tmsize_t>(out.size())) < 0) same = false;
    }
    benchmark::DoNotOptimize(out.data());
  }
  TIFFClose(tif);
  if (!same || out != c.pages.back()) state.SkipWithError("libtiff decoded pages differ from the originals");
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(c.pages.size()));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(c.CodedBytes()));
}

void BM_EncodeOurs(benchmark::State& state) {
  const Corpus& c = Pages();
  std::vector<uint8_t> out;
  out.reserve(c.CodedBytes() + 4096);
  uint8_t buf[kCodedLineMax];
  for (auto _ : state) {
    out.clear();
    for (const Raster& page : c.pages) {
      for (int y = 0; y < kLines; ++y) {
        const size_t n = EncodeRasterLine(page.data() + static_cast<size_t>(y) * kBytesPerLine, kWidth, buf);
        out.insert(out.end(), buf, buf + n);
      }
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(c.pages.size()));
}

void BM_EncodeLibtiff(benchmark::State& state) {
  const Corpus& c = Pages();
  TiffMemoryFile file;
  Raster scratch(kPageBytes);  // libtiff may change the raster it is given
  for (auto _ : state) {
    state.PauseTiming();
    file.data.clear();
    file.data.reserve(c.CodedBytes() * 2);
    TIFF* tif = test::OpenTiffInMemory(file, "w");
    test::SetG3Fields(tif, kWidth, kLines * static_cast<int>(c.pages.size()), kLines, GROUP3OPT_FILLBITS);
    state.ResumeTiming();
    for (uint32_t i = 0; i < c.pages.size(); ++i) {
      std::memcpy(scratch.data(), c.pages[i].data(), kPageBytes);
      TIFFWriteEncodedStrip(tif, i, scratch.data(), static_cast<tmsize_t>(kPageBytes));
    }
    state.PauseTiming();
    TIFFClose(tif);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(c.pages.size()));
}

// The same pages coded two-dimensionally, by us, and as libtiff strips.
constexpr int kMrK = kMrKFine;
constexpr uint32_t kMrOptions = GROUP3OPT_2DENCODING | GROUP3OPT_FILLBITS;

void SetMrFields(TIFF* tif, int rows) {
  test::SetG3Fields(tif, kWidth, rows, kLines, kMrOptions);
  TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, 204.0f);
  TIFFSetField(tif, TIFFTAG_YRESOLUTION, 196.0f);  // libtiff codes with K = 4 above 150 dpi
}

struct MrCorpus {
  std::vector<std::vector<uint8_t>> coded;
  TiffMemoryFile tiff;

  MrCorpus() {
    const Corpus& c = Pages();
    MrLineCoder coder(kWidth, kMrK);
    uint8_t buf[kCodedLineMax];
    for (const Raster& page : c.pages) {
      std::vector<uint8_t> out;
      coder.StartPage();
      for (int y = 0; y < kLines; ++y) {
        const size_t n = coder.EncodeLine(page.data() + static_cast<size_t>(y) * kBytesPerLine, buf);
        out.insert(out.end(), buf, buf + n);
      }
      const auto rtc = MrEndOfPage();
      out.insert(out.end(), rtc.begin(), rtc.end());
      coded.push_back(std::move(out));
    }
    TIFF* tif = test::OpenTiffInMemory(tiff, "w");
    SetMrFields(tif, kLines * static_cast<int>(c.pages.size()));
    for (size_t i = 0; i < coded.size(); ++i) {
      TIFFWriteRawStrip(tif, static_cast<uint32_t>(i), coded[i].data(), static_cast<tmsize_t>(coded[i].size()));
    }
    TIFFClose(tif);
  }
};

const MrCorpus& MrPages() {
  static const MrCorpus corpus;
  return corpus;
}

void BM_DecodeMrOurs(benchmark::State& state) {
  const Corpus& c = Pages();
  const MrCorpus& mr = MrPages();
  MrDecoder decoder(kWidth);
  Raster out(kPageBytes);
  uint8_t* at = nullptr;
  bool clean = true;
  const MrDecoder::LineSink sink = [&](const uint8_t* line) {
    std::memcpy(at, line, kBytesPerLine);
    at += kBytesPerLine;
  };
  for (auto _ : state) {
    for (const auto& page : mr.coded) {
      at = out.data();
      decoder.DecodePage(page.data(), page.size(), sink);
      clean = clean && decoder.Lines() == kLines && decoder.BadLines() == 0;
    }
    benchmark::DoNotOptimize(out.data());
  }
  if (!clean || out != c.pages.back()) state.SkipWithError("decoded pages differ from the originals");
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(mr.coded.size()));
}

void BM_DecodeMrLibtiff(benchmark::State& state) {
  const Corpus& c = Pages();
  MrCorpus& mr = const_cast<MrCorpus&>(MrPages());
  TIFF* tif = test::OpenTiffInMemory(mr.tiff, "r");
  Raster out(kPageBytes);
  bool same = true;
  for (auto _ : state) {
    for (uint32_t i = 0; i < mr.coded.size(); ++i) {
      if (TIFFReadEncodedStrip(tif, i, out.data(), static_cast<tmsize_t>(out.size())) < 0) same = false;
    }
    benchmark::DoNotOptimize(out.data());
  }
  TIFFClose(tif);
  if (!same || out != c.pages.back()) state.SkipWithError("libtiff decoded pages differ from the originals");
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(mr.coded.size()));
}

void BM_EncodeMrOurs(benchmark::State& state) {
  const Corpus& c = Pages();
  std::vector<uint8_t> out;
  out.reserve(c.CodedBytes() + 4096);
  MrLineCoder coder(kWidth, kMrK);
  uint8_t buf[kCodedLineMax];
  for (auto _ : state) {
    out.clear();
    for (const Raster& page : c.pages) {
      coder.StartPage();
      for (int y = 0; y < kLines; ++y) {
        const size_t n = coder.EncodeLine(page.data() + static_cast<size_t>(y) * kBytesPerLine, buf);
        out.insert(out.end(), buf, buf + n);
      }
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(c.pages.size()));
}

void BM_EncodeMrLibtiff(benchmark::State& state) {
  const Corpus& c = Pages();
  TiffMemoryFile file;
  Raster scratch(kPageBytes);  // libtiff may change the raster it is given
  for (auto _ : state) {
    state.PauseTiming();
    file.data.clear();
    file.data.reserve(c.CodedBytes() * 2);
    TIFF* tif = test::OpenTiffInMemory(file, "w");
    SetMrFields(tif, kLines * static_cast<int>(c.pages.size()));
    state.ResumeTiming();
    for (uint32_t i = 0; i < c.pages.size(); ++i) {
      std::memcpy(scratch.data(), c.pages[i].data(), kPageBytes);
      TIFFWriteEncodedStrip(tif, i, scratch.data(), static_cast<tmsize_t>(kPageBytes));
    }
    state.PauseTiming();
    TIFFClose(tif);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(c.pages.size()));
}

BENCHMARK(BM_DecodeOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeLibtiff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeLibtiff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeMrOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeMrLibtiff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeMrOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeMrLibtiff)->Unit(benchmark::kMillisecond);

// Console output as usual, keeping each benchmark's pages per second.
class RateReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      // With repetitions the median stands for the benchmark; it is
      // reported after the single runs and so replaces them.
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      const auto it = run.counters.find("items_per_second");
      if (it != run.counters.end() && !run.error_occurred) rates[run.run_name.function_name] = it->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> rates;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const auto ratio = [&](const char* what, const char* ours, const char* theirs) {
    const auto a = reporter.rates.find(ours), b = reporter.rates.find(theirs);
    if (a != reporter.rates.end() && b != reporter.rates.end() && b->second > 0) {
      std::printf("%s ratio: %.2f (%.0f vs %.0f pages/s)\n", what, a->second / b->second, a->second, b->second);
    }
  };
  ratio("decode", "BM_DecodeOurs", "BM_DecodeLibtiff");
  ratio("encode", "BM_EncodeOurs", "BM_EncodeLibtiff");
  ratio("2-D decode", "BM_DecodeMrOurs", "BM_DecodeMrLibtiff");
  ratio("2-D encode", "BM_EncodeMrOurs", "BM_EncodeMrLibtiff");
  benchmark::Shutdown();
  return 0;
}
