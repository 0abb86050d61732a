// The sound output's ring: one 16 KiB buffer handed to the wave device once,
// marked to loop forever, and written just ahead of the device's play
// position. The device's byte position is the clock: a write is refused when
// the ring has no room, and the device is paused whenever less than 1024
// bytes are queued, so it never plays stale ring contents.
//
// Stream positions. `written` counts the bytes put into the ring since the
// last Open or ResetRing; the byte at stream position p lies in slot
// p mod 16384. The device's position counts bytes played; because the buffer
// loops it counts stream bytes too. The device reports it in 32 bits; it is
// widened here to 64 bits by adding up its forward steps, and since 16384
// divides 2^32 the slot of a position is the same in both widths.
//
// Threads: everything but the volume and mute calls runs on the playback
// thread. Volume and mute come from the window's thread and touch only the
// stored volume, the mute flag and the device volume; a lock keeps them off
// a device that the playback thread is opening or closing.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "display/wave_device.h"
#include "engine/media_sinks.h"

namespace marlow {

class AudioRing : public SoundSink {
 public:
  static constexpr uint32_t kRingSize = 0x4000;  // bytes; a power of two
  static constexpr uint32_t kLowWater = 1024;    // bytes queued below which the device pauses

  // Takes the device (none open yet) and allocates the ring. When the ring
  // cannot be had, the notice "m_pWavQ Allocation Failed" is shown and every
  // later write is refused.
  explicit AudioRing(std::unique_ptr<WaveDevice> device);
  // Closes the device before the ring it loops over is freed.
  ~AudioRing() override;
  AudioRing(const AudioRing&) = delete;
  AudioRing& operator=(const AudioRing&) = delete;

  // Clears the ring and the counters, closes any device open before and
  // opens the default device for PCM mono at rate and bits (8 or 16). On
  // failure the notice "Sound device open error !" is shown and 0 returned.
  // The stored volume and mute are not applied here: they reach the new
  // device at the next SetVolume or SetMute.
  int Open(int rate, int bits) override;
  // Clears the ring and the counters and keeps the device; bits is the sample
  // size the following writes carry.
  void ResetRing(int rate, int bits) override;
  // Hands the whole ring to the device to loop over. Notices "Preapre Header
  // Error !" and "Sound out fail !" on failure, with result 0. A device that
  // already loops over the ring keeps doing so (result 1).
  int StartLoop() override;

  // Append n bytes as they are (samples in the device's format). 1 when
  // taken, 0 when there is no room or the position cannot be read; a refused
  // write changes nothing.
  int WriteRaw(const uint8_t* bytes, size_t n) override;
  // Append n A-law codes as 2n bytes of 16-bit little-endian samples.
  int WriteALaw(const uint8_t* codes, size_t n) override;

  // Pauses the device while fewer than kLowWater bytes are queued and
  // restarts it once enough are. Returns the device result (0 = success).
  int Pace() override;

  // level 0-65535, the same for left and right; values outside are clamped.
  void SetVolume(int level);
  int Volume() const;
  void SetMute(int on);
  int Muted() const;

  // What tests and diagnostics look at.
  uint64_t Written() const { return written_; }
  uint64_t Buffered() const { return buffered_; }
  int Paused() const { return paused_; }
  int First() const { return first_; }
  const uint8_t* Ring() const { return ring_.get(); }

 private:
  void ClearRing(int bits);
  // Reads the device position widened to 64 bits, with the lowest bit
  // cleared when clearLow is set. Returns the device result.
  int ReadPlay(bool clearLow, uint64_t* play);
  // The common part of both writes; m bytes to go in, produced by store.
  template <typename Store>
  int Write(size_t m, bool clearLow, Store store);

  std::unique_ptr<uint8_t[]> ring_;
  std::unique_ptr<WaveDevice> device_;
  std::mutex deviceMutex_;  // device open/close against volume calls

  int bits_ = 16;
  uint64_t written_ = 0;
  uint64_t buffered_ = 0;
  int paused_ = 0;
  int first_ = 1;
  uint64_t play_ = 0;     // device position widened to 64 bits
  uint32_t lastRaw_ = 0;  // the device's last 32-bit report

  std::atomic<uint32_t> volume_{0xFFFFFFFFu};
  std::atomic<int> muted_{0};
};

}  // namespace marlow
