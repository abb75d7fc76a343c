#include "app/background/work_queue.h"

namespace telvane {

WorkQueue::WorkQueue(IMainThreadDispatcher& main) : main_(main), worker_([this] { Run(); }) {}

WorkQueue::~WorkQueue() {
  {
    std::lock_guard guard(lock_);
    stopping_ = true;
    jobs_.clear();
    *alive_ = false;
  }
  wake_.notify_all();
  worker_.join();
}

int WorkQueue::Add(Work work, Done done) {
  std::lock_guard guard(lock_);
  const int id = nextId_++;
  jobs_.push_back({id, std::move(work), std::move(done)});
  ++pending_;
  wake_.notify_all();
  return id;
}

int WorkQueue::Pending() const {
  std::lock_guard guard(lock_);
  return pending_;
}

bool WorkQueue::Finished(int id) const {
  std::lock_guard guard(lock_);
  return id <= lastReported_;
}

void WorkQueue::Run() {
  for (;;) {
    Job job;
    {
      std::unique_lock guard(lock_);
      wake_.wait(guard, [this] { return stopping_ || !jobs_.empty(); });
      if (stopping_) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    const int code = job.work();
    std::weak_ptr<bool> alive = alive_;
    main_.Post([this, alive, id = job.id, done = std::move(job.done), code] {
      if (alive.expired()) return;
      {
        std::lock_guard guard(lock_);
        --pending_;
        lastReported_ = id;
      }
      if (done) done(code);
    });
  }
}

}  // namespace telvane
