// Coded lines of a page being sent: APF pages as stored, text covers and the
// header line drawn with the fax font.
#include "faxdoc/page_lines.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>

#include "faxdoc/apf_file.h"
#include "faxdoc/apf_io.h"
#include "base/error_codes.h"
#include "faxdoc/fax_font.h"
#include "faxdoc/gbk_text.h"

namespace telvane {

// --- APF pages ---

ApfPageLines::~ApfPageLines() {
  if (fd_ >= 0) ::close(fd_);
}

int ApfPageLines::Open(const std::string& fileName, unsigned pageNumber) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = apf::OpenForReading(fileName);
  if (fd_ < 0) {
    int rc = fd_;
    fd_ = -1;
    return rc;
  }
  ApfFileHeader header;
  int rc = apf::ReadFileHeader(fd_, header);
  if (rc == ecOK && (pageNumber == 0 || pageNumber > header.PageCount)) rc = ecFaxBadFormat;
  if (rc == ecOK) rc = apf::FindPage(fd_, header, pageNumber, page_, offset_);
  if (rc != ecOK) {
    ::close(fd_);
    fd_ = -1;
    return rc == ecReadBeyondEof ? ecFaxBadFormat : rc;
  }
  end_ = offset_ + page_.DataLength;
  return ecOK;
}

int ApfPageLines::Next(std::vector<std::uint8_t>& line) {
  if (fd_ < 0 || offset_ >= end_) return 0;
  std::size_t n;
  std::uint64_t next;
  if (page_.PageFlags & pfLineRecords) {
    std::uint8_t count[2];
    int rc = apf::ReadExactly(fd_, offset_, count, 2);
    if (rc != ecOK) return rc == ecReadBeyondEof ? ecFaxBadFormat : rc;
    std::size_t stored = count[0] | (count[1] << 8);
    n = std::min<std::size_t>(stored, 4096);
    next = offset_ + 2 + stored;
    offset_ += 2;
    if (next > end_) return ecFaxBadFormat;  // a record running past its page
  } else {
    n = static_cast<std::size_t>(std::min<std::uint64_t>(4096, end_ - offset_));
    next = offset_ + n;
  }
  line.resize(n);
  int rc = apf::ReadExactly(fd_, offset_, line.data(), n);
  if (rc != ecOK) return rc == ecReadBeyondEof ? ecFaxBadFormat : rc;
  offset_ = next;
  return 1;
}

int ReadApfHeader(const std::string& fileName, ApfFileHeader& header) {
  int rc = GetFaxHeader(fileName, header);
  return rc == ecReadBeyondEof ? ecFaxBadFormat : rc;
}

int ReadApfPageHeader(const std::string& fileName, unsigned pageNumber, ApfPageHeader& page) {
  ApfPageLines lines;
  int rc = lines.Open(fileName, pageNumber);
  if (rc == ecOK) page = lines.PageHeader();
  return rc;
}

// --- Text covers ---

TextCoverLines::TextCoverLines(bool fine, bool wide, TextInputOptions text) : input_(std::move(text)) {
  state_.UseHighRes = fine;
  state_.LineWidth = wide ? kWideWidth : kNormalWidth;
  state_.DoubleWidth = false;
}

TextCoverLines::~TextCoverLines() {
  if (open_) input_.Close(state_);
}

int TextCoverLines::Open(const std::string& fileName) {
  if (int rc = input_.Prepare(state_)) return rc;
  if (int rc = input_.Open(state_, fileName)) return rc;
  open_ = true;
  return ecOK;
}

int TextCoverLines::Next(std::vector<std::uint8_t>& line) {
  if (!open_ || done_) return 0;
  std::fill(state_.Raster.begin(), state_.Raster.end(), 0);
  std::size_t length = 0;
  bool endOfPage = false, morePages = false;
  if (int rc = input_.GetRasterLine(state_, state_.Raster.data(), length, endOfPage, morePages)) return rc;
  if (endOfPage) {
    done_ = true;  // a cover is one page; text after a form feed is not sent
    return 0;
  }
  std::size_t n = state_.CompressLine(state_.Raster.data());
  line.assign(state_.CodedLine.begin(), state_.CodedLine.begin() + static_cast<long>(n));
  return 1;
}

}  // namespace telvane
