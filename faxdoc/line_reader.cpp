#include "faxdoc/line_reader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/error_codes.h"

namespace telvane {

TLineReader::TLineReader(int fd, LineEnd lineEnd) : fd_(fd), lineEnd_(lineEnd), buffer_(kBlockSize) {
  struct stat st {};
  if (fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) fileSize_ = static_cast<uint64_t>(st.st_size);
}

TLineReader::~TLineReader() {
  if (fd_ >= 0) close(fd_);
}

void TLineReader::ReadBlock() {
  pos_ = 0;
  length_ = 0;
  ssize_t got;
  do {
    got = read(fd_, buffer_.data(), kBlockSize);
  } while (got < 0 && errno == EINTR);
  if (got < 0) {
    error_ = ErrnoToCode(errno);
    eof_ = true;
    return;
  }
  if (got == 0) {
    eof_ = true;
    return;
  }
  bytesRead_ += static_cast<uint64_t>(got);
  length_ = TextOfBlock(buffer_.data(), static_cast<size_t>(got));
}

size_t TLineReader::TextOfBlock(const char* block, size_t length) {
  if (length > 0 && block[length - 1] == 26) --length;
  const char* nul = static_cast<const char*>(std::memchr(block, 0, length));
  return nul ? static_cast<size_t>(nul - block) : length;
}

bool TLineReader::Available() {
  while (pos_ >= length_) {
    if (eof_) return false;
    ReadBlock();
  }
  return true;
}

bool TLineReader::Eof() { return !Available(); }

void TLineReader::Skip(size_t count) {
  while (count > 0 && Available()) {
    const size_t n = std::min(count, length_ - pos_);
    pos_ += n;
    count -= n;
  }
}

std::string TLineReader::ReadLine() {
  const char endChar = lineEnd_ == LineEnd::Lf ? '\n' : '\r';
  std::string line;
  while (Available()) {
    const char* start = buffer_.data() + pos_;
    const char* end = buffer_.data() + length_;
    const char* found = std::find(start, end, endChar);
    line.append(start, found);
    pos_ += static_cast<size_t>(found - start);
    if (found == end) continue;
    ++pos_;  // the line end
    if (lineEnd_ == LineEnd::Cr) {
      if (Available() && buffer_[pos_] == '\n') ++pos_;
    } else if (!line.empty() && line.back() == '\r') {
      line.pop_back();  // CR LF in a file whose first line ended in LF alone
    }
    break;
  }
  return line;
}

}  // namespace telvane
