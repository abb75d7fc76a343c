// Port events reach the Qt event loop's thread in the order they were posted.
#include <QCoreApplication>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <thread>
#include <vector>

#include "app/platform/qt_main_thread_dispatcher.h"

namespace telvane {

class QtMainThreadDispatcherTest : public QObject {
  Q_OBJECT

 private slots:
  void postedFunctionsRunOnTheEventLoopThreadInOrder() {
    QtMainThreadDispatcher main;
    std::vector<int> order;
    bool allOnMain = true;
    bool posterOnMain = true;
    std::thread poster([&] {
      posterOnMain = main.IsMainThread();
      for (int i = 0; i < 50; ++i)
        main.Post([&, i] {
          allOnMain = allOnMain && main.IsMainThread();
          order.push_back(i);
        });
    });
    poster.join();
    QTRY_COMPARE_WITH_TIMEOUT(order.size(), std::size_t{50}, 5000);
    for (int i = 0; i < 50; ++i) QCOMPARE(order[static_cast<std::size_t>(i)], i);
    QVERIFY(allOnMain);
    QVERIFY(!posterOnMain);
  }

  void sendFromAnotherThreadWaitsForTheEventLoop() {
    QtMainThreadDispatcher main;
    std::atomic<bool> ran{false}, result{false}, done{false};
    std::thread sender([&] {
      result = main.Send([&] { ran = true; }, 5000);
      done = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done.load(), 5000);
    sender.join();
    QVERIFY(ran);
    QVERIFY(result);
  }

  void functionsForADestroyedContextAreDropped() {
    auto* context = new QObject;
    QtMainThreadDispatcher main(context);
    bool ran = false;
    main.Post([&] { ran = true; });
    delete context;
    QCoreApplication::processEvents();
    QVERIFY(!ran);
    main.Post([&] { ran = true; });
    QCoreApplication::processEvents();
    QVERIFY(!ran);
    QVERIFY(!main.IsMainThread());
  }
};

}  // namespace telvane

QTEST_GUILESS_MAIN(telvane::QtMainThreadDispatcherTest)
#include "qt_main_thread_dispatcher_test.moc"
