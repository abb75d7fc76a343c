// Send over Post: a shared record lets the waiting thread and the main thread
// agree on whether the function still runs.
#include "comm/core/main_thread_dispatcher.h"

#include <chrono>

namespace telvane {

struct PendingSend {
  std::mutex lock;
  std::condition_variable changed;
  bool started = false;
  bool done = false;
  bool abandoned = false;
};

void SendCancel::Cancel() {
  std::shared_ptr<PendingSend> state;
  {
    std::lock_guard guard(lock_);
    cancelled_ = true;
    state = waiting_.lock();
  }
  if (state) {
    std::lock_guard guard(state->lock);
    state->changed.notify_all();
  }
}

void SendCancel::Reset() {
  std::lock_guard guard(lock_);
  cancelled_ = false;
}

bool SendCancel::Cancelled() const {
  std::lock_guard guard(lock_);
  return cancelled_;
}

bool IMainThreadDispatcher::Send(std::function<void()> fn, int timeoutMs, SendCancel* cancel) {
  if (IsMainThread()) {
    fn();
    return true;
  }
  auto state = std::make_shared<PendingSend>();
  if (cancel) {
    std::lock_guard guard(cancel->lock_);
    if (cancel->cancelled_) return false;
    cancel->waiting_ = state;
  }
  Post([state, fn = std::move(fn)] {
    {
      std::lock_guard guard(state->lock);
      if (state->abandoned) return;
      state->started = true;
    }
    fn();
    std::lock_guard guard(state->lock);
    state->done = true;
    state->changed.notify_all();
  });

  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::unique_lock guard(state->lock);
  for (;;) {
    if (state->done) break;
    bool cancelled = cancel && cancel->Cancelled();
    bool timedOut = timeoutMs >= 0 && std::chrono::steady_clock::now() >= deadline;
    if (!state->started && (cancelled || timedOut)) {
      state->abandoned = true;
      break;
    }
    if (timeoutMs >= 0 && !state->started)
      state->changed.wait_until(guard, deadline);
    else
      state->changed.wait(guard);
  }
  bool ran = state->done;
  guard.unlock();
  if (cancel) {
    std::lock_guard g(cancel->lock_);
    cancel->waiting_.reset();
  }
  return ran;
}

}  // namespace telvane
