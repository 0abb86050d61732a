// A raw operating-system thread. WorkerThread builds on it; nothing else
// should need it directly.
#pragma once

#include <cstdint>

namespace marlow::platform {

enum class ThreadPriority { Normal, AboveNormal, Highest, TimeCritical };

class Thread {
 public:
  using Body = uint32_t (*)(void* argument);

  Thread() = default;
  ~Thread();  // detaches nothing: the owner must Join before destruction
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Starts body(argument) at once. On failure returns false and sets *error
  // to the system's error number (never 0).
  bool Start(Body body, void* argument, ThreadPriority priority, uint32_t* error);
  bool IsHeld() const { return native_ != nullptr; }
  // Waits without limit for the thread to end and releases the handle.
  void Join();
  // True once the body has returned (the handle may still be held).
  bool HasEnded() const;

 private:
  void* native_ = nullptr;
};

}  // namespace marlow::platform
