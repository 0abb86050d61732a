// A sound output without a sound card: it "plays" a fixed number of bytes a
// millisecond of its clock from a 16384-byte ring and refuses a write that
// would leave less than 1024 bytes free, as the wave output does. With the
// system clock it paces a headless player in real time; with a test clock it
// paces the engine in simulated time.
#pragma once

#include <cstdint>
#include <mutex>

#include "engine/clock.h"
#include "engine/media_sinks.h"

namespace marlow {

class SimulatedSound final : public SoundSink {
 public:
  // bytesPerMs 0: take the rate from Open (rate x bits / 8000).
  explicit SimulatedSound(Clock& clock, uint32_t bytesPerMs = 0)
      : clock_(clock), fixedRate_(bytesPerMs), rate_(bytesPerMs) {}

  int Open(int rate, int bits) override;
  void ResetRing(int rate, int bits) override { Open(rate, bits); }
  int StartLoop() override;
  int WriteRaw(const uint8_t*, size_t n) override { return Take(n); }
  int WriteALaw(const uint8_t*, size_t n) override { return Take(n * 2); }
  int Pace() override { return 0; }

  // A device that never takes anything (for tests of a stuck device).
  void RefuseAll(bool on);
  uint64_t Written();
  uint32_t Writes();
  int OpenRate() const { return openRate_; }
  int OpenBits() const { return openBits_; }

 private:
  int Take(size_t n);

  Clock& clock_;
  const uint32_t fixedRate_;
  std::mutex mutex_;
  uint32_t rate_;
  int openRate_ = 0, openBits_ = 0;
  bool refuseAll_ = false;
  uint32_t start_ = 0;
  uint64_t written_ = 0;
  uint32_t writes_ = 0;
};

}  // namespace marlow
