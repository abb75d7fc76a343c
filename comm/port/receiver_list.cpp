// Trigger receivers.
#include "comm/port/receiver_list.h"

#include <algorithm>

namespace telvane {

int ReceiverList::Add(Receiver::Kind kind, TriggerReceiver fn, IMainThreadDispatcher* main) {
  auto r = std::make_shared<Receiver>();
  r->kind = kind;
  r->fn = std::move(fn);
  r->main = main;
  std::lock_guard guard(lock_);
  r->id = nextId_++;
  list_.push_back(r);
  return r->id;
}

bool ReceiverList::Remove(int id) {
  std::lock_guard guard(lock_);
  auto it = std::find_if(list_.begin(), list_.end(), [id](const auto& r) { return r->id == id; });
  if (it == list_.end()) return false;
  // A delivery under way holds its own copy; the flag keeps it from calling
  // the receiver again.
  (*it)->removed = true;
  list_.erase(it);
  return true;
}

std::vector<std::shared_ptr<Receiver>> ReceiverList::Snapshot() const {
  std::lock_guard guard(lock_);
  std::vector<std::shared_ptr<Receiver>> out;
  out.reserve(list_.size());
  for (auto kind : {Receiver::kMethod, Receiver::kProc, Receiver::kWindow})
    for (const auto& r : list_)
      if (r->kind == kind) out.push_back(r);
  return out;
}

bool ReceiverList::Empty() const {
  std::lock_guard guard(lock_);
  return list_.empty();
}

}  // namespace telvane
