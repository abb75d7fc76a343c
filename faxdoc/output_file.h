// Output file of the image writers: buffered writes, headers patched in
// place, and the file built under a temporary name beside the target and
// renamed over it only when complete, so that a failed unpack leaves neither
// a partial image nor a damaged earlier file of the same name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace telvane {

class ImageOutputFile {
 public:
  ImageOutputFile() = default;
  ImageOutputFile(const ImageOutputFile&) = delete;
  ImageOutputFile& operator=(const ImageOutputFile&) = delete;
  ~ImageOutputFile();  // abandons a file that was not committed

  // 0, -2 for an empty name, or a negated file error.
  int Create(const std::string& fileName);
  // Appends at the end of what was written so far.
  int Write(const void* data, size_t length);
  // Overwrites bytes already written (a header being completed).
  int WriteAt(uint64_t offset, const void* data, size_t length);
  // Bytes written so far.
  uint64_t Size() const { return size_; }
  // Flushes, closes and puts the file in place. On failure the file is removed.
  int Commit();
  // Closes and removes the file; an earlier file of the same name stays.
  void Abandon();

 private:
  int Flush();

  int fd_ = -1;
  std::string finalPath_;
  std::string tempName_;  // empty when writing straight to a device or pipe
  uint64_t size_ = 0;
  uint64_t flushed_ = 0;  // bytes of size_ already in the file
  std::vector<uint8_t> buffer_;
};

}  // namespace telvane
