// Reads the scan lines of one APF page and decodes them into raster lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "faxdoc/apf_format.h"
#include "faxdoc/t4_decoder.h"

namespace telvane {

class ApfPageReader {
 public:
  ApfPageReader() = default;
  ApfPageReader(const ApfPageReader&) = delete;
  ApfPageReader& operator=(const ApfPageReader&) = delete;
  ~ApfPageReader();

  // Opens the file at page `pageNumber` (0 reads the first page).
  // -2 for an empty name, -8001 for a wrong signature or a page above
  // PageCount, a negated file error otherwise.
  int Open(const std::string& fileName, unsigned pageNumber);

  // Delivers the next decoded raster line (216 or 256 bytes, MSB first,
  // set = black). Returns 1 with a line, 0 at the end of the page, or a
  // negative error (-8001 when the file ends inside the page data). Lines
  // decoded before a failure are delivered first.
  int ReadLine(std::vector<uint8_t>& line);

  // One step of ReadLine for callers that report progress or stop between
  // reads: 1 with a line, kInputTaken when a record or block was read and
  // decoded without yet completing a line, 0 at the end, or an error.
  static constexpr int kInputTaken = 2;
  int ReadStep(std::vector<uint8_t>& line);

  // Moves to the page after the current one through the page chain, as Open
  // would find it, without walking the chain from the start again. -8001
  // past PageCount, a negated file error otherwise.
  int OpenNextPage();
  unsigned PageNumber() const { return pageNumber_; }

  void Close();

  const ApfFileHeader& FileHeader() const { return fileHeader_; }
  const ApfPageHeader& PageHeader() const { return pageHeader_; }
  uint32_t BadCodes() const { return decoder_.BadCodes(); }
  // Bytes of page data taken from the file so far, 2 for each record count
  // included; never more than the page's DataLength.
  uint64_t BytesConsumed() const { return consumed_; }

 private:
  int FetchInput();  // reads the next record or block; 0 when the page data is used up
  // Reads through the read-ahead buffer: the count read (short only where the
  // file ends) or a negated file error.
  long ReadBuffered(uint64_t offset, uint8_t* out, size_t length);

  void ResetPage();

  int fd_ = -1;
  unsigned pageNumber_ = 0;
  ApfFileHeader fileHeader_;
  ApfPageHeader pageHeader_;
  uint64_t dataOffset_ = 0;  // file offset of the page data
  uint64_t consumed_ = 0;  // bytes of page data taken so far
  bool dataDone_ = false;
  int error_ = 0;  // a failure, reported once the lines before it are out
  MhDecoder decoder_;
  std::vector<uint8_t> input_;
  std::vector<uint8_t> readAhead_;  // file bytes from readAheadStart_ on
  uint64_t readAheadStart_ = 0;
  std::vector<std::vector<uint8_t>> pending_;  // lines decoded but not yet delivered
  size_t pendingCount_ = 0;  // pending_ entries in use (the rest keep their storage)
  size_t pendingNext_ = 0;
};

}  // namespace telvane
