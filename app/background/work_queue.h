// One worker thread that runs jobs one at a time, in the order they were
// queued, and reports each result on the main thread. The main window keeps
// one queue for its converter and one for its unpacker: each component then
// serves one job at a time, and a job never touches a widget (its report
// runs on the main thread).
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "comm/core/main_thread_dispatcher.h"

namespace telvane {

class WorkQueue {
 public:
  // `work` runs on the worker thread and returns 0 or a negative error code;
  // `done` gets that code on the main thread.
  using Work = std::function<int()>;
  using Done = std::function<void(int code)>;

  explicit WorkQueue(IMainThreadDispatcher& main);
  // Waits for the job that runs (call `abortRunning` first to shorten it);
  // jobs not started are dropped without their reports.
  ~WorkQueue();
  WorkQueue(const WorkQueue&) = delete;
  WorkQueue& operator=(const WorkQueue&) = delete;

  // Returns the job's number (1, 2, ...).
  int Add(Work work, Done done);
  // Jobs queued or running whose reports have not run yet.
  int Pending() const;
  // Whether job `id` has reported.
  bool Finished(int id) const;

 private:
  struct Job {
    int id;
    Work work;
    Done done;
  };
  void Run();

  IMainThreadDispatcher& main_;
  mutable std::mutex lock_;
  std::condition_variable wake_;
  std::deque<Job> jobs_;
  int nextId_ = 1;
  int pending_ = 0;
  int lastReported_ = 0;  // jobs report in order
  bool stopping_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  std::thread worker_;
};

}  // namespace telvane
