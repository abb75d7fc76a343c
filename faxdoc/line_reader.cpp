#include "faxdoc/line_reader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/error_codes.h"

namespace telvane {

TLineReader::TLineReader(int fd) : fd_(fd), buffer_(kBlockSize) {
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
  length_ = static_cast<size_t>(got);
  // DOS text ends with Ctrl-Z; a NUL ends the text of its block.
  if (buffer_[length_ - 1] == 26) --length_;
  const char* nul = static_cast<const char*>(std::memchr(buffer_.data(), 0, length_));
  if (nul) length_ = static_cast<size_t>(nul - buffer_.data());
}

bool TLineReader::Available() {
  while (pos_ >= length_) {
    if (eof_) return false;
    ReadBlock();
  }
  return true;
}

bool TLineReader::Eof() { return !Available(); }

std::string TLineReader::ReadLine() {
  std::string line;
  while (Available()) {
    const char* start = buffer_.data() + pos_;
    const char* end = buffer_.data() + length_;
    const char* cr = std::find(start, end, '\r');
    line.append(start, cr);
    pos_ += static_cast<size_t>(cr - start);
    if (cr == end) continue;
    ++pos_;  // the carriage return
    if (Available() && buffer_[pos_] == '\n') ++pos_;
    break;
  }
  return line;
}

}  // namespace telvane
