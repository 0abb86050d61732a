// Manual-reset events, the wait for any of several, the millisecond tick and
// sleep: the synchronisation the worker threads are built from.
#pragma once

#include <cstdint>

namespace marlow::platform {

constexpr uint32_t kInfinite = 0xFFFFFFFFu;

// A manual-reset event: stays signalled from Set until Reset.
class Event {
 public:
  explicit Event(bool signalled = false);
  ~Event();
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void Set();
  void Reset();
  bool IsSet() const;
  // True when signalled within timeoutMs (kInfinite: no limit).
  bool Wait(uint32_t timeoutMs);

  void* NativeHandle() const { return native_; }

 private:
  void* native_;
};

// Waits until any of count events (at most 8) is signalled. Returns the index
// of the lowest signalled one, or -1 when timeoutMs ran out first.
int WaitAny(Event* const* events, int count, uint32_t timeoutMs);

// Milliseconds since an arbitrary start; wraps after 49.7 days like the
// system tick, so compare ticks by unsigned difference.
uint32_t TickMs();
void SleepMs(uint32_t ms);

}  // namespace marlow::platform
