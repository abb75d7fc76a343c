// Seconds per conversion of a 100-page text file, with the built-in fax font
// and with a system font.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "faxdoc/fax_converter.h"

namespace {

std::filesystem::path WorkDir() {
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() / "telvane-convert-bench";
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

// 100 pages of 60 lines of typed-looking text.
std::string HundredPageText() {
  const std::string name = (WorkDir() / "hundred.txt").string();
  if (!std::filesystem::exists(name)) {
    std::ofstream out(name, std::ios::binary);
    const char* words[] = {"fax", "invoice", "delivery", "quantity", "the", "of", "and", "order", "12.50", "Telvane"};
    unsigned seed = 1;
    for (int line = 0; line < 6000; ++line) {
      std::string text;
      while (text.size() < 70) {
        seed = seed * 1103515245u + 12345u;
        text += words[(seed >> 16) % 10];
        text += ' ';
      }
      out << text << "\r\n";
    }
  }
  return name;
}

void Convert(benchmark::State& state, telvane::FaxInputDocumentType type) {
  telvane::TApdFaxConverter cvt;
  cvt.InputDocumentType = type;
  cvt.EnhFont.Name = "DejaVu Sans Mono";
  cvt.EnhFont.Height = -15;
  cvt.SetDocumentFile(HundredPageText());
  cvt.OutFileName = (WorkDir() / "hundred.apf").string();
  for (auto _ : state) cvt.ConvertDocument();
  state.SetItemsProcessed(state.iterations() * 100);  // pages
}

void BM_ConvertText100Pages_BuiltInFont(benchmark::State& state) { Convert(state, telvane::idText); }
void BM_ConvertText100Pages_SystemFont(benchmark::State& state) { Convert(state, telvane::idTextEx); }

BENCHMARK(BM_ConvertText100Pages_BuiltInFont)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ConvertText100Pages_SystemFont)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(WorkDir());
  return 0;
}
