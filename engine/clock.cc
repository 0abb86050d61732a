#include "engine/clock.h"

namespace marlow {

namespace {

class RealClock final : public Clock {
 public:
  uint32_t NowMs() override { return platform::TickMs(); }
  void SleepMs(uint32_t ms) override { platform::SleepMs(ms); }
  int Wait(platform::Event* const* events, int count, uint32_t timeoutMs) override {
    return platform::WaitAny(events, count, timeoutMs);
  }
};

}  // namespace

Clock& SystemClock() {
  static RealClock clock;
  return clock;
}

}  // namespace marlow
