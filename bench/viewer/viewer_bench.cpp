// Speed of the fax viewer on a 20-page fine-resolution fax: opening it and
// showing page 1, turning to the next page, and turning a page a quarter;
// each includes drawing the window. Before the timings, the memory the
// viewer takes while every page is looked at in turn, above its idle size.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "faxdoc/fax_converter.h"
#include "viewer/fax_viewer.h"

namespace {

std::string g_fax;

// A full page of text on every page: 60 lines of 80 characters.
std::string MakeFax(const std::filesystem::path& dir) {
  std::string text;
  for (int page = 1; page <= 20; ++page) {
    if (page > 1) text += '\f';
    for (int line = 0; line < 60; ++line) {
      std::string row = "Page " + std::to_string(page) + " line " + std::to_string(line) + ": ";
      while (row.size() < 80) row += "The quick brown fox jumps over the lazy dog. ";
      text += row.substr(0, 80) + "\r\n";
    }
  }
  const auto input = dir / "bench.txt";
  std::ofstream(input, std::ios::binary) << text;
  telvane::TApdFaxConverter cvt;
  cvt.InputDocumentType = telvane::idText;
  cvt.Resolution = telvane::frHigh;
  cvt.LinesPerPage = 0;  // pages end at the form feeds only
  cvt.SetDocumentFile(input.string());
  cvt.OutFileName = (dir / "bench.apf").string();
  cvt.ConvertDocument();
  return cvt.OutFileName;
}

// Resident set size in kilobytes.
long RssKb() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long value = 0;
  while (status >> key) {
    if (key == "VmRSS:") {
      status >> value;
      return value;
    }
    status.ignore(1 << 20, '\n');
  }
  return -1;
}

// Draws the viewer as the screen would.
void Draw(telvane::TApdFaxViewer& v) {
  QImage canvas(v.size(), QImage::Format_RGB32);
  v.render(&canvas);
  benchmark::DoNotOptimize(canvas.constBits());
}

struct Window {
  telvane::TApdFaxViewer viewer;
  Window() {
    viewer.resize(800, 600);
    viewer.show();
  }
};

void BM_OpenAndShowPage1(benchmark::State& state) {
  Window w;
  for (auto _ : state) {
    w.viewer.SetFileName("");
    w.viewer.SetFileName(g_fax);
    Draw(w.viewer);
  }
  state.counters["page_w"] = w.viewer.PageWidth(1);
  state.counters["page_h"] = w.viewer.PageHeight(1);
}

void BM_NextPage(benchmark::State& state) {
  Window w;
  w.viewer.SetFileName(g_fax);
  for (auto _ : state) {
    if (w.viewer.ActivePage() == w.viewer.NumPages())
      w.viewer.SetActivePage(1);
    else
      w.viewer.NextPage();
    Draw(w.viewer);
  }
}

void BM_RotateQuarter(benchmark::State& state) {
  Window w;
  w.viewer.SetFileName(g_fax);
  int r = 0;
  for (auto _ : state) {
    r = (r + 1) % 4;
    w.viewer.SetRotation(r);
    Draw(w.viewer);
  }
}

BENCHMARK(BM_OpenAndShowPage1)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_NextPage)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_RotateQuarter)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);

// Peak resident size above the idle window while all pages are looked at.
void ReportMemory() {
  Window w;
  Draw(w.viewer);
  const long idle = RssKb();
  long peak = idle;
  w.viewer.SetFileName(g_fax);
  for (unsigned page = 1; page <= w.viewer.NumPages(); ++page) {
    w.viewer.SetActivePage(page);
    Draw(w.viewer);
    peak = std::max(peak, RssKb());
  }
  std::printf("memory while viewing all %u pages: %.1f MB above the idle %.1f MB\n", w.viewer.NumPages(),
              (peak - idle) / 1024.0, idle / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  const auto dir = std::filesystem::temp_directory_path() / ("viewer_bench_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  g_fax = MakeFax(dir);
  ReportMemory();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(dir);
  return 0;
}
