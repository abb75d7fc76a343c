// Running work on the main thread from other threads: posting in order,
// sending with a time-out, and giving up a send when a port closes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "comm/core/loop_dispatcher.h"

namespace telvane {
namespace {

using namespace std::chrono_literals;

TEST(LoopDispatcher, PostedFunctionsRunOnTheMainThreadInOrder) {
  LoopDispatcher main;
  std::vector<int> order;
  std::atomic<bool> allOnMain{true};
  std::thread other([&] {
    for (int i = 0; i < 100; ++i)
      main.Post([&, i] {
        if (!main.IsMainThread()) allOnMain = false;
        order.push_back(i);
      });
  });
  other.join();
  EXPECT_TRUE(main.RunUntil([&] { return order.size() == 100; }, 2000));
  for (int i = 0; i < 100; ++i) EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
  EXPECT_TRUE(allOnMain);
}

TEST(LoopDispatcher, SendWaitsForTheFunctionToRun) {
  LoopDispatcher main;
  std::atomic<bool> ran{false}, result{false}, done{false};
  std::thread other([&] {
    result = main.Send([&] { ran = true; }, 5000);
    done = true;
  });
  EXPECT_TRUE(main.RunUntil([&] { return done.load(); }, 5000));
  other.join();
  EXPECT_TRUE(ran);
  EXPECT_TRUE(result);
}

TEST(LoopDispatcher, SendOnTheMainThreadRunsAtOnce) {
  LoopDispatcher main;
  bool ran = false;
  EXPECT_TRUE(main.Send([&] { ran = true; }, 0));
  EXPECT_TRUE(ran);
}

TEST(LoopDispatcher, ASendThatTimesOutIsDroppedNotRunLater) {
  LoopDispatcher main;
  std::atomic<bool> ran{false};
  bool result = true;
  std::thread other([&] { result = main.Send([&] { ran = true; }, 20); });
  other.join();  // the main thread never ran its loop
  EXPECT_FALSE(result);
  main.RunPending();
  EXPECT_FALSE(ran);
}

TEST(LoopDispatcher, CancellingEndsAWaitingSend) {
  LoopDispatcher main;
  SendCancel cancel;
  std::atomic<bool> ran{false}, result{true}, done{false};
  std::thread other([&] {
    result = main.Send([&] { ran = true; }, -1, &cancel);
    done = true;
  });
  std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(done);
  cancel.Cancel();
  other.join();
  EXPECT_FALSE(result);
  main.RunPending();
  EXPECT_FALSE(ran);
  // Once cancelled, later sends do not wait at all.
  std::thread again([&] { result = main.Send([&] { ran = true; }, -1, &cancel); });
  again.join();
  EXPECT_FALSE(result);
}

TEST(LoopDispatcher, RunReturnsOnQuit) {
  LoopDispatcher main;
  int ran = 0;
  main.Post([&] { ++ran; });
  main.Post([&] { main.Quit(); });
  main.Run();
  EXPECT_EQ(ran, 1);
}

}  // namespace
}  // namespace telvane
