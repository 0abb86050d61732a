#include "tools/playkvr/simulated_sound.h"

namespace marlow {

namespace {
constexpr uint64_t kRingBytes = 16384;
constexpr uint64_t kLowWater = 1024;
}  // namespace

int SimulatedSound::Open(int rate, int bits) {
  std::lock_guard<std::mutex> lock(mutex_);
  openRate_ = rate;
  openBits_ = bits;
  rate_ = fixedRate_ ? fixedRate_ : static_cast<uint32_t>(rate * bits / 8000);
  return 1;
}

int SimulatedSound::StartLoop() {
  std::lock_guard<std::mutex> lock(mutex_);
  start_ = clock_.NowMs();
  written_ = 0;
  return 1;
}

void SimulatedSound::RefuseAll(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  refuseAll_ = on;
}

int SimulatedSound::Take(size_t n) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (refuseAll_) return 0;
  const uint64_t played = static_cast<uint64_t>(clock_.NowMs() - start_) * rate_;
  const uint64_t queued = written_ > played ? written_ - played : 0;
  if (queued + n + kLowWater > kRingBytes) return 0;
  if (written_ < played) written_ = played;  // the device ran dry meanwhile
  written_ += n;
  ++writes_;
  return 1;
}

uint64_t SimulatedSound::Written() {
  std::lock_guard<std::mutex> lock(mutex_);
  return written_;
}

uint32_t SimulatedSound::Writes() {
  std::lock_guard<std::mutex> lock(mutex_);
  return writes_;
}

}  // namespace marlow
