// Unpacking a 100-page fine-resolution fax into one stacked PackBits TIFF,
// against libtiff's tiffcp turning the same pages, kept as a Group 3 TIFF,
// into PackBits; and the peak memory of unpacking the fax page by page.
//
//   unpack_bench [--repeat N]
//
// Prints the median times of both, their ratio, and the peak resident size
// of a fresh process that unpacks every page to its own TIFF file (next to
// that of a fresh process that only starts, for comparison).
#include <sys/resource.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "faxdoc/apf_file.h"
#include "faxdoc/apf_page_reader.h"
#include "faxdoc/fax_converter.h"
#include "faxdoc/fax_unpacker.h"
#include "tests/support/tiff_memory/tiff_memory.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kPages = 100;

fs::path WorkDir() {
  static const fs::path dir = [] {
    auto d = fs::temp_directory_path() / ("telvane-unpack-bench-" + std::to_string(::getpid()));
    fs::create_directories(d);
    return d;
  }();
  return dir;
}

// 100 pages of dense typed-looking text, converted at high resolution.
std::string MakeFax() {
  const std::string text = (WorkDir() / "dense.txt").string();
  {
    std::ofstream out(text, std::ios::binary);
    const char* words[] = {"fax", "invoice", "delivery", "quantity", "the", "of", "and", "order", "12.50", "Telvane"};
    unsigned seed = 1;
    for (int line = 0; line < kPages * 60; ++line) {
      std::string s;
      while (s.size() < 130) {
        seed = seed * 1103515245u + 12345u;
        s += words[(seed >> 16) % 10];
        s += ' ';
      }
      out << s << "\r\n";
    }
  }
  telvane::TApdFaxConverter cvt;
  cvt.InputDocumentType = telvane::idText;
  cvt.Resolution = telvane::frHigh;
  cvt.LinesPerPage = 60;
  cvt.LeftMargin = 16;
  cvt.SetDocumentFile(text);
  cvt.OutFileName = (WorkDir() / "dense.apf").string();
  cvt.ConvertDocument();
  return cvt.OutFileName;
}

// The same pages as a Group 3 (1-D) TIFF, one directory per page, coded by libtiff.
std::string MakeG3Tiff(const std::string& apf) {
  const std::string name = (WorkDir() / "dense-g3.tif").string();
  TIFF* tif = TIFFOpen(name.c_str(), "w");
  if (!tif) std::exit(1);
  telvane::ApfFileHeader header;
  telvane::GetFaxHeader(apf, header);
  for (unsigned page = 1; page <= header.PageCount; ++page) {
    telvane::ApfPageReader reader;
    if (reader.Open(apf, page) != 0) std::exit(1);
    std::vector<std::vector<uint8_t>> rows;
    std::vector<uint8_t> line;
    while (reader.ReadLine(line) == 1) rows.push_back(line);
    const int width = static_cast<int>(rows.front().size() * 8);
    telvane::test::SetG3Fields(tif, width, static_cast<int>(rows.size()), static_cast<int>(rows.size()),
                               GROUP3OPT_FILLBITS);
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    TIFFSetField(tif, TIFFTAG_PAGENUMBER, page - 1, header.PageCount);
    for (size_t y = 0; y < rows.size(); ++y)
      if (TIFFWriteScanline(tif, rows[y].data(), static_cast<uint32_t>(y), 0) < 0) std::exit(1);
    TIFFWriteDirectory(tif);
  }
  TIFFClose(tif);
  return name;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

template <typename F>
double TimeMedian(int repeat, F&& f) {
  std::vector<double> times;
  for (int i = 0; i < repeat; ++i) {
    const auto start = Clock::now();
    f();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  return Median(times);
}

int RunTiffcp(const std::string& in, const std::string& out) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execlp("tiffcp", "tiffcp", "-c", "packbits", in.c_str(), out.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs this program again with `args` and returns the child's peak resident size in KB.
long ChildPeakKb(const std::vector<std::string>& args) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    std::vector<char*> argv{const_cast<char*>("/proc/self/exe")};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv("/proc/self/exe", argv.data());
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  ::wait4(pid, &status, 0, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "child %s failed\n", args.front().c_str());
    std::exit(1);
  }
  return usage.ru_maxrss;
}

// Child modes.
int ChildPageByPage(const std::string& apf, const std::string& outDir) {
  telvane::TApdFaxUnpacker u;
  u.SetOptions(0);
  u.SetInFileName(apf);
  const unsigned pages = u.PageCountOf();
  for (unsigned page = 1; page <= pages; ++page) {
    u.OutFileName = outDir + "/page" + std::to_string(page) + ".TIF";
    u.PageToTiff(page);
  }
  return 0;
}

int ChildStacked(const std::string& apf, const std::string& out) {
  telvane::TApdFaxUnpacker u;
  u.SetOptions(0);
  u.SetInFileName(apf);
  u.OutFileName = out;
  u.FileToTiff();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && !std::strcmp(argv[1], "--child-idle")) return 0;
  if (argc >= 4 && !std::strcmp(argv[1], "--child-pages")) return ChildPageByPage(argv[2], argv[3]);
  if (argc >= 4 && !std::strcmp(argv[1], "--child-stacked")) return ChildStacked(argv[2], argv[3]);
  int repeat = 5;
  if (argc >= 3 && !std::strcmp(argv[1], "--repeat")) repeat = std::max(1, std::atoi(argv[2]));

  const std::string apf = MakeFax();
  const std::string g3 = MakeG3Tiff(apf);
  telvane::TApdFaxUnpacker u;
  u.SetOptions(0);
  u.SetInFileName(apf);
  telvane::ApfFileHeader header;
  telvane::GetFaxHeader(apf, header);
  std::printf("fax: %u fine-resolution pages, %llu bytes APF, %llu bytes Group 3 TIFF\n", header.PageCount,
              static_cast<unsigned long long>(fs::file_size(apf)), static_cast<unsigned long long>(fs::file_size(g3)));

  const std::string ours = (WorkDir() / "stacked.tif").string();
  const std::string theirs = (WorkDir() / "tiffcp.tif").string();
  u.OutFileName = ours;
  const double oursMs = TimeMedian(repeat, [&] { u.FileToTiff(); });
  const double tiffcpMs = TimeMedian(repeat, [&] {
    if (RunTiffcp(g3, theirs) != 0) {
      std::fprintf(stderr, "tiffcp failed (is libtiff-tools installed?)\n");
      std::exit(1);
    }
  });
  std::printf("unpack APF -> stacked PackBits TIFF:  %8.1f ms (median of %d), %llu bytes\n", oursMs, repeat,
              static_cast<unsigned long long>(fs::file_size(ours)));
  std::printf("tiffcp -c packbits G3 TIFF -> TIFF:   %8.1f ms (median of %d), %llu bytes\n", tiffcpMs, repeat,
              static_cast<unsigned long long>(fs::file_size(theirs)));
  std::printf("ratio unpack / tiffcp:                %8.2f  (goal: 1.00 or less)\n", oursMs / tiffcpMs);

  const std::string pagesDir = (WorkDir() / "pages").string();
  fs::create_directories(pagesDir);
  const long idleKb = ChildPeakKb({"--child-idle"});
  const long pagesKb = ChildPeakKb({"--child-pages", apf, pagesDir});
  const long stackedKb = ChildPeakKb({"--child-stacked", apf, (WorkDir() / "child-stacked.tif").string()});
  std::printf("peak resident size, page by page:     %8.1f MB  (goal: under 64 MB; a process that only starts: %.1f MB)\n",
              pagesKb / 1024.0, idleKb / 1024.0);
  std::printf("peak resident size, all pages stacked:%8.1f MB\n", stackedKb / 1024.0);

  fs::remove_all(WorkDir());
  return 0;
}
