// Output files of the converter and the image writers: buffered writes,
// headers patched in place, and a regular file built under a temporary name
// beside the target and renamed over it only when complete, so that a failed
// conversion or unpack leaves neither a partial file nor a damaged earlier
// file of the same name. A file that is replaced keeps its permissions. A
// symbolic link is followed, also one whose target does not exist yet (the
// link stays and its target gets the new file); devices and pipes are
// written directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace telvane {

class OutputFile {
 public:
  explicit OutputFile(size_t bufferSize = 64 * 1024) : bufferSize_(bufferSize) {}
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();  // abandons a file that was not committed

  // 0, -2 for an empty name, or a negated file error. A file still open from
  // an earlier Create is abandoned first.
  int Create(const std::string& fileName);
  bool IsOpen() const { return fd_ >= 0; }
  // Appends at the end of what was written so far.
  int Write(const void* data, size_t length);
  // Overwrites bytes already written (a header being completed).
  int WriteAt(uint64_t offset, const void* data, size_t length);
  // Bytes written so far.
  uint64_t Size() const { return size_; }
  // Flushes, closes and puts the file in place. On failure the file is removed.
  int Commit();
  // Closes and removes the file being built; an earlier file of the same name
  // stays, and a device written directly is left alone.
  void Abandon();
  // Writes what the buffer holds, so that a full disk shows now.
  int Flush();

 private:
  void RemoveUnfinished();

  size_t bufferSize_;
  int fd_ = -1;
  std::string fileName_;   // as given
  std::string finalPath_;  // with a symbolic link followed
  std::string tempName_;  // empty when writing straight to a device or pipe
  uint64_t size_ = 0;
  uint64_t flushed_ = 0;  // bytes of size_ already in the file
  std::vector<uint8_t> buffer_;
  int partialSlot_ = -1;  // in the list of partial files
};

// Files being built (the temporary names above, a program's own temporary
// inputs) are listed, so that a program ended by a signal can remove them.
// Returns the slot, or -1 when the list is full (the file is then not removed).
int ListPartialFile(const std::string& path);
void UnlistPartialFile(int slot);
// Removes every listed file. Async-signal-safe: for signal handlers.
void RemovePartialFilesNow();

// Writes `data` as a complete new file `fileName` through an OutputFile.
int WriteWholeFile(const std::string& fileName, const uint8_t* data, size_t size);

}  // namespace telvane
