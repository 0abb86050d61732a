#include "platform/worker_thread.h"

namespace marlow {

WorkerThread::~WorkerThread() {
  Stop();
}

int32_t WorkerThread::Start(platform::ThreadPriority priority) {
  if (thread_.IsHeld()) return 0;
  stop_.Reset();
  uint32_t error = 0;
  if (!thread_.Start(&WorkerThread::Entry, this, priority, &error)) {
    const uint32_t code = (error & 0xFFFFu) | 0x80070000u;
    return static_cast<int32_t>(code);
  }
  return 1;
}

int WorkerThread::Stop() {
  stop_.Set();
  thread_.Join();
  return 1;
}

uint32_t WorkerThread::Entry(void* self) {
  return static_cast<WorkerThread*>(self)->Run();
}

}  // namespace marlow
