// The lamp the status-light controller switches: anything that can be lit and
// put out. The controller lives in the comm library without a user interface,
// so it sees lamps only through this interface; the window's lamp widget and
// the tests' lamps implement it.
#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace telvane {

class IStatusLamp {
 public:
  using RemovedEvent = std::function<void(IStatusLamp& lamp)>;

  IStatusLamp() = default;
  IStatusLamp(const IStatusLamp&) = delete;
  IStatusLamp& operator=(const IStatusLamp&) = delete;
  // Tells every watcher that the lamp is going away, so that nothing keeps a
  // pointer to it.
  virtual ~IStatusLamp();

  virtual bool Lit() const = 0;
  virtual void SetLit(bool lit) = 0;

  // Watchers of the lamp's removal. Returns an id for Unwatch.
  int Watch(RemovedEvent onRemoved);
  void Unwatch(int id);

 private:
  std::vector<std::pair<int, RemovedEvent>> watchers_;
  int nextWatch_ = 1;
};

}  // namespace telvane
