// Win32 events: CreateEventA manual-reset events and WaitForMultipleObjects.
#include <windows.h>

#include "platform/sync.h"

namespace marlow::platform {

Event::Event(bool signalled)
    : native_(CreateEventA(nullptr, TRUE, signalled ? TRUE : FALSE, nullptr)) {}

Event::~Event() {
  if (native_) CloseHandle(static_cast<HANDLE>(native_));
}

void Event::Set() {
  SetEvent(static_cast<HANDLE>(native_));
}

void Event::Reset() {
  ResetEvent(static_cast<HANDLE>(native_));
}

bool Event::IsSet() const {
  return WaitForSingleObject(static_cast<HANDLE>(native_), 0) == WAIT_OBJECT_0;
}

bool Event::Wait(uint32_t timeoutMs) {
  return WaitForSingleObject(static_cast<HANDLE>(native_), timeoutMs) == WAIT_OBJECT_0;
}

int WaitAny(Event* const* events, int count, uint32_t timeoutMs) {
  HANDLE handles[MAXIMUM_WAIT_OBJECTS];
  if (count <= 0 || count > 8) return -1;
  for (int i = 0; i < count; ++i) handles[i] = static_cast<HANDLE>(events[i]->NativeHandle());
  DWORD r = WaitForMultipleObjects(static_cast<DWORD>(count), handles, FALSE, timeoutMs);
  if (r < WAIT_OBJECT_0 + static_cast<DWORD>(count)) return static_cast<int>(r - WAIT_OBJECT_0);
  return -1;
}

uint32_t TickMs() {
  return GetTickCount();
}

void SleepMs(uint32_t ms) {
  Sleep(ms);
}

}  // namespace marlow::platform
