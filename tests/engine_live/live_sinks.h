// What the live-view tests, probes and benchmark plug into the engine: a
// display that keeps a checksum of every picture it was shown and a copy of
// the last one, and a sound output that keeps every byte it took (or takes
// nothing at all).
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include "engine/media_sinks.h"
#include "netclient/notification_sink.h"
#include "platform/notice.h"
#include "platform/sync.h"
#include "tools/encoder/synthetic_camera.h"

namespace marlow::testing {

// FNV-1a over the planes of one picture.
inline uint64_t PictureChecksum(const uint8_t* planes, size_t n) {
  uint64_t h = 1469598103934665603ull;
  for (size_t i = 0; i < n; ++i) h = (h ^ planes[i]) * 1099511628211ull;
  return h;
}

struct ShownPicture {
  int channel;
  uint64_t checksum;
  long counter;  // burnt into the picture; -1 unreadable
  int camera;    // burnt into it too (0-based); -1 unreadable
  int64_t atUs;  // steady clock, microseconds
};

class ChecksumDisplay : public PictureSink {
 public:
  void ShowPicture(int channel, const TimeRecord& time, const uint8_t* planes, int width,
                   int height) override {
    const int64_t at = std::chrono::duration_cast<std::chrono::microseconds>(
                           std::chrono::steady_clock::now().time_since_epoch())
                           .count();
    const size_t n = static_cast<size_t>(width) * height * 3 / 2;
    ShownPicture s = {channel, PictureChecksum(planes, n),
                      ReadBurntInCounter(planes, width, width, height),
                      ReadBurntInChannel(planes, width, width, height), at};
    std::lock_guard<std::mutex> hold(lock_);
    shown_.push_back(s);
    last_.assign(planes, planes + n);
    lastWidth_ = width;
    lastHeight_ = height;
    lastTime_ = time;
  }
  void SetChannelCount(int) override {}
  void SetCaptionEnabled(int) override {}
  void SetDirectDraw(int) override {}
  void ClearPictures() override {}
  int SingleChannel() const override { return -1; }

  std::vector<ShownPicture> Shown() {
    std::lock_guard<std::mutex> hold(lock_);
    return shown_;
  }
  size_t Count() {
    std::lock_guard<std::mutex> hold(lock_);
    return shown_.size();
  }
  void Clear() {
    std::lock_guard<std::mutex> hold(lock_);
    shown_.clear();
  }
  // The last picture (planes), its size and time.
  std::vector<uint8_t> Last(int* width, int* height, TimeRecord* time = nullptr) {
    std::lock_guard<std::mutex> hold(lock_);
    *width = lastWidth_;
    *height = lastHeight_;
    if (time) *time = lastTime_;
    return last_;
  }

 private:
  std::mutex lock_;
  std::vector<ShownPicture> shown_;
  std::vector<uint8_t> last_;
  int lastWidth_ = 0, lastHeight_ = 0;
  TimeRecord lastTime_ = {};
};

// Takes every write at once (so nothing paces) and keeps the bytes, or, when
// refusing, takes nothing and counts the attempts.
class CaptureSound : public SoundSink {
 public:
  int Open(int rate, int bits) override {
    rate_ = rate;
    bits_ = bits;
    return 1;
  }
  void ResetRing(int rate, int bits) override { Open(rate, bits); }
  int StartLoop() override { return 1; }
  int WriteRaw(const uint8_t* bytes, size_t n) override { return Take(bytes, n); }
  int WriteALaw(const uint8_t* codes, size_t n) override { return Take(codes, n); }
  int Pace() override { return 0; }

  void RefuseAll(bool on) { refuse_ = on; }
  uint32_t Attempts() const { return attempts_.load(); }
  std::vector<uint8_t> Bytes() {
    std::lock_guard<std::mutex> hold(lock_);
    return bytes_;
  }
  void Clear() {
    std::lock_guard<std::mutex> hold(lock_);
    bytes_.clear();
  }
  int Rate() const { return rate_; }
  int Bits() const { return bits_; }

 private:
  int Take(const uint8_t* bytes, size_t n) {
    ++attempts_;
    if (refuse_) return 0;
    std::lock_guard<std::mutex> hold(lock_);
    bytes_.insert(bytes_.end(), bytes, bytes + n);
    return 1;
  }

  std::atomic<bool> refuse_{false};
  std::atomic<uint32_t> attempts_{0};
  std::mutex lock_;
  std::vector<uint8_t> bytes_;
  int rate_ = 0, bits_ = 0;
};

// Counts the network client's notifications and the notices for the user.
class Notifications : public NotificationSink, public platform::NoticeSink {
 public:
  void Post(uint32_t message, uintptr_t, intptr_t) override {
    std::lock_guard<std::mutex> hold(lock_);
    posted_.push_back(message);
  }
  void Notice(const char*, const char*) override { ++notices_; }
  int Count(uint32_t message) {
    std::lock_guard<std::mutex> hold(lock_);
    return static_cast<int>(std::count(posted_.begin(), posted_.end(), message));
  }
  int Notices() const { return notices_.load(); }

 private:
  std::mutex lock_;
  std::vector<uint32_t> posted_;
  std::atomic<int> notices_{0};
};

// Polls condition every 10 ms for at most limitMs.
template <typename Condition>
bool WaitFor(Condition condition, uint32_t limitMs = 5000) {
  const uint32_t start = platform::TickMs();
  for (;;) {
    if (condition()) return true;
    if (platform::TickMs() - start > limitMs) return false;
    platform::SleepMs(10);
  }
}

// Mean absolute difference between two pictures of n bytes.
inline double MeanDifference(const uint8_t* a, const uint8_t* b, size_t n) {
  uint64_t sum = 0;
  for (size_t i = 0; i < n; ++i)
    sum += static_cast<uint64_t>(a[i] > b[i] ? a[i] - b[i] : b[i] - a[i]);
  return n ? static_cast<double>(sum) / static_cast<double>(n) : 0;
}

// Where one list of checksums runs inside another: the index in `in` at
// which `part` starts as a contiguous run, or -1.
inline long FindRun(const std::vector<uint64_t>& in, const std::vector<uint64_t>& part) {
  if (part.empty() || part.size() > in.size()) return -1;
  for (size_t i = 0; i + part.size() <= in.size(); ++i) {
    if (std::equal(part.begin(), part.end(), in.begin() + static_cast<long>(i))) {
      return static_cast<long>(i);
    }
  }
  return -1;
}

}  // namespace marlow::testing
