// The main-thread dispatcher of the desktop program: functions are queued to
// the Qt event loop of the thread that owns the context object (the GUI
// thread), in the order they are posted.
#pragma once

#include <QObject>
#include <QPointer>

#include "comm/core/main_thread_dispatcher.h"

namespace telvane {

class QtMainThreadDispatcher : public IMainThreadDispatcher {
 public:
  // `context` defaults to the application object. Functions queued for a
  // context that is gone are dropped.
  explicit QtMainThreadDispatcher(QObject* context = nullptr);

  void Post(std::function<void()> fn) override;
  bool IsMainThread() const override;

 private:
  QPointer<QObject> context_;
};

}  // namespace telvane
