// The base of every object that owns one worker thread (playback engine,
// network client, export). The thread runs the derived object's Run and ends
// only when Run returns; Stop sets the stop event and waits for that. No
// thread is ever killed, so every body must watch StopEvent() in each wait.
#pragma once

#include <cstdint>

#include "platform/sync.h"
#include "platform/thread.h"

namespace marlow {

class WorkerThread {
 public:
  WorkerThread() = default;
  virtual ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // 1 when started; 0 when a thread handle is already held (even one whose
  // body has returned by itself); otherwise the system error e as
  // (e & 0xFFFF) | 0x80070000.
  int32_t Start(platform::ThreadPriority priority = platform::ThreadPriority::Normal);
  // Sets the stop event and, if a thread is held, waits for it without limit
  // and releases it. Always 1.
  int Stop();
  bool IsRunning() const { return thread_.IsHeld() && !thread_.HasEnded(); }

 protected:
  // The thread body; its result is the thread's exit code. Derived classes
  // must call Stop() in their own destructor so Run never outlives them.
  virtual uint32_t Run() = 0;
  platform::Event& StopEvent() { return stop_; }

 private:
  static uint32_t Entry(void* self);

  // Owned by the user-interface thread (Start, Stop); the event is read by
  // the worker.
  platform::Event stop_{false};
  platform::Thread thread_;
};

}  // namespace marlow
