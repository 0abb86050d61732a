// A wave device for tests: its position moves only when the test plays it,
// and what it plays is read out of the looped buffer, so a test can hear
// exactly what the device would have sent to the speaker.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "display/wave_device.h"
#include "platform/notice.h"

namespace marlow::testing {

// Lives in the test; the device the ring owns points at it.
struct FakeWaveState {
  // Set by the test.
  int openResult = 1;
  WaveLoopResult loopResult = WaveLoopResult::kOk;
  int positionResult = kWaveOk;
  int pauseResult = kWaveOk;
  uint32_t advanceOnPause = 0;  // bytes the device still plays while pausing

  // Observed.
  bool open = false;
  int rate = 0, bits = 0;
  int opens = 0, closes = 0, pauses = 0, restarts = 0, loopStarts = 0;
  bool paused = false;
  uint32_t position = 0;
  uint8_t* loop = nullptr;
  uint32_t loopSize = 0;
  std::vector<uint32_t> volumes;  // every SetVolume, in order
  std::vector<uint8_t> heard;     // every byte played, in order

  // Plays n bytes when running: the position advances and the bytes under it
  // are heard. A paused device, or one without a loop, stays where it is.
  void Play(uint32_t n) {
    if (!open || paused || !loop) return;
    for (uint32_t k = 0; k < n; ++k) heard.push_back(loop[(position + k) % loopSize]);
    position += n;
  }
};

class FakeWaveDevice final : public WaveDevice {
 public:
  explicit FakeWaveDevice(FakeWaveState& s) : s_(s) {}
  ~FakeWaveDevice() override { Close(); }

  int Open(int rate, int bits) override {
    Close();
    ++s_.opens;
    if (!s_.openResult) return 0;
    s_.open = true;
    s_.rate = rate;
    s_.bits = bits;
    s_.position = 0;
    s_.paused = false;
    return 1;
  }
  void Close() override {
    if (!s_.open) return;
    ++s_.closes;
    s_.open = false;
    s_.loop = nullptr;
  }
  int IsOpen() const override { return s_.open; }
  WaveLoopResult StartLoop(uint8_t* buffer, uint32_t size) override {
    ++s_.loopStarts;
    if (s_.loopResult != WaveLoopResult::kOk) return s_.loopResult;
    s_.loop = buffer;
    s_.loopSize = size;
    return WaveLoopResult::kOk;
  }
  int Position(uint32_t* bytes) override {
    if (!s_.open) return kWaveNoDevice;
    if (s_.positionResult != kWaveOk) return s_.positionResult;
    *bytes = s_.position;
    return kWaveOk;
  }
  int Pause() override {
    if (s_.pauseResult != kWaveOk) return s_.pauseResult;
    s_.Play(s_.advanceOnPause);
    ++s_.pauses;
    s_.paused = true;
    return kWaveOk;
  }
  int Restart() override {
    ++s_.restarts;
    s_.paused = false;
    return kWaveOk;
  }
  int SetVolume(uint32_t volume) override {
    s_.volumes.push_back(volume);
    return kWaveOk;
  }

 private:
  FakeWaveState& s_;
};

// Collects notices instead of printing them, for the life of the object.
class NoticeLog final : public platform::NoticeSink {
 public:
  NoticeLog() : previous_(platform::SetNoticeSink(this)) {}
  ~NoticeLog() override { platform::SetNoticeSink(previous_); }
  void Notice(const char* text, const char*) override { texts.emplace_back(text); }
  std::vector<std::string> texts;

 private:
  platform::NoticeSink* previous_;
};

}  // namespace marlow::testing
