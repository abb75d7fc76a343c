// Reads text lines from a file in 4096-byte blocks. A carriage return ends a
// line and swallows a line feed right after it; a lone line feed is text.
// Files with LF line ends (as on Linux) are read with the LF as the line end
// instead, a CR right before it belonging to the line end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "faxdoc/text_encoding.h"

namespace telvane {

class TLineReader {
 public:
  static constexpr size_t kBlockSize = 4096;

  // Takes ownership of the open file descriptor.
  explicit TLineReader(int fd, LineEnd lineEnd = LineEnd::Cr);
  ~TLineReader();
  TLineReader(const TLineReader&) = delete;
  TLineReader& operator=(const TLineReader&) = delete;

  // The next line without its line end; at the end of the file, what is left.
  std::string ReadLine();
  // True when no more text can come (looks ahead one block when needed).
  bool Eof();
  // Passes over `count` bytes of text (a byte-order mark before the first line).
  void Skip(size_t count);
  // The first read error (negated errno), 0 when none.
  int Error() const { return error_; }

  uint64_t BytesRead() const { return bytesRead_; }
  uint64_t FileSize() const { return fileSize_; }

  // How much of a block just read is text: a Ctrl-Z as its last byte (the end
  // of DOS text) and everything from a NUL on are not.
  static size_t TextOfBlock(const char* block, size_t length);

 private:
  // Makes at least one byte available unless the file has ended.
  bool Available();
  void ReadBlock();

  int fd_;
  LineEnd lineEnd_;
  std::vector<char> buffer_;
  size_t pos_ = 0;
  size_t length_ = 0;
  bool eof_ = false;
  int error_ = 0;
  uint64_t bytesRead_ = 0;
  uint64_t fileSize_ = 0;
};

}  // namespace telvane
