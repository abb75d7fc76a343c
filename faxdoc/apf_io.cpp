// POSIX file access for APF files, with errno mapped to the program's codes.
#include "faxdoc/apf_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "base/error_codes.h"

namespace telvane::apf {

int OpenForReading(const std::string& fileName) {
  if (fileName.empty()) return ecFileNotFound;
  int fd;
  do {
    fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd >= 0 ? fd : ErrnoToCode(errno);
}

long ReadUpTo(int fd, uint64_t offset, void* data, size_t length) {
  auto* p = static_cast<uint8_t*>(data);
  size_t done = 0;
  while (done < length) {
    const ssize_t n = ::pread(fd, p + done, length - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return ErrnoToCode(errno);
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<long>(done);
}

int ReadExactly(int fd, uint64_t offset, void* data, size_t length) {
  const long n = ReadUpTo(fd, offset, data, length);
  if (n < 0) return static_cast<int>(n);
  return static_cast<size_t>(n) == length ? ecOK : ecReadBeyondEof;
}

int WriteFully(int fd, const void* data, size_t length) {
  const auto* p = static_cast<const uint8_t*>(data);
  while (length > 0) {
    const ssize_t n = ::write(fd, p, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      return ErrnoToCode(errno);
    }
    if (n == 0) return ecShortWrite;
    p += n;
    length -= static_cast<size_t>(n);
  }
  return ecOK;
}

int WriteFullyAt(int fd, uint64_t offset, const void* data, size_t length) {
  const auto* p = static_cast<const uint8_t*>(data);
  while (length > 0) {
    const ssize_t n = ::pwrite(fd, p, length, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return ErrnoToCode(errno);
    }
    if (n == 0) return ecShortWrite;
    p += n;
    offset += static_cast<uint64_t>(n);
    length -= static_cast<size_t>(n);
  }
  return ecOK;
}

int ReadFileHeader(int fd, ApfFileHeader& header) {
  uint8_t bytes[kApfFileHeaderSize];
  if (const int rc = ReadExactly(fd, 0, bytes, sizeof bytes); rc != ecOK) return rc;
  const ApfFileHeader read = ApfFileHeader::Unpack(bytes);
  if (!read.HasSignature()) return ecFaxBadFormat;
  header = read;
  return ecOK;
}

int FindPage(int fd, const ApfFileHeader& header, unsigned pageNumber, ApfPageHeader& page, uint64_t& dataOffset) {
  // Pages are found only through the chain: page n+1's header stands right
  // after page n's data.
  uint64_t offset = header.FirstPageOffset;
  for (unsigned n = 1;; ++n) {
    uint8_t bytes[kApfPageHeaderSize];
    if (const int rc = ReadExactly(fd, offset, bytes, sizeof bytes); rc != ecOK) return rc;
    const ApfPageHeader read = ApfPageHeader::Unpack(bytes);
    if (n >= pageNumber) {
      page = read;
      dataOffset = offset + kApfPageHeaderSize;
      return ecOK;
    }
    offset += kApfPageHeaderSize + read.DataLength;
  }
}

}  // namespace telvane::apf
