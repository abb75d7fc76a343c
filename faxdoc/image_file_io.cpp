// POSIX file access for the image readers.
#include "faxdoc/image_file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "faxdoc/apf_io.h"
#include "base/error_codes.h"

namespace telvane {
namespace {

int OpenRead(const std::string& fileName) {
  int fd;
  do {
    fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

int FileSize(int fd, uint64_t& size) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return ErrnoToCode(errno);
  // Only regular files have a size to trust; a directory opens but cannot be read.
  if (S_ISDIR(st.st_mode)) return ErrnoToCode(EISDIR);
  size = static_cast<uint64_t>(st.st_size);
  return 0;
}

}  // namespace

int ReadWholeFile(const std::string& fileName, std::vector<uint8_t>& data, uint64_t maxSize) {
  if (fileName.empty()) return ecFileNotFound;
  const int fd = OpenRead(fileName);
  if (fd < 0) return ErrnoToCode(errno);
  uint64_t size = 0;
  int rc = FileSize(fd, size);
  if (rc == 0 && size > maxSize) rc = ecBadGraphicsFormat;
  if (rc == 0) {
    try {
      data.assign(static_cast<size_t>(size), 0);
    } catch (const std::bad_alloc&) {
      rc = ecOutOfMemory;
    }
  }
  if (rc == 0) {
    const long n = apf::ReadUpTo(fd, 0, data.data(), data.size());
    if (n < 0)
      rc = static_cast<int>(n);
    else
      data.resize(static_cast<size_t>(n));  // the file shrank while being read
  }
  ::close(fd);
  return rc;
}

int ImageFileReader::Open(const std::string& fileName) {
  Close();
  if (fileName.empty()) return ecFileNotFound;
  fd_ = OpenRead(fileName);
  if (fd_ < 0) return ErrnoToCode(errno);
  if (int rc = FileSize(fd_, size_)) {
    Close();
    return rc;
  }
  buffer_.resize(kBufferSize);
  bufferStart_ = 0;
  pos_ = filled_ = 0;
  return 0;
}

void ImageFileReader::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  size_ = 0;
  bufferStart_ = 0;
  pos_ = filled_ = 0;
}

int ImageFileReader::Seek(uint64_t offset) {
  if (offset > size_) return ecBadGraphicsFormat;
  if (offset >= bufferStart_ && offset <= bufferStart_ + filled_) {
    pos_ = static_cast<size_t>(offset - bufferStart_);
  } else {
    bufferStart_ = offset;
    pos_ = filled_ = 0;
  }
  return 0;
}

int ImageFileReader::Fill() {
  bufferStart_ += pos_;
  pos_ = filled_ = 0;
  if (fd_ < 0) return ecBadGraphicsFormat;
  const long n = apf::ReadUpTo(fd_, bufferStart_, buffer_.data(), buffer_.size());
  if (n < 0) return static_cast<int>(n);
  filled_ = static_cast<size_t>(n);
  return 0;
}

int ImageFileReader::ReadByteSlow(uint8_t& byte) {
  if (int rc = Fill()) return rc;
  if (filled_ == 0) return ecBadGraphicsFormat;
  byte = buffer_[pos_++];
  return 0;
}

int ImageFileReader::Read(void* data, size_t length) {
  auto* out = static_cast<uint8_t*>(data);
  while (length > 0) {
    if (pos_ == filled_) {
      if (int rc = Fill()) return rc;
      if (filled_ == 0) return ecBadGraphicsFormat;
    }
    const size_t n = std::min(length, filled_ - pos_);
    std::memcpy(out, buffer_.data() + pos_, n);
    pos_ += n;
    out += n;
    length -= n;
  }
  return 0;
}

}  // namespace telvane
