// Time as the engine thread sees it. The thread's only idle is a wait for its
// events with a time-out, and pacing compares millisecond ticks; both go
// through a Clock so tests can run the thread in simulated time.
#pragma once

#include <cstdint>

#include "platform/sync.h"

namespace marlow {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t NowMs() = 0;
  virtual void SleepMs(uint32_t ms) = 0;
  // Waits for any of count events for at most timeoutMs. Returns the index of
  // the lowest signalled event, or -1 on time-out.
  virtual int Wait(platform::Event* const* events, int count, uint32_t timeoutMs) = 0;
};

// The system's tick, sleep and wait.
Clock& SystemClock();

}  // namespace marlow
