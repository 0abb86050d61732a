// Where the network client's thread reports to the window that owns it.
// Worker threads never call the window: they post. The viewer implements
// Post with PostMessage to its main window; tests record what arrives.
#pragma once

#include <cstdint>

namespace marlow {

// Posted by NetworkClient, both parameters 0.
constexpr uint32_t kNotifyStatusChanged = 0x2A68;  // status or channel report arrived
constexpr uint32_t kNotifyServerClosed = 0x2A69;   // the recorder ended the connection
constexpr uint32_t kNotifyLoginFailed = 0x2A6B;    // login or address lookup failed

class NotificationSink {
 public:
  // Must not block: called on a worker thread, which never waits for the
  // window.
  virtual void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;

 protected:
  ~NotificationSink() = default;
};

}  // namespace marlow
