// A copy of the bytes a port receives, for a watcher such as the program's
// modem terminal. The dispatch thread feeds it as the bytes arrive, before
// anyone reads them from the input buffer, so the watcher sees the modem's
// replies while the fax engine consumes them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>

namespace telvane {

class ReceiveTap {
 public:
  using Watcher = std::function<void(const std::uint8_t* data, std::size_t n)>;

  // Replaces the watcher (an empty one stops the copies). Once Set returns,
  // the old watcher is not called any more.
  void Set(Watcher watcher) {
    std::lock_guard guard(lock_);
    watcher_ = std::move(watcher);
  }
  void Feed(const std::uint8_t* data, std::size_t n) {
    std::lock_guard guard(lock_);
    if (watcher_ && n > 0) watcher_(data, n);
  }

 private:
  std::mutex lock_;
  Watcher watcher_;
};

}  // namespace telvane
