// Writes APF files through a 4096-byte buffer; any failure removes the file.
#include "apf_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "apf_io.h"
#include "error_codes.h"
#include "t4_encoder.h"

namespace telvane {
namespace {

constexpr size_t kWriteBufferSize = 4096;

// Where a regular output file is really written: a symbolic link is followed,
// so that the link stays and its target gets the new file.
std::string FinalPath(const std::string& fileName) {
  struct stat st;
  if (::lstat(fileName.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    std::error_code ec;
    auto resolved = std::filesystem::weakly_canonical(fileName, ec);
    if (!ec) return resolved.string();
  }
  return fileName;
}

// Regular files (and names that do not exist yet) are built under a temporary
// name and renamed into place when finished, so that a conversion that fails
// leaves an earlier file of the same name as it was. Devices and pipes are
// written directly.
bool BuildsAside(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return errno == ENOENT;
  return S_ISREG(st.st_mode);
}

int OpenTemporary(const std::string& finalPath, std::string& tempName) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempName = finalPath + ".part" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    int fd;
    do {
      fd = ::open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

}  // namespace

ApfWriter::~ApfWriter() {
  if (IsOpen()) Abandon();
}

int ApfWriter::Create(const std::string& fileName) {
  if (IsOpen()) Abandon();
  if (fileName.empty()) return ecFileNotFound;
  header_ = ApfFileHeader{};
  header_.Signature = kApfSignature;
  header_.PageCount = 0;
  header_.FirstPageOffset = kApfFileHeaderSize;
  page_ = ApfPageHeader{};
  pageOpen_ = false;
  filePos_ = 0;
  buffer_.clear();
  buffer_.reserve(kWriteBufferSize);
  fileName_ = fileName;
  finalPath_ = FinalPath(fileName);
  tempName_.clear();
  if (BuildsAside(finalPath_)) {
    fd_ = OpenTemporary(finalPath_, tempName_);
    if (fd_ < 0) tempName_.clear();
  } else {
    do {
      fd_ = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    } while (fd_ < 0 && errno == EINTR);
  }
  if (fd_ < 0) return ErrnoToCode(errno);
  const auto bytes = header_.Pack();
  return Write(bytes.data(), bytes.size());
}

int ApfWriter::BeginPage(bool highRes, bool wide) {
  if (!IsOpen()) return ecNotOpen;
  if (pageOpen_) return Fail(ecBadArgument);
  page_ = ApfPageHeader{};
  page_.PageFlags = pfLineRecords;
  if (highRes) page_.PageFlags |= pfHighRes;
  if (wide) page_.PageFlags |= pfWide;
  pageHeaderPos_ = filePos_;
  pageOpen_ = true;
  const auto bytes = page_.Pack();
  return Write(bytes.data(), bytes.size());
}

int ApfWriter::AddLine(const uint8_t* coded, size_t length) {
  if (!IsOpen()) return ecNotOpen;
  if (!pageOpen_ || length > kCodedLineMax) return Fail(ecBadArgument);
  const uint8_t count[2] = {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8)};
  if (const int rc = Write(count, sizeof count); rc != ecOK) return rc;
  if (const int rc = Write(coded, length); rc != ecOK) return rc;
  page_.DataLength += static_cast<uint32_t>(sizeof count + length);
  return ecOK;
}

int ApfWriter::EndPage() {
  if (!IsOpen()) return ecNotOpen;
  if (!pageOpen_) return Fail(ecBadArgument);
  // The end-of-page record is framed and counted like any other line.
  if (const int rc = AddLine(kEndOfPageRecord, sizeof kEndOfPageRecord); rc != ecOK) return rc;
  ++header_.PageCount;
  pageOpen_ = false;
  if (const int rc = Flush(); rc != ecOK) return rc;
  const auto bytes = page_.Pack();
  return WriteAt(pageHeaderPos_, bytes.data(), bytes.size());
}

int ApfWriter::Finish(const std::string& stationId, std::time_t now) {
  if (!IsOpen()) return ecNotOpen;
  if (pageOpen_) {
    if (const int rc = EndPage(); rc != ecOK) return rc;
  }
  header_.SetStationId(stationId);
  std::tm local{};
  if (!::localtime_r(&now, &local)) return Fail(ErrnoToCode(errno ? errno : EOVERFLOW));
  header_.CreatedAt = PackDosDateTime(local);
  if (const int rc = Flush(); rc != ecOK) return rc;
  const auto bytes = header_.Pack();
  if (const int rc = WriteAt(0, bytes.data(), bytes.size()); rc != ecOK) return rc;
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) {
    // Closing is where some file systems report a failed write.
    const int rc = ErrnoToCode(errno);
    RemoveOutput();
    return rc;
  }
  if (!tempName_.empty()) {
    if (::rename(tempName_.c_str(), finalPath_.c_str()) != 0) {
      const int rc = ErrnoToCode(errno);
      RemoveOutput();
      return rc;
    }
    tempName_.clear();
  }
  return ecOK;
}

void ApfWriter::Abandon() {
  if (fd_ < 0) return;  // nothing open: a finished file is kept
  ::close(fd_);
  fd_ = -1;
  RemoveOutput();
}

void ApfWriter::RemoveOutput() {
  pageOpen_ = false;
  buffer_.clear();
  if (!tempName_.empty()) {
    ::unlink(tempName_.c_str());
    tempName_.clear();
    return;
  }
  // Remove what was written, but never a device or other special file the
  // output was sent to.
  struct stat st;
  if (::lstat(fileName_.c_str(), &st) == 0 && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))) {
    ::unlink(fileName_.c_str());
  }
}

int ApfWriter::Write(const void* data, size_t length) {
  const auto* p = static_cast<const uint8_t*>(data);
  filePos_ += length;
  if (length > kWriteBufferSize - buffer_.size()) {
    // Larger than the free space: flush, write whole blocks directly, and
    // keep the rest in the buffer.
    if (const int rc = Flush(); rc != ecOK) return rc;
    const size_t direct = length - length % kWriteBufferSize;
    if (direct > 0) {
      if (const int rc = apf::WriteFully(fd_, p, direct); rc != ecOK) return Fail(rc);
      p += direct;
      length -= direct;
    }
  }
  buffer_.insert(buffer_.end(), p, p + length);
  return ecOK;
}

int ApfWriter::Flush() {
  if (buffer_.empty()) return ecOK;
  const int rc = apf::WriteFully(fd_, buffer_.data(), buffer_.size());
  buffer_.clear();
  return rc == ecOK ? ecOK : Fail(rc);
}

int ApfWriter::WriteAt(uint64_t offset, const void* data, size_t length) {
  const int rc = apf::WriteFullyAt(fd_, offset, data, length);
  return rc == ecOK ? ecOK : Fail(rc);
}

int ApfWriter::Fail(int code) {
  Abandon();
  return code;
}

}  // namespace telvane
