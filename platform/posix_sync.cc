// POSIX events. All events share one mutex and one condition variable: a Set
// wakes every waiter, which rechecks its own events. The process has a handful
// of events and threads, so the broadcast costs nothing measurable, and the
// wait for any of several events stays trivially correct.
#include <time.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/sync.h"

namespace marlow::platform {

namespace {

struct Shared {
  std::mutex mutex;
  std::condition_variable changed;
};

Shared& shared() {
  static Shared s;
  return s;
}

struct EventState {
  bool signalled;
};

EventState* state(void* native) {
  return static_cast<EventState*>(native);
}

}  // namespace

Event::Event(bool signalled) : native_(new EventState{signalled}) {}

Event::~Event() {
  delete state(native_);
}

void Event::Set() {
  Shared& s = shared();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    state(native_)->signalled = true;
  }
  s.changed.notify_all();
}

void Event::Reset() {
  std::lock_guard<std::mutex> lock(shared().mutex);
  state(native_)->signalled = false;
}

bool Event::IsSet() const {
  std::lock_guard<std::mutex> lock(shared().mutex);
  return state(native_)->signalled;
}

bool Event::Wait(uint32_t timeoutMs) {
  Event* self = this;
  return WaitAny(&self, 1, timeoutMs) == 0;
}

int WaitAny(Event* const* events, int count, uint32_t timeoutMs) {
  Shared& s = shared();
  std::unique_lock<std::mutex> lock(s.mutex);
  auto firstSet = [&]() {
    for (int i = 0; i < count; ++i)
      if (state(events[i]->NativeHandle())->signalled) return i;
    return -1;
  };
  int found = firstSet();
  if (found >= 0 || timeoutMs == 0) return found;
  if (timeoutMs == kInfinite) {
    s.changed.wait(lock, [&] { return (found = firstSet()) >= 0; });
    return found;
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  s.changed.wait_until(lock, deadline, [&] { return (found = firstSet()) >= 0; });
  return found;
}

uint32_t TickMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  uint64_t ms =
      static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

void SleepMs(uint32_t ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace marlow::platform
