// Removal notices of status lamps.
#include "comm/status/status_lamp.h"

#include <algorithm>

namespace telvane {

IStatusLamp::~IStatusLamp() {
  auto watchers = std::move(watchers_);
  watchers_.clear();
  for (auto& [id, fn] : watchers)
    if (fn) fn(*this);
}

int IStatusLamp::Watch(RemovedEvent onRemoved) {
  watchers_.emplace_back(nextWatch_, std::move(onRemoved));
  return nextWatch_++;
}

void IStatusLamp::Unwatch(int id) {
  std::erase_if(watchers_, [id](const auto& w) { return w.first == id; });
}

}  // namespace telvane
