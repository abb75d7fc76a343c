// Helpers of the simulated line's tests: a DTE on the line's pty through the
// project's termios device, test pages as TIFF (written and read with
// libtiff) and PBM, and efax run as a child process.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "comm/port/serial_device.h"

namespace telvane::test {

// One raster line per entry, 1728 pixels, MSB first, set = black.
using Raster = std::vector<std::vector<uint8_t>>;

// A dense page that takes a while on the line: 4-pixel runs shifted by a
// pixel per row, crossed by a slanting bar.
Raster TestPage(int rows);

// A TIFF/F file of T.4 one-dimensional pages (one directory per page).
bool WriteG3Tiff(const std::string& path, const std::vector<Raster>& pages, bool fine);
inline bool WriteG3Tiff(const std::string& path, const Raster& page, bool fine) {
  return WriteG3Tiff(path, std::vector<Raster>{page}, fine);
}
bool WritePbm(const std::string& path, const Raster& page);
// Rows of a page of a TIFF file decoded by libtiff; empty on failure.
Raster ReadTiff(const std::string& path, int* width = nullptr, int page = 0);
int TiffPageCount(const std::string& path);
// The page's rows are the last rows of `got`, and any rows above are white
// (a DTE may put a blank header band on top).
::testing::AssertionResult SamePageAtBottom(const Raster& got, const Raster& want);

// A DTE on a pty, through the project's termios device (raw, no echo).
class Dte {
 public:
  explicit Dte(const std::string& path);
  bool IsOpen() const { return open_; }
  void Send(const std::string& text);
  // Reads until one of the tokens arrives or the time runs out. Returns what
  // came since the last call, up to and including the first token found;
  // anything after it is left for the next call (all is kept in Seen()).
  std::string ReadUntil(const std::vector<std::string>& tokens, double seconds);
  std::string Command(const std::string& line, double seconds = 2.0);
  const std::string& Seen() const { return seen_; }

 private:
  std::unique_ptr<ISerialDevice> device_;
  bool open_ = false;
  std::string seen_;
  size_t pos_ = 0;  // what the reads so far have returned
};

// Runs a program with arguments, its output and errors into logPath, and
// waits up to `seconds`: the exit status, 124 on a time-out, -1 when it could
// not be started.
int RunProgram(const std::vector<std::string>& argv, const std::string& logPath, double seconds);
bool HaveProgram(const std::string& name);
std::string ReadFile(const std::string& path);

}  // namespace telvane::test
