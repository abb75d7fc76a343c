// PCX and DCX image writers.
#include "faxdoc/pcx_writer.h"

#include <array>
#include <limits>

#include "base/error_codes.h"
#include "faxdoc/pcx_format.h"

namespace telvane {

void PcxEncodeLine(const uint8_t* line, size_t length, std::vector<uint8_t>& out) {
  size_t i = 0;
  while (i < length) {
    const uint8_t value = static_cast<uint8_t>(~line[i]);
    size_t run = 1;
    while (run < kPcxMaxRun && i + run < length && line[i + run] == line[i]) ++run;
    if (run > 1 || value >= kPcxRunFlag) out.push_back(static_cast<uint8_t>(kPcxRunFlag | run));
    out.push_back(value);
    i += run;
  }
}

int WritePcxImage(OutputFile& file, const LineSource& image) {
  const size_t lines = image.LineCount();
  const size_t bytes = image.BytesPerLine();
  // x max and y max are 16-bit: a taller or wider image cannot be described.
  if (lines == 0 || bytes == 0 || lines > 65536 || bytes * 8 > 65536) return ecBadArgument;
  PcxHeader header;  // manufacturer 10, version 2, RLE, 1 bit, 1 plane, no palette
  header.XMax = static_cast<uint16_t>(bytes * 8 - 1);
  header.YMax = static_cast<uint16_t>(lines - 1);
  header.BytesPerLine = static_cast<uint16_t>(bytes);
  const auto packed = header.Pack();
  if (const int rc = file.Write(packed.data(), packed.size()); rc != ecOK) return rc;
  std::vector<uint8_t> coded;
  coded.reserve(bytes * 2 + 64);
  for (size_t y = 0; y < lines; ++y) {
    PcxEncodeLine(image.Line(y), bytes, coded);
    // Lines are gathered into a few kilobytes before each write.
    if (coded.size() >= 16384 || y + 1 == lines) {
      if (const int rc = file.Write(coded.data(), coded.size()); rc != ecOK) return rc;
      coded.clear();
    }
  }
  return ecOK;
}

namespace {

std::array<uint8_t, kDcxHeaderSize> DcxHeaderBytes(const std::vector<uint32_t>& offsets) {
  std::array<uint8_t, kDcxHeaderSize> b{};
  const auto put32 = [&b](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put32(0, kDcxMagic);
  for (size_t i = 0; i < offsets.size(); ++i) put32(4 + 4 * i, offsets[i]);
  return b;  // the entries after the last page stay zero and end the list
}

}  // namespace

int DcxWriter::Begin() {
  offsets_.clear();
  const auto header = DcxHeaderBytes(offsets_);
  return file_.Write(header.data(), header.size());
}

int DcxWriter::AddPage(const LineSource& image) {
  if (offsets_.size() >= kDcxMaxPages) return ecBadArgument;
  const uint64_t at = file_.Size();
  if (at > std::numeric_limits<uint32_t>::max()) return ecBadArgument;  // offsets are 32-bit
  if (const int rc = WritePcxImage(file_, image); rc != ecOK) return rc;
  offsets_.push_back(static_cast<uint32_t>(at));
  return ecOK;
}

int DcxWriter::Finish() {
  const auto header = DcxHeaderBytes(offsets_);
  return file_.WriteAt(0, header.data(), header.size());
}

}  // namespace telvane
