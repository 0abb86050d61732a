// Builds recordings byte for byte for tests, benchmarks and tools: lays units
// into valid blocks, can break the check of chosen blocks, and writes files
// in natural or disk byte order. Nothing here is used by the viewer itself.
//
// Unless told otherwise the block headers are a recorder's (see
// recorder_timing.h): picture k of the stream (a unit laid by AddUnit with
// start code F8/F9) is due k x SpacingUs() after the start time, a block
// carries the time of the unit being laid when it starts, the frame skip is
// the timing's, and the channel mask holds the cameras (byte 4 bits 3-0) of
// all pictures of the stream (Finish writes the whole stream's mask into
// those blocks). SetTime, SetChannelMask and SetFrameSkip fix a field to a
// chosen value instead, for deliberately odd streams.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <vector>

#include "tools/streamkit/recorder_timing.h"

namespace marlow::streamkit {

class StreamBuilder {
 public:
  // The recorder's timing: spacing of the pictures and their frame skip.
  void SetTiming(const RecorderTiming& timing) { timing_ = timing; }
  void SetStartTime(uint32_t seconds) { start_ = seconds; }
  // The moment, in microseconds from the start, of the units laid next that
  // are not pictures (sound); every picture moves it to its own due time.
  void SetClockUs(uint64_t us) { clockUs_ = us; }
  // When the next picture is due, in microseconds from the start.
  uint64_t NextPictureUs() const { return pictures_ * timing_.SpacingUs(); }

  // Fixed header values for blocks started from now on, whatever the
  // pictures (the frame skip in the header only: pictures keep the timing's
  // spacing).
  void SetTime(uint32_t seconds) { time_ = seconds, timeFixed_ = true; }
  void SetChannelMask(uint16_t mask) { mask_ = mask, maskFixed_ = true; }
  void SetFrameSkip(uint8_t skip) { skip_ = skip, skipFixed_ = true; }

  // A whole unit, its start code included (e.g. a picture 00 00 01 F9 ...).
  void AddUnit(const uint8_t* bytes, size_t n);
  // An audio unit: 00 00 01 FA+channel, two head bytes (00 00), the samples.
  void AddAudio(int audioChannel, const uint8_t* samples, size_t n);
  // Stream bytes as they are (no start code added).
  void AddRaw(const uint8_t* bytes, size_t n);
  void AddRaw(const std::vector<uint8_t>& bytes) { AddRaw(bytes.data(), bytes.size()); }
  void AddUnit(const std::vector<uint8_t>& bytes) { AddUnit(bytes.data(), bytes.size()); }

  // Makes the check byte of block blockIndex wrong (now, or when the block
  // is started). Breaking a block twice leaves it broken.
  void BreakCheckOfBlock(size_t blockIndex);

  // Zero-pads the last block to its end and writes the stream's channel
  // mask into the blocks that follow the pictures; further bytes start a new
  // block.
  void Finish();

  // The recording in natural byte order.
  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  size_t BlockCount() const { return (bytes_.size() + 4095) / 4096; }
  // Stream bytes laid so far (headers not counted).
  uint64_t StreamBytes() const { return stream_; }
  // File offset of the stream byte with index i (0 = first stream byte).
  static uint64_t FileOffsetOf(uint64_t streamIndex) {
    return streamIndex / 4088 * 4096 + 8 + streamIndex % 4088;
  }
  // Writes the bytes to path; diskOrder exchanges the two bytes of every
  // 16-bit word, as a recorder disk holds them.
  bool WriteFile(const char* path, bool diskOrder = false) const;

 private:
  void StartBlock();
  void SealHeader(size_t blockIndex);

  std::vector<uint8_t> bytes_;
  std::set<size_t> broken_;
  uint64_t stream_ = 0;
  // The recorder's clock.
  RecorderTiming timing_;
  uint32_t start_ = kDefaultStartTime;
  uint64_t clockUs_ = 0;
  uint64_t pictures_ = 0;
  uint16_t cameras_ = 0;               // of all pictures laid so far
  std::vector<size_t> followingMask_;  // blocks whose mask is cameras_
  // Fixed header values.
  uint32_t time_ = 0;
  uint16_t mask_ = 1;
  uint8_t skip_ = 0;
  bool timeFixed_ = false, maskFixed_ = false, skipFixed_ = false;
};

// A picture-like video unit of n >= 8 bytes: 00 00 01 F9 (full) or F8,
// byte 4 = quantiser << 4 | channel, then filler from seed that holds slice
// codes 00 00 01 01.. but never a unit start code.
std::vector<uint8_t> MakeVideoUnit(int channel, bool full, size_t n, uint32_t seed);
// n filler bytes from seed, never forming 00 00 01 F8..FD (also not across
// the seam with bytes already in out).
void AppendFiller(std::vector<uint8_t>* out, size_t n, uint32_t seed);

}  // namespace marlow::streamkit
