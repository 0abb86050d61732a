#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/sync.h"
#include "platform/thread.h"

namespace marlow::platform {
namespace {

TEST(Event, ManualResetStaysSignalledUntilReset) {
  Event e;
  EXPECT_FALSE(e.IsSet());
  EXPECT_FALSE(e.Wait(0));
  e.Set();
  EXPECT_TRUE(e.Wait(0));
  EXPECT_TRUE(e.Wait(10));  // still set: manual reset
  e.Reset();
  EXPECT_FALSE(e.IsSet());
  Event on(true);
  EXPECT_TRUE(on.IsSet());
}

TEST(Event, WaitAnyReportsLowestSignalledOrTimeout) {
  Event a, b, c;
  Event* all[] = {&a, &b, &c};
  EXPECT_EQ(WaitAny(all, 3, 0), -1);
  const uint32_t t0 = TickMs();
  EXPECT_EQ(WaitAny(all, 3, 30), -1);
  EXPECT_GE(TickMs() - t0, 25u);
  c.Set();
  EXPECT_EQ(WaitAny(all, 3, 0), 2);
  b.Set();
  EXPECT_EQ(WaitAny(all, 3, kInfinite), 1);
}

TEST(Event, SetFromAnotherThreadWakesTheWaiter) {
  Event a, b;
  Event* both[] = {&a, &b};
  std::thread setter([&] {
    SleepMs(20);
    b.Set();
  });
  EXPECT_EQ(WaitAny(both, 2, 5000), 1);
  setter.join();
}

TEST(Thread, RunsBodyAndJoins) {
  std::atomic<int> ran{0};
  Thread t;
  uint32_t error = 0;
  ASSERT_TRUE(t.Start(
      [](void* p) -> uint32_t {
        static_cast<std::atomic<int>*>(p)->store(7);
        return 0;
      },
      &ran, ThreadPriority::AboveNormal, &error));
  EXPECT_TRUE(t.IsHeld());
  t.Join();
  EXPECT_FALSE(t.IsHeld());
  EXPECT_EQ(ran.load(), 7);
}

TEST(Tick, AdvancesWithSleep) {
  const uint32_t t0 = TickMs();
  // The system tick may advance in steps of about 16 ms.
  SleepMs(100);
  const uint32_t d = TickMs() - t0;
  EXPECT_GE(d, 80u);
  EXPECT_LT(d, 2000u);
}

}  // namespace
}  // namespace marlow::platform
