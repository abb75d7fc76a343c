// Reads one APF page: fetches line records or stream blocks from the page
// data and feeds them to the T.4 decoder, which hands back raster lines.
#include "faxdoc/apf_page_reader.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "faxdoc/apf_io.h"
#include "base/error_codes.h"

namespace telvane {
namespace {

// Largest record and block taken in one read; longer records are cut here.
constexpr size_t kMaxFetch = 4096;
// The file is read ahead in blocks of this size: a fine page holds a few
// thousand records, and one system call per record would cost more than
// decoding them.
constexpr size_t kReadAhead = 64 * 1024;

}  // namespace

ApfPageReader::~ApfPageReader() { Close(); }

int ApfPageReader::Open(const std::string& fileName, unsigned pageNumber) {
  Close();
  const int fd = apf::OpenForReading(fileName);
  if (fd < 0) return fd;
  fd_ = fd;
  int rc = apf::ReadFileHeader(fd_, fileHeader_);
  if (rc == ecOK && pageNumber > fileHeader_.PageCount) rc = ecFaxBadFormat;
  if (rc == ecOK) rc = apf::FindPage(fd_, fileHeader_, std::max(pageNumber, 1u), pageHeader_, dataOffset_);
  if (rc != ecOK) {
    Close();
    return rc;
  }
  pageNumber_ = std::max(pageNumber, 1u);
  return ecOK;
}

int ApfPageReader::ReadLine(std::vector<uint8_t>& line) {
  int rc;
  while ((rc = ReadStep(line)) == kInputTaken) {
  }
  return rc;
}

int ApfPageReader::ReadStep(std::vector<uint8_t>& line) {
  if (fd_ < 0) return ecBadArgument;
  if (pendingNext_ < pendingCount_) {
    line.swap(pending_[pendingNext_++]);
    return 1;
  }
  if (error_ != ecOK) return error_;
  if (dataDone_ || decoder_.PageEnded()) return 0;
  pendingCount_ = 0;
  pendingNext_ = 0;
  const int rc = FetchInput();
  if (rc < 0) {
    error_ = rc;
  } else if (rc == 0) {
    dataDone_ = true;
  } else {
    const MhDecoder::LineSink collect = [this](const uint8_t* data, size_t length) {
      if (pendingCount_ == pending_.size()) pending_.emplace_back();
      pending_[pendingCount_++].assign(data, data + length);
    };
    decoder_.Feed(input_.data(), input_.size(), collect);
  }
  if (pendingNext_ < pendingCount_) {
    line.swap(pending_[pendingNext_++]);
    return 1;
  }
  return kInputTaken;
}

int ApfPageReader::OpenNextPage() {
  if (fd_ < 0) return ecBadArgument;
  if (pageNumber_ >= fileHeader_.PageCount) return ecFaxBadFormat;
  const uint64_t next = dataOffset_ + pageHeader_.DataLength;
  uint8_t bytes[kApfPageHeaderSize];
  if (const int rc = apf::ReadExactly(fd_, next, bytes, sizeof bytes); rc != ecOK) return rc;
  ResetPage();
  pageHeader_ = ApfPageHeader::Unpack(bytes);
  dataOffset_ = next + kApfPageHeaderSize;
  ++pageNumber_;
  return ecOK;
}

int ApfPageReader::FetchInput() {
  const uint64_t remaining = pageHeader_.DataLength - consumed_;
  if (remaining == 0) return 0;
  const uint64_t at = dataOffset_ + consumed_;

  if (pageHeader_.PageFlags & pfLineRecords) {
    if (remaining < 2) {  // a lone byte cannot hold a record
      consumed_ = pageHeader_.DataLength;
      return 0;
    }
    uint8_t count[2];
    const long n = ReadBuffered(at, count, sizeof count);
    if (n < 0) return static_cast<int>(n);
    if (n < 2) return ecFaxBadFormat;
    // A record runs on no further than the page data. Of a record longer
    // than 4096 bytes the first 4096 are decoded and the rest skipped, so
    // that the next record is read where it really starts.
    const uint64_t length = std::min<uint64_t>(count[0] | (count[1] << 8), remaining - 2);
    input_.resize(std::min<uint64_t>(length, kMaxFetch));
    const long got = ReadBuffered(at + 2, input_.data(), input_.size());
    if (got < 0) return static_cast<int>(got);
    if (static_cast<size_t>(got) < input_.size()) return ecFaxBadFormat;
    consumed_ += 2 + length;
    return 1;
  }

  // Stream form: blocks never reach past the page data into the next page.
  input_.resize(std::min<uint64_t>(remaining, kMaxFetch));
  const long got = ReadBuffered(at, input_.data(), input_.size());
  if (got < 0) return static_cast<int>(got);
  if (static_cast<size_t>(got) < input_.size()) return ecFaxBadFormat;
  consumed_ += input_.size();
  return 1;
}

long ApfPageReader::ReadBuffered(uint64_t offset, uint8_t* out, size_t length) {
  size_t done = 0;
  while (done < length) {
    const uint64_t at = offset + done;
    if (at >= readAheadStart_ && at < readAheadStart_ + readAhead_.size()) {
      const size_t from = static_cast<size_t>(at - readAheadStart_);
      const size_t n = std::min(length - done, readAhead_.size() - from);
      std::memcpy(out + done, readAhead_.data() + from, n);
      done += n;
      continue;
    }
    readAhead_.resize(std::max(kReadAhead, length - done));
    const long got = apf::ReadUpTo(fd_, at, readAhead_.data(), readAhead_.size());
    if (got < 0) {
      readAhead_.clear();
      return got;
    }
    readAhead_.resize(static_cast<size_t>(got));
    readAheadStart_ = at;
    if (got == 0) break;  // the file ends here
  }
  return static_cast<long>(done);
}

void ApfPageReader::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  readAhead_.clear();
  readAheadStart_ = 0;
  fileHeader_ = ApfFileHeader{};
  pageHeader_ = ApfPageHeader{};
  dataOffset_ = 0;
  pageNumber_ = 0;
  ResetPage();
}

void ApfPageReader::ResetPage() {
  consumed_ = 0;
  dataDone_ = false;
  error_ = ecOK;
  decoder_.Reset();
  pendingCount_ = 0;
  pendingNext_ = 0;
}

}  // namespace telvane
