#include <gtest/gtest.h>

#include <atomic>

#include "platform/worker_thread.h"

namespace marlow {
namespace {

// A body that waits for its stop event, counting its runs.
class Waiter : public WorkerThread {
 public:
  ~Waiter() override { Stop(); }
  std::atomic<int> runs{0};
  std::atomic<bool> stopSeen{false};

 protected:
  uint32_t Run() override {
    ++runs;
    stopSeen = StopEvent().Wait(platform::kInfinite);
    return 5;
  }
};

// A body that returns by itself at once.
class Quitter : public WorkerThread {
 public:
  ~Quitter() override { Stop(); }
  std::atomic<int> runs{0};

 protected:
  uint32_t Run() override {
    ++runs;
    return 0;
  }
};

TEST(WorkerThread, StartTwiceStartsOnce) {
  Waiter w;
  EXPECT_EQ(w.Start(), 1);
  EXPECT_EQ(w.Start(), 0);
  EXPECT_EQ(w.Stop(), 1);
  EXPECT_EQ(w.runs.load(), 1);
  EXPECT_TRUE(w.stopSeen.load());
}

TEST(WorkerThread, RestartsAfterStopWithStopEventCleared) {
  Waiter w;
  ASSERT_EQ(w.Start(), 1);
  w.Stop();
  ASSERT_EQ(w.Start(), 1);  // the stop event is reset by Start
  platform::SleepMs(20);
  EXPECT_TRUE(w.IsRunning());
  w.Stop();
  EXPECT_EQ(w.runs.load(), 2);
}

TEST(WorkerThread, BodyThatEndsByItselfBlocksStartUntilStop) {
  Quitter q;
  ASSERT_EQ(q.Start(), 1);
  for (int i = 0; i < 500 && q.IsRunning(); ++i) platform::SleepMs(2);
  EXPECT_FALSE(q.IsRunning());
  EXPECT_EQ(q.Start(), 0);  // the handle is still held
  const uint32_t t0 = platform::TickMs();
  EXPECT_EQ(q.Stop(), 1);
  EXPECT_LT(platform::TickMs() - t0, 1000u);
  EXPECT_EQ(q.Start(), 1);
  q.Stop();
  EXPECT_EQ(q.runs.load(), 2);
}

TEST(WorkerThread, StopWithoutStartOnlySetsTheEvent) {
  Waiter w;
  EXPECT_EQ(w.Stop(), 1);
  EXPECT_EQ(w.runs.load(), 0);
  EXPECT_FALSE(w.IsRunning());
}

}  // namespace
}  // namespace marlow
