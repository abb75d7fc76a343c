// The receivers of one port's trigger messages: object methods, plain
// procedures and windows (functions run on the main thread).
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "comm/core/main_thread_dispatcher.h"
#include "comm/port/trigger_types.h"

namespace telvane {

struct Receiver {
  enum Kind { kMethod, kProc, kWindow };
  int id = 0;
  Kind kind = kProc;
  TriggerReceiver fn;
  // The main thread that runs a window receiver, or a method receiver that
  // asked to be synchronised with it.
  IMainThreadDispatcher* main = nullptr;
  std::atomic<bool> removed{false};
};

class ReceiverList {
 public:
  int Add(Receiver::Kind kind, TriggerReceiver fn, IMainThreadDispatcher* main);
  bool Remove(int id);
  // The receivers in serving order: methods, procedures, windows, each kind in
  // the order of registration.
  std::vector<std::shared_ptr<Receiver>> Snapshot() const;
  bool Empty() const;

 private:
  mutable std::mutex lock_;
  std::vector<std::shared_ptr<Receiver>> list_;
  int nextId_ = 1;
};

}  // namespace telvane
