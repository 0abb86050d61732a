// POSIX threads. Priorities are a hint the scheduler of an ordinary user may
// refuse, so they are not applied here.
#include <pthread.h>

#include <atomic>

#include "platform/thread.h"

namespace marlow::platform {

namespace {

struct Native {
  pthread_t thread;
  Thread::Body body;
  void* argument;
  std::atomic<bool> ended{false};
};

void* Trampoline(void* p) {
  auto* n = static_cast<Native*>(p);
  n->body(n->argument);
  n->ended.store(true, std::memory_order_release);
  return nullptr;
}

}  // namespace

Thread::~Thread() {
  Join();
}

bool Thread::Start(Body body, void* argument, ThreadPriority, uint32_t* error) {
  if (native_) {
    *error = 1;
    return false;
  }
  auto* n = new Native;
  n->body = body;
  n->argument = argument;
  int rc = pthread_create(&n->thread, nullptr, Trampoline, n);
  if (rc != 0) {
    delete n;
    *error = static_cast<uint32_t>(rc);
    return false;
  }
  native_ = n;
  return true;
}

void Thread::Join() {
  if (!native_) return;
  auto* n = static_cast<Native*>(native_);
  pthread_join(n->thread, nullptr);
  delete n;
  native_ = nullptr;
}

bool Thread::HasEnded() const {
  return native_ && static_cast<Native*>(native_)->ended.load(std::memory_order_acquire);
}

}  // namespace marlow::platform
