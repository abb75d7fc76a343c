// A byte ring with a head (next write), a tail (next read) and a full flag
// that tells a full ring from an empty one when head and tail meet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace telvane {

class RingBuffer {
 public:
  explicit RingBuffer(std::size_t capacity = 0);

  std::size_t Capacity() const { return buf_.size(); }
  std::size_t Used() const;
  std::size_t Free() const { return Capacity() - Used(); }
  bool Empty() const { return Used() == 0; }
  bool Full() const { return full_; }

  // Appends up to n bytes, as many as fit; returns how many were taken.
  std::size_t Put(const std::uint8_t* data, std::size_t n);
  // Copies up to n bytes starting `offset` bytes after the tail, without
  // removing them; returns how many were copied.
  std::size_t Peek(std::size_t offset, std::uint8_t* out, std::size_t n) const;
  // Removes up to n bytes from the tail. An emptied ring restarts at 0, which
  // keeps the waiting bytes in one run as often as possible.
  void Discard(std::size_t n);
  // Length of the run of waiting bytes that starts at the tail without wrapping.
  std::size_t ContiguousUsed() const;
  const std::uint8_t* TailPtr() const { return buf_.data() + tail_; }
  void Clear();
  // Empties the ring and gives it a new capacity.
  void Reset(std::size_t capacity);

 private:
  std::vector<std::uint8_t> buf_;
  std::size_t head_ = 0;
  std::size_t tail_ = 0;
  bool full_ = false;
};

}  // namespace telvane
