// POSIX file access for the image readers and writers.
#include "image_file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <new>

#include "error_codes.h"

namespace telvane {
namespace {

int OpenRead(const std::string& fileName) {
  int fd;
  do {
    fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Reads up to `length` bytes at `offset`: the count, or a negated file error.
long ReadAt(int fd, uint64_t offset, uint8_t* data, size_t length) {
  size_t done = 0;
  while (done < length) {
    const ssize_t n = ::pread(fd, data + done, length - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return ErrnoToCode(errno);
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<long>(done);
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
    const long n = ReadAt(fd, 0, data.data(), data.size());
    if (n < 0)
      rc = static_cast<int>(n);
    else
      data.resize(static_cast<size_t>(n));  // the file shrank while being read
  }
  ::close(fd);
  return rc;
}

int WriteFileAside(const std::string& fileName, const uint8_t* data, size_t size) {
  if (fileName.empty()) return ecFileNotFound;
  static std::atomic<unsigned> counter{0};
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = fileName + ".part" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    do {
      fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return ErrnoToCode(errno);
  int rc = 0;
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      rc = ErrnoToCode(errno);
      break;
    }
    if (n == 0) {
      rc = ecShortWrite;
      break;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  // Closing is where some file systems report a failed write.
  if (::close(fd) != 0 && rc == 0) rc = ErrnoToCode(errno);
  if (rc == 0 && ::rename(temp.c_str(), fileName.c_str()) != 0) rc = ErrnoToCode(errno);
  if (rc != 0) ::unlink(temp.c_str());
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
  const long n = ReadAt(fd_, bufferStart_, buffer_.data(), buffer_.size());
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
