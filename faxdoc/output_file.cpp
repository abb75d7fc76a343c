// Buffered output files, built aside and renamed into place.
#include "faxdoc/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>

#include "faxdoc/apf_io.h"
#include "base/error_codes.h"

namespace telvane {
namespace {

// A symbolic link is followed, so that the link stays and its target gets
// the file; also a link whose target does not exist yet (the target is made,
// as a shell's redirection makes it).
std::string FinalPath(const std::string& fileName) {
  std::filesystem::path path(fileName);
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::read_symlink(path, ec);
    if (ec) break;
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  return path.string();
}

// Files being built, for a signal handler to remove: fixed slots of plain
// characters, because a handler may only call async-signal-safe functions.
constexpr int kPartialSlots = 32;
char g_partialPaths[kPartialSlots][PATH_MAX];
std::atomic<bool> g_partialTaken[kPartialSlots];
std::atomic<bool> g_partialListed[kPartialSlots];

// Regular files and new names are built aside; devices and pipes are written directly.
bool BuildsAside(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return errno == ENOENT;
  return S_ISREG(st.st_mode);
}

int OpenNew(const std::string& finalPath, std::string& tempName) {
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

OutputFile::~OutputFile() { Abandon(); }

int OutputFile::Create(const std::string& fileName) {
  Abandon();
  if (fileName.empty()) return ecFileNotFound;
  fileName_ = fileName;
  finalPath_ = FinalPath(fileName);
  tempName_.clear();
  int fd;
  if (BuildsAside(finalPath_)) {
    fd = OpenNew(finalPath_, tempName_);
    if (fd < 0) {
      tempName_.clear();
    } else {
      // A file that is replaced keeps its permissions (a private fax stays private).
      struct stat old;
      if (::stat(finalPath_.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);
      partialSlot_ = ListPartialFile(tempName_);
    }
  } else {
    do {
      fd = ::open(finalPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
  }
  if (fd < 0) return ErrnoToCode(errno);
  fd_ = fd;
  size_ = 0;
  flushed_ = 0;
  buffer_.clear();
  buffer_.reserve(bufferSize_);
  return ecOK;
}

int OutputFile::Flush() {
  if (buffer_.empty()) return ecOK;
  const int rc = apf::WriteFully(fd_, buffer_.data(), buffer_.size());
  if (rc != ecOK) return rc;
  flushed_ += buffer_.size();
  buffer_.clear();
  return ecOK;
}

int OutputFile::Write(const void* data, size_t length) {
  if (fd_ < 0) return ecBadArgument;
  const auto* bytes = static_cast<const uint8_t*>(data);
  if (buffer_.size() + length > bufferSize_) {
    if (const int rc = Flush(); rc != ecOK) return rc;
    if (length >= bufferSize_) {
      if (const int rc = apf::WriteFully(fd_, bytes, length); rc != ecOK) return rc;
      flushed_ += length;
      size_ += length;
      return ecOK;
    }
  }
  buffer_.insert(buffer_.end(), bytes, bytes + length);
  size_ += length;
  return ecOK;
}

int OutputFile::WriteAt(uint64_t offset, const void* data, size_t length) {
  if (fd_ < 0) return ecBadArgument;
  if (offset + length > size_) return ecBadArgument;  // only what was written can be patched
  const auto* bytes = static_cast<const uint8_t*>(data);
  // The part still in the buffer is patched there, the rest in the file.
  size_t inFile = offset < flushed_ ? static_cast<size_t>(std::min<uint64_t>(length, flushed_ - offset)) : 0;
  if (inFile) {
    if (const int rc = apf::WriteFullyAt(fd_, offset, bytes, inFile); rc != ecOK) return rc;
  }
  if (inFile < length) std::memcpy(buffer_.data() + (offset + inFile - flushed_), bytes + inFile, length - inFile);
  return ecOK;
}

int OutputFile::Commit() {
  if (fd_ < 0) return ecBadArgument;
  int rc = Flush();
  const int fd = fd_;
  fd_ = -1;
  // Closing is where some file systems report a failed write.
  if (::close(fd) != 0 && rc == ecOK) rc = ErrnoToCode(errno);
  if (rc == ecOK && !tempName_.empty() && ::rename(tempName_.c_str(), finalPath_.c_str()) != 0)
    rc = ErrnoToCode(errno);
  if (rc != ecOK) {
    RemoveUnfinished();
    return rc;
  }
  UnlistPartialFile(partialSlot_);
  partialSlot_ = -1;
  tempName_.clear();
  buffer_.clear();
  buffer_.shrink_to_fit();
  return ecOK;
}

void OutputFile::Abandon() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
  RemoveUnfinished();
  buffer_.clear();
}

void OutputFile::RemoveUnfinished() {
  UnlistPartialFile(partialSlot_);
  partialSlot_ = -1;
  if (!tempName_.empty()) {
    ::unlink(tempName_.c_str());
    tempName_.clear();
    return;
  }
  // Written directly to a device: the device stays, but a link named as the
  // output goes, so that a failed run leaves nothing under the output name.
  struct stat st;
  if (::lstat(fileName_.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) ::unlink(fileName_.c_str());
}

int WriteWholeFile(const std::string& fileName, const uint8_t* data, size_t size) {
  OutputFile out;
  if (const int rc = out.Create(fileName); rc != ecOK) return rc;
  if (const int rc = out.Write(data, size); rc != ecOK) return rc;
  return out.Commit();
}

int ListPartialFile(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  for (int i = 0; i < kPartialSlots; ++i) {
    bool expected = false;
    if (!g_partialTaken[i].compare_exchange_strong(expected, true)) continue;
    std::memcpy(g_partialPaths[i], path.c_str(), path.size() + 1);
    g_partialListed[i].store(true);
    return i;
  }
  return -1;
}

void UnlistPartialFile(int slot) {
  if (slot < 0 || slot >= kPartialSlots) return;
  g_partialListed[slot].store(false);
  g_partialTaken[slot].store(false);
}

void RemovePartialFilesNow() {
  for (int i = 0; i < kPartialSlots; ++i)
    if (g_partialListed[i].load()) ::unlink(g_partialPaths[i]);
}

}  // namespace telvane
