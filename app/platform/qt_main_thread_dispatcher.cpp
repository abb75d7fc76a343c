// Queued calls into the Qt event loop.
#include "app/platform/qt_main_thread_dispatcher.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace telvane {

QtMainThreadDispatcher::QtMainThreadDispatcher(QObject* context)
    : context_(context ? context : QCoreApplication::instance()) {}

void QtMainThreadDispatcher::Post(std::function<void()> fn) {
  if (!context_) return;
  QMetaObject::invokeMethod(context_.data(), std::move(fn), Qt::QueuedConnection);
}

bool QtMainThreadDispatcher::IsMainThread() const {
  return context_ && QThread::currentThread() == context_->thread();
}

}  // namespace telvane
