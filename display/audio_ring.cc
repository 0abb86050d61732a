// The sound output's ring against an abstract wave device.
#include "display/audio_ring.h"

#include <cstring>
#include <new>
#include <utility>

#include "codec/audio_coding.h"
#include "platform/notice.h"

namespace marlow {

namespace {

constexpr uint32_t kSlotMask = AudioRing::kRingSize - 1;
static_assert((AudioRing::kRingSize & kSlotMask) == 0, "the ring size must be a power of two");
// The widened position keeps slots right only if the ring size divides 2^32.
static_assert((uint64_t{1} << 32) % AudioRing::kRingSize == 0, "ring size must divide 2^32");

}  // namespace

AudioRing::AudioRing(std::unique_ptr<WaveDevice> device)
    : ring_(new (std::nothrow) uint8_t[kRingSize]), device_(std::move(device)) {
  if (!ring_) {
    platform::ShowNotice("m_pWavQ Allocation Failed");
    return;
  }
  ClearRing(bits_);
}

AudioRing::~AudioRing() {
  std::lock_guard<std::mutex> lock(deviceMutex_);
  if (device_) device_->Close();
}

void AudioRing::ClearRing(int bits) {
  bits_ = bits;
  written_ = 0;
  buffered_ = 0;
  paused_ = 0;
  first_ = 1;
  // Silence: 0 for signed 16-bit samples, the midpoint for unsigned 8-bit.
  if (ring_) std::memset(ring_.get(), bits == 8 ? 0x80 : 0x00, kRingSize);
}

int AudioRing::Open(int rate, int bits) {
  int opened = 0;
  {
    std::lock_guard<std::mutex> lock(deviceMutex_);
    // The previous device stops looping over the ring before it is cleared.
    if (device_) device_->Close();
    ClearRing(bits);
    play_ = 0;
    lastRaw_ = 0;
    opened = device_ && ring_ && (bits == 8 || bits == 16) && rate > 0 && device_->Open(rate, bits);
  }
  // Outside the lock: a notice may be a modal box whose message loop lets
  // the window's thread set the volume meanwhile.
  if (!opened) platform::ShowNotice("Sound device open error !");
  return opened;
}

void AudioRing::ResetRing(int /*rate*/, int bits) {
  ClearRing(bits == 8 ? 8 : 16);
}

int AudioRing::StartLoop() {
  if (!device_ || !ring_ || !device_->IsOpen()) {
    // Without a device there is nothing to prepare the header on.
    platform::ShowNotice("Preapre Header Error !");
    return 0;
  }
  switch (device_->StartLoop(ring_.get(), kRingSize)) {
    case WaveLoopResult::kOk:
      return 1;
    case WaveLoopResult::kPrepareFailed:
      platform::ShowNotice("Preapre Header Error !");
      return 0;
    case WaveLoopResult::kWriteFailed:
      platform::ShowNotice("Sound out fail !");
      return 0;
  }
  return 0;
}

int AudioRing::ReadPlay(bool clearLow, uint64_t* play) {
  uint32_t raw = 0;
  const int r = device_ ? device_->Position(&raw) : kWaveNoDevice;
  if (r != kWaveOk) return r;
  play_ += static_cast<uint32_t>(raw - lastRaw_);
  lastRaw_ = raw;
  *play = clearLow ? (play_ & ~uint64_t{1}) : play_;
  return kWaveOk;
}

template <typename Store>
int AudioRing::Write(size_t m, bool clearLow, Store store) {
  if (!ring_) return 0;
  uint64_t play = 0;
  if (ReadPlay(clearLow, &play) != kWaveOk) return 0;
  if (written_ < play) {
    // The device is ahead of the writer: everything queued has been played,
    // so there is nothing to protect and no room test.
    buffered_ = 0;
  } else {
    const uint64_t queued = written_ - play;
    if (queued + m + kLowWater > kRingSize) return 0;
    buffered_ = queued;
  }
  store(static_cast<uint32_t>(written_ & kSlotMask));
  written_ += m;
  return 1;
}

int AudioRing::WriteRaw(const uint8_t* bytes, size_t n) {
  if (n > (SIZE_MAX >> 1) || (n && !bytes)) return 0;
  uint8_t* ring = ring_.get();
  return Write(n, bits_ == 16, [&](uint32_t slot) {
    // Two straight copies: up to the end of the ring, then on from slot 0.
    // A write longer than the ring (only possible when the device is ahead)
    // leaves its last kRingSize bytes, as byte-by-byte storing would.
    size_t k = 0;
    while (k < n) {
      const size_t run = n - k < kRingSize - slot ? n - k : kRingSize - slot;
      std::memcpy(ring + slot, bytes + k, run);
      k += run;
      slot = static_cast<uint32_t>((slot + run) & kSlotMask);
    }
  });
}

int AudioRing::WriteALaw(const uint8_t* codes, size_t n) {
  if (n > (SIZE_MAX >> 2) || (n && !codes)) return 0;
  uint8_t* ring = ring_.get();
  return Write(2 * n, true, [&](uint32_t slot) {
    // Each sample low byte first; a sample may straddle the ring's end when
    // written is odd after an 8-bit write, so each byte finds its own slot.
    for (size_t k = 0; k < n; ++k) {
      const uint16_t v = static_cast<uint16_t>(ExpandALaw(codes[k]));
      ring[slot] = static_cast<uint8_t>(v);
      slot = (slot + 1) & kSlotMask;
      ring[slot] = static_cast<uint8_t>(v >> 8);
      slot = (slot + 1) & kSlotMask;
    }
  });
}

int AudioRing::Pace() {
  const bool clearLow = bits_ == 16;
  uint64_t play = 0;
  int r = ReadPlay(clearLow, &play);
  if (r != kWaveOk) return r;
  if (written_ < play) {
    // The writer stalled and the device played past everything written.
    buffered_ = 0;
    written_ = play;
  } else {
    buffered_ = written_ - play;
  }
  if (buffered_ < kLowWater) {
    if (paused_) return kWaveOk;
    r = device_->Pause();
    if (r != kWaveOk) return r;
    // At the first pause the writer lines up with where the device stopped:
    // what the loop played before then was the ring's silence, not the
    // stream, and the next bytes written must be the next ones heard.
    if (first_ && ReadPlay(clearLow, &play) == kWaveOk) {
      written_ = play;
      buffered_ = 0;
      first_ = 0;
    }
    paused_ = 1;
    return kWaveOk;
  }
  if (paused_) {
    r = device_->Restart();
    if (r == kWaveOk) paused_ = 0;
  }
  return r;
}

void AudioRing::SetVolume(int level) {
  if (level < 0) level = 0;
  if (level > 0xFFFF) level = 0xFFFF;
  const uint32_t volume = static_cast<uint32_t>(level) * 0x10001u;
  std::lock_guard<std::mutex> lock(deviceMutex_);
  volume_ = volume;
  if (!muted_ && device_ && device_->IsOpen()) device_->SetVolume(volume);
}

int AudioRing::Volume() const {
  return static_cast<int>(volume_.load() & 0xFFFF);
}

void AudioRing::SetMute(int on) {
  std::lock_guard<std::mutex> lock(deviceMutex_);
  muted_ = on ? 1 : 0;
  if (device_ && device_->IsOpen()) device_->SetVolume(on ? 0 : volume_.load());
}

int AudioRing::Muted() const {
  return muted_.load();
}

}  // namespace marlow
