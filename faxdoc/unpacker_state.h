// Engine record of one unpack: decodes APF pages with the page reader,
// compresses runs of blank lines, corrects the aspect of standard-resolution
// pages and hands the lines to a line output (the memory image).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "faxdoc/apf_format.h"
#include "faxdoc/apf_page_reader.h"
#include "faxdoc/converter_engine.h"
#include "faxdoc/memory_image.h"

namespace telvane {

// Receives an unpack run: Starting, the lines, Ending.
class UnpackLineOutput {
 public:
  virtual ~UnpackLineOutput() = default;
  virtual int Starting() = 0;
  // A line of `length` bytes; null `data` is an all-white line of that length.
  virtual int Line(const uint8_t* data, size_t length, unsigned page) = 0;
  virtual int Ending() = 0;
};

// The memory image as line output.
class MemoryImageOutput final : public UnpackLineOutput {
 public:
  explicit MemoryImageOutput(bool invert) : invert_(invert) {}
  int Starting() override { return image_.Start(invert_); }
  int Line(const uint8_t* data, size_t length, unsigned) override { return image_.AddLine(data, length); }
  int Ending() override {
    image_.Finish();
    return 0;
  }
  MemoryImage& Image() { return image_; }

 private:
  bool invert_;
  MemoryImage image_;
};

// Progress of an unpack: page, bytes unpacked (never above the total), total.
using UnpackStatusHook = std::function<void(unsigned page, uint64_t bytesUnpacked, uint64_t bytesToUnpack)>;

struct UnpackerState {
  // Flags.
  static constexpr unsigned kYield = 1;
  static constexpr unsigned kDoubleHeight = 2;  // excludes kHalfWidth
  static constexpr unsigned kHalfWidth = 4;
  static constexpr unsigned kAbort = 8;

  std::string FileName;
  std::atomic<unsigned> Flags{0};
  unsigned CurrentPage = 0;
  uint64_t LinesDecoded = 0;
  uint64_t BadCodes = 0;
  unsigned WhitespaceFrom = 0;  // both non-zero: runs of blank lines are shortened
  unsigned WhitespaceTo = 0;
  unsigned BlankRun = 0;     // blank lines held back
  size_t BlankLength = 0;    // byte length of the held blank lines
  uint64_t BytesToUnpack = 0;
  uint64_t BytesUnpacked = 0;
  ApfFileHeader FileHeader;
  ApfPageHeader PageHeader;
  UnpackLineOutput* Output = nullptr;
  UnpackStatusHook Status;
  YieldHook Yield;
  ScaleFactors Scale;
  bool Invert = false;  // lines go out in bitmap polarity (set bit = white)

  bool Aborted() const { return Flags.load(std::memory_order_relaxed) & kAbort; }
};

// One page (0 or 1 is the first) between one Starting and one Ending.
// 0, or the first error: -2, -8001, -1003 from the yield hook, -8, a file error.
// An abort ends the run early with 0.
int UnpackPageRun(UnpackerState& state, unsigned pageNumber);

// All pages one after the other between one Starting and one Ending.
int UnpackFileRun(UnpackerState& state);

// Every page between its own Starting and Ending; `pageDone` runs after each
// Ending (a DCX writer takes the page's image there) and may return an error.
int UnpackEachPage(UnpackerState& state, const std::function<int()>& pageDone);

// Sum of DataLength of all pages, walking the chain once. Also fills
// state.FileHeader. 0 or an error.
int TotalDataLength(const std::string& fileName, ApfFileHeader& header, uint64_t& total);

// Two adjacent pixels become one, black when either is (fax polarity): 2n
// bytes in, n bytes out, 16 pixels at a time.
void HalveLine(const uint8_t* in, size_t length, uint8_t* out);

}  // namespace telvane
