// A main-thread dispatcher with its own loop, for the command-line tool and
// for tests: the thread that creates it is the main thread and runs the
// queued functions when it calls one of the Run functions.
#pragma once

#include <deque>
#include <thread>

#include "comm/core/main_thread_dispatcher.h"

namespace telvane {

class LoopDispatcher : public IMainThreadDispatcher {
 public:
  LoopDispatcher();

  void Post(std::function<void()> fn) override;
  bool IsMainThread() const override;

  // Runs what is queued now; returns how many functions ran.
  int RunPending();
  // Runs queued functions until pred() holds or timeoutMs passes; returns pred().
  bool RunUntil(const std::function<bool()>& pred, int timeoutMs);
  // Runs queued functions until Quit() is called.
  void Run();
  void Quit();
  bool Quitting() const;

 private:
  std::thread::id mainThread_;
  mutable std::mutex lock_;
  std::condition_variable queued_;
  std::deque<std::function<void()>> queue_;
  bool quit_ = false;
};

}  // namespace telvane
