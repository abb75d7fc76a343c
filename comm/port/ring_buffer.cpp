// Byte ring buffer.
#include "comm/port/ring_buffer.h"

#include <algorithm>
#include <cstring>

namespace telvane {

RingBuffer::RingBuffer(std::size_t capacity) : buf_(capacity) {}

std::size_t RingBuffer::Used() const {
  if (full_) return buf_.size();
  return head_ >= tail_ ? head_ - tail_ : buf_.size() - tail_ + head_;
}

std::size_t RingBuffer::Put(const std::uint8_t* data, std::size_t n) {
  n = std::min(n, Free());
  std::size_t done = 0;
  while (done < n) {
    std::size_t run = std::min(n - done, buf_.size() - head_);
    std::memcpy(buf_.data() + head_, data + done, run);
    head_ = (head_ + run) % buf_.size();
    done += run;
  }
  if (n > 0 && head_ == tail_) full_ = true;
  return n;
}

std::size_t RingBuffer::Peek(std::size_t offset, std::uint8_t* out, std::size_t n) const {
  std::size_t used = Used();
  if (offset >= used) return 0;
  n = std::min(n, used - offset);
  std::size_t pos = (tail_ + offset) % buf_.size();
  std::size_t done = 0;
  while (done < n) {
    std::size_t run = std::min(n - done, buf_.size() - pos);
    std::memcpy(out + done, buf_.data() + pos, run);
    pos = (pos + run) % buf_.size();
    done += run;
  }
  return n;
}

void RingBuffer::Discard(std::size_t n) {
  n = std::min(n, Used());
  if (n == 0) return;
  tail_ = (tail_ + n) % buf_.size();
  full_ = false;
  if (tail_ == head_) head_ = tail_ = 0;
}

std::size_t RingBuffer::ContiguousUsed() const {
  if (Empty()) return 0;
  return head_ > tail_ ? head_ - tail_ : buf_.size() - tail_;
}

void RingBuffer::Clear() {
  head_ = tail_ = 0;
  full_ = false;
}

void RingBuffer::Reset(std::size_t capacity) {
  buf_.assign(capacity, 0);
  Clear();
}

}  // namespace telvane
