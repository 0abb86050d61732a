// A clock for engine tests: simulated milliseconds that pass only when the
// test lets them. The engine thread runs freely within the time the test has
// granted and parks at the first wait or sleep that would go past it, so a
// test moves the engine forward in exact steps:
//   clock.Advance(10);   // the engine lives through 10 ms, then parks
// Events set by the test are seen at the engine's next wait.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "engine/clock.h"

namespace marlow::testing {

class ManualClock final : public Clock {
 public:
  uint32_t NowMs() override {
    std::lock_guard<std::mutex> lock(mutex_);
    return now_;
  }

  void SleepMs(uint32_t ms) override { Wait(nullptr, 0, ms); }

  int Wait(platform::Event* const* events, int count, uint32_t timeoutMs) override {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      const int set = count ? platform::WaitAny(events, count, 0) : -1;
      if (set >= 0) return set;
      if (stopping_ || static_cast<uint64_t>(now_) + timeoutMs <= limit_) {
        now_ += timeoutMs;
        return -1;
      }
      parked_ = true;
      changed_.notify_all();
      // Poll the events too: a stop event set by the test must end the wait.
      changed_.wait_for(lock, std::chrono::milliseconds(1));
    }
  }

  // Grants ms more simulated milliseconds and returns once the engine thread
  // has used them up and parked again (or after 5 s of real time).
  void Advance(uint32_t ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    limit_ += ms;
    parked_ = false;
    changed_.notify_all();
    changed_.wait_for(lock, std::chrono::seconds(5), [&] { return parked_; });
  }

  // From now on time runs freely (for stopping the engine at the end).
  void Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  uint32_t now_ = 1000;
  uint64_t limit_ = 1000;
  bool parked_ = false;
  bool stopping_ = false;
};

}  // namespace marlow::testing
