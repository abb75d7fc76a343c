// Helpers of the simulated line's tests.
#include <gtest/gtest.h>

#include "tests/comm/simline/simline_test_util.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace telvane::test {
namespace {
constexpr int kWidth = 1728;
constexpr size_t kRowBytes = kWidth / 8;
}  // namespace

Raster TestPage(int rows) {
  Raster page(static_cast<size_t>(rows), std::vector<uint8_t>(kRowBytes, 0));
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const bool black = ((x + y) / 4) % 2 == 1 || std::abs(x - y * 13) < 30;
      if (black) page[y][x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
  return page;
}

bool WriteG3Tiff(const std::string& path, const std::vector<Raster>& pages, bool fine) {
  TIFF* t = TIFFOpen(path.c_str(), "w");
  if (!t) return false;
  bool ok = true;
  for (size_t p = 0; p < pages.size() && ok; ++p) {
    const Raster& page = pages[p];
    TIFFSetField(t, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, kWidth);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(page.size()));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX3);
    TIFFSetField(t, TIFFTAG_GROUP3OPTIONS, GROUP3OPT_FILLBITS);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(t, TIFFTAG_FILLORDER, FILLORDER_LSB2MSB);
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(t, TIFFTAG_XRESOLUTION, 204.0f);
    TIFFSetField(t, TIFFTAG_YRESOLUTION, fine ? 196.0f : 98.0f);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(page.size()));
    TIFFSetField(t, TIFFTAG_PAGENUMBER, static_cast<uint16_t>(p), static_cast<uint16_t>(pages.size()));
    for (size_t y = 0; y < page.size() && ok; ++y) {
      std::vector<uint8_t> row = page[y];
      ok = TIFFWriteScanline(t, row.data(), static_cast<uint32_t>(y), 0) == 1;
    }
    ok = ok && TIFFWriteDirectory(t) == 1;
  }
  TIFFClose(t);
  return ok;
}

bool WritePbm(const std::string& path, const Raster& page) {
  std::ofstream out(path, std::ios::binary);
  out << "P4\n" << kWidth << " " << page.size() << "\n";
  for (const auto& row : page) out.write(reinterpret_cast<const char*>(row.data()), static_cast<std::streamsize>(row.size()));
  return static_cast<bool>(out);
}

int TiffPageCount(const std::string& path) {
  TIFF* t = TIFFOpen(path.c_str(), "r");
  if (!t) return 0;
  int n = 1;
  while (TIFFReadDirectory(t)) ++n;
  TIFFClose(t);
  return n;
}

Raster ReadTiff(const std::string& path, int* width, int page) {
  Raster rows;
  TIFF* t = TIFFOpen(path.c_str(), "r");
  if (!t) return rows;
  if (!TIFFSetDirectory(t, static_cast<uint16_t>(page))) {
    TIFFClose(t);
    return rows;
  }
  uint32_t w = 0, h = 0;
  uint16_t photometric = PHOTOMETRIC_MINISWHITE;
  TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
  TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric);
  if (width) *width = static_cast<int>(w);
  std::vector<uint8_t> row(static_cast<size_t>(TIFFScanlineSize(t)));
  for (uint32_t y = 0; y < h; ++y) {
    if (TIFFReadScanline(t, row.data(), y, 0) != 1) {
      rows.clear();
      break;
    }
    std::vector<uint8_t> r(row.begin(), row.begin() + std::min(row.size(), (w + 7) / size_t{8}));
    if (photometric == PHOTOMETRIC_MINISBLACK)
      for (auto& b : r) b = static_cast<uint8_t>(~b);
    rows.push_back(std::move(r));
  }
  TIFFClose(t);
  return rows;
}

::testing::AssertionResult SamePageAtBottom(const Raster& got, const Raster& want) {
  if (got.size() < want.size())
    return ::testing::AssertionFailure() << got.size() << " rows, fewer than the " << want.size() << " sent";
  const size_t top = got.size() - want.size();
  for (size_t y = 0; y < top; ++y)
    for (uint8_t b : got[y])
      if (b != 0) return ::testing::AssertionFailure() << "row " << y << " above the page is not white";
  for (size_t y = 0; y < want.size(); ++y)
    if (got[top + y] != want[y]) return ::testing::AssertionFailure() << "page row " << y << " differs";
  return ::testing::AssertionSuccess();
}

Dte::Dte(const std::string& path) : device_(MakeTermiosDevice()) {
  open_ = device_->Open(path) >= 0;
  LineSettings settings;
  settings.baud = 115200;
  open_ = open_ && device_->Configure(settings) >= 0;
}

void Dte::Send(const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const int n = device_->Write(reinterpret_cast<const uint8_t*>(text.data()) + done, text.size() - done);
    if (n < 0) return;
    if (n == 0) device_->WaitWritable(100);
    done += static_cast<size_t>(n);
  }
}

std::string Dte::ReadUntil(const std::vector<std::string>& tokens, double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    size_t end = std::string::npos;
    for (const auto& t : tokens) {
      const size_t p = seen_.find(t, pos_);
      if (p != std::string::npos && (end == std::string::npos || p + t.size() < end)) end = p + t.size();
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (end == std::string::npos && left.count() <= 0) end = seen_.size();
    if (end != std::string::npos) {
      std::string got = seen_.substr(pos_, end - pos_);
      pos_ = end;
      return got;
    }
    if (device_->WaitReadable(static_cast<int>(left.count())) <= 0) continue;
    uint8_t buf[512];
    const int n = device_->Read(buf, sizeof buf);
    if (n > 0) seen_.append(reinterpret_cast<const char*>(buf), static_cast<size_t>(n));
  }
}

std::string Dte::Command(const std::string& line, double seconds) {
  Send(line + "\r");
  return ReadUntil({"OK\r\n", "ERROR\r\n", "CONNECT\r\n", "NO CARRIER\r\n", "BUSY\r\n"}, seconds);
}

int RunProgram(const std::vector<std::string>& argv, const std::string& logPath, double seconds) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return 124;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool HaveProgram(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace telvane::test
