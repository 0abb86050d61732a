// Win32 threads: CreateThread and SetThreadPriority.
#include <windows.h>

#include "platform/thread.h"

namespace marlow::platform {

namespace {

struct Native {
  HANDLE thread;
  Thread::Body body;
  void* argument;
};

DWORD WINAPI Trampoline(LPVOID p) {
  auto* n = static_cast<Native*>(p);
  return n->body(n->argument);
}

int Win32Priority(ThreadPriority p) {
  switch (p) {
    case ThreadPriority::AboveNormal:
      return THREAD_PRIORITY_ABOVE_NORMAL;
    case ThreadPriority::Highest:
      return THREAD_PRIORITY_HIGHEST;
    case ThreadPriority::TimeCritical:
      return THREAD_PRIORITY_TIME_CRITICAL;
    default:
      return THREAD_PRIORITY_NORMAL;
  }
}

}  // namespace

Thread::~Thread() {
  Join();
}

bool Thread::Start(Body body, void* argument, ThreadPriority priority, uint32_t* error) {
  if (native_) {
    *error = ERROR_BUSY;
    return false;
  }
  auto* n = new Native{nullptr, body, argument};
  n->thread = CreateThread(nullptr, 0, Trampoline, n, 0, nullptr);
  if (!n->thread) {
    *error = GetLastError();
    if (*error == 0) *error = ERROR_NOT_ENOUGH_MEMORY;
    delete n;
    return false;
  }
  SetThreadPriority(n->thread, Win32Priority(priority));
  native_ = n;
  return true;
}

void Thread::Join() {
  if (!native_) return;
  auto* n = static_cast<Native*>(native_);
  WaitForSingleObject(n->thread, INFINITE);
  CloseHandle(n->thread);
  delete n;
  native_ = nullptr;
}

bool Thread::HasEnded() const {
  return native_ && WaitForSingleObject(static_cast<Native*>(native_)->thread, 0) == WAIT_OBJECT_0;
}

}  // namespace marlow::platform
