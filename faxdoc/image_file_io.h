// File access shared by the image readers: whole-file reads and a
// sequential reader with an 8192-byte buffer for the converter's image inputs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace telvane {

// Reads a whole file: 0, -2 for an empty name, -8002 when it is larger than
// `maxSize`, -8 when the memory cannot be had, or a negated file error.
int ReadWholeFile(const std::string& fileName, std::vector<uint8_t>& data, uint64_t maxSize);

// Sequential reading of an image file through an 8192-byte buffer, with
// seeking. Reads past the end of the file are reported as -8002: an image
// whose data stops early is malformed.
class ImageFileReader {
 public:
  static constexpr size_t kBufferSize = 8192;

  ImageFileReader() = default;
  ImageFileReader(const ImageFileReader&) = delete;
  ImageFileReader& operator=(const ImageFileReader&) = delete;
  ~ImageFileReader() { Close(); }

  // 0, -2 for an empty name, or a negated file error.
  int Open(const std::string& fileName);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

  uint64_t Size() const { return size_; }
  uint64_t Position() const { return bufferStart_ + pos_; }
  // Moves to `offset`; -8002 beyond the end of the file.
  int Seek(uint64_t offset);

  // Reads exactly `length` bytes: 0, -8002 at the end of the file, or a file error.
  int Read(void* data, size_t length);

  // Reads one byte: 0, -8002 at the end of the file, or a file error.
  int ReadByte(uint8_t& byte) {
    if (pos_ < filled_) {
      byte = buffer_[pos_++];
      return 0;
    }
    return ReadByteSlow(byte);
  }

 private:
  int Fill();
  int ReadByteSlow(uint8_t& byte);

  int fd_ = -1;
  uint64_t size_ = 0;
  uint64_t bufferStart_ = 0;  // file offset of buffer_[0]
  size_t pos_ = 0;
  size_t filled_ = 0;
  std::vector<uint8_t> buffer_;
};

}  // namespace telvane
