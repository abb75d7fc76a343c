// Runs work on the program's main thread: the seam between the comm threads
// and whatever loop the main thread runs (the GUI's event loop, or
// LoopDispatcher for the command-line tool and tests).
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace telvane {

struct PendingSend;

// Lets the thread that closes a port stop a dispatch thread from waiting in
// Send: a function that has not started yet then never runs, so a closing
// port is not held up by a main thread that is busy closing it.
class SendCancel {
 public:
  void Cancel();
  void Reset();
  bool Cancelled() const;

 private:
  friend class IMainThreadDispatcher;
  mutable std::mutex lock_;
  bool cancelled_ = false;
  std::weak_ptr<PendingSend> waiting_;
};

class IMainThreadDispatcher {
 public:
  virtual ~IMainThreadDispatcher() = default;

  // Queues fn to run on the main thread. Functions run in the order posted.
  virtual void Post(std::function<void()> fn) = 0;

  // True when called on the main thread.
  virtual bool IsMainThread() const = 0;

  // Runs fn on the main thread and waits for it up to timeoutMs (negative:
  // without limit). Returns whether fn ran. On the main thread fn runs at once.
  // A function that has not started when the wait ends (time-out or cancel)
  // is dropped; one that has started is always waited for.
  bool Send(std::function<void()> fn, int timeoutMs, SendCancel* cancel = nullptr);
};

}  // namespace telvane
