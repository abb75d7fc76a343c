// The queue and loop of LoopDispatcher.
#include "comm/core/loop_dispatcher.h"

#include <algorithm>
#include <chrono>

namespace telvane {

LoopDispatcher::LoopDispatcher() : mainThread_(std::this_thread::get_id()) {}

void LoopDispatcher::Post(std::function<void()> fn) {
  std::lock_guard guard(lock_);
  queue_.push_back(std::move(fn));
  queued_.notify_all();
}

bool LoopDispatcher::IsMainThread() const { return std::this_thread::get_id() == mainThread_; }

int LoopDispatcher::RunPending() {
  std::deque<std::function<void()>> batch;
  {
    std::lock_guard guard(lock_);
    batch.swap(queue_);
  }
  int ran = 0;
  for (auto& fn : batch) {
    fn();
    ++ran;
  }
  return ran;
}

bool LoopDispatcher::RunUntil(const std::function<bool()>& pred, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    RunPending();
    if (pred()) return true;
    // Conditions set by other threads without posting are looked at again
    // every 10 ms.
    auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return pred();
    std::unique_lock guard(lock_);
    if (queue_.empty())
      queued_.wait_until(guard, std::min(deadline, now + std::chrono::milliseconds(10)));
  }
}

void LoopDispatcher::Run() {
  for (;;) {
    RunPending();
    std::unique_lock guard(lock_);
    queued_.wait(guard, [this] { return quit_ || !queue_.empty(); });
    if (quit_) {
      quit_ = false;
      return;
    }
  }
}

void LoopDispatcher::Quit() {
  std::lock_guard guard(lock_);
  quit_ = true;
  queued_.notify_all();
}

bool LoopDispatcher::Quitting() const {
  std::lock_guard guard(lock_);
  return quit_;
}

}  // namespace telvane
