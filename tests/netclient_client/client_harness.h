// What the network client tests share: a notification sink that records
// what the client posts, bounded waits for conditions, and a client set up
// with short waits so that every case ends within a few seconds.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "netclient/network_client.h"
#include "netclient/notification_sink.h"
#include "platform/sync.h"

namespace marlow::test {

class RecordingSink : public NotificationSink {
 public:
  void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    std::lock_guard<std::mutex> hold(lock_);
    messages_.push_back(message);
    if (wParam != 0 || lParam != 0) nonzeroParameters_ = true;
  }
  int Count(uint32_t message) {
    std::lock_guard<std::mutex> hold(lock_);
    int n = 0;
    for (uint32_t m : messages_) n += m == message;
    return n;
  }
  int Total() {
    std::lock_guard<std::mutex> hold(lock_);
    return static_cast<int>(messages_.size());
  }
  bool NonzeroParameters() {
    std::lock_guard<std::mutex> hold(lock_);
    return nonzeroParameters_;
  }

 private:
  std::mutex lock_;
  std::vector<uint32_t> messages_;
  bool nonzeroParameters_ = false;
};

// Polls condition every 10 ms for at most limitMs; true once it holds.
inline bool WaitUntil(const std::function<bool()>& condition, uint32_t limitMs = 4000) {
  const uint32_t start = platform::TickMs();
  for (;;) {
    if (condition()) return true;
    if (platform::TickMs() - start > limitMs) return false;
    platform::SleepMs(10);
  }
}

// A client with its notifications going to sink and the loop's waits cut
// down: timeout 1000 ms, answer waits of 250 ms, 100 ms after a silent
// connection, 20 ms between failed attempts.
inline void ShortenWaits(NetworkClient& client, RecordingSink* sink) {
  client.SetNotifyWindow(sink);
  client.SetTimeout(1000);
  client.SetWaits(250, 100, 20);
}

}  // namespace marlow::test
