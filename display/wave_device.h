// The sound device as the audio ring sees it: one output stream of PCM mono
// samples that plays a single buffer in an endless loop and reports how many
// bytes it has played. The Windows build drives the wave output device
// through it; tests drive a fake whose position they move by hand.
#pragma once

#include <cstdint>

namespace marlow {

// Device results follow the wave device's convention: 0 is success, any other
// value is the device's error code and is handed back to the caller as is.
enum : int {
  kWaveOk = 0,
  kWaveNoDevice = 5,  // the wave device's "invalid handle"
};

enum class WaveLoopResult {
  kOk,
  kPrepareFailed,  // the device refused to prepare the buffer
  kWriteFailed,    // the device refused to take the prepared buffer
};

class WaveDevice {
 public:
  virtual ~WaveDevice() = default;

  // Opens the default output for PCM mono at rate (Hz) and bits (8 or 16).
  // Any device open before is closed first. 1 on success, 0 on failure.
  virtual int Open(int rate, int bits) = 0;
  // Stops the sound, takes the loop buffer back from the device and closes
  // it. Nothing happens when no device is open. After Close the device no
  // longer touches the buffer handed to StartLoop.
  virtual void Close() = 0;
  virtual int IsOpen() const = 0;

  // Hands the device buffer (size bytes) to play from its first byte in an
  // endless loop, until Close. The buffer must outlive the open device. A
  // device that already loops over a buffer keeps it and reports kOk.
  virtual WaveLoopResult StartLoop(uint8_t* buffer, uint32_t size) = 0;

  // Bytes played since Open, as a 32-bit count that wraps. A paused device
  // reports the same count until restarted.
  virtual int Position(uint32_t* bytes) = 0;
  virtual int Pause() = 0;
  virtual int Restart() = 0;
  // volume: left level in the low 16 bits, right level in the high 16 bits.
  virtual int SetVolume(uint32_t volume) = 0;
};

}  // namespace marlow
