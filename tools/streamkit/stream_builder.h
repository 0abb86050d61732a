// Builds recordings byte for byte for tests, benchmarks and tools: lays units
// into valid blocks with chosen times, channel masks and frame skips, can
// break the check of chosen blocks, and writes files in natural or disk byte
// order. Nothing here is used by the viewer itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <vector>

namespace marlow::streamkit {

class StreamBuilder {
 public:
  // Header values for blocks started from now on.
  void SetTime(uint32_t seconds) { time_ = seconds; }
  void SetChannelMask(uint16_t mask) { mask_ = mask; }
  void SetFrameSkip(uint8_t skip) { skip_ = skip; }

  // A whole unit, its start code included (e.g. a picture 00 00 01 F9 ...).
  void AddUnit(const uint8_t* bytes, size_t n) { AddRaw(bytes, n); }
  // An audio unit: 00 00 01 FA+channel, two head bytes (00 00), the samples.
  void AddAudio(int audioChannel, const uint8_t* samples, size_t n);
  // Stream bytes as they are (no start code added).
  void AddRaw(const uint8_t* bytes, size_t n);
  void AddRaw(const std::vector<uint8_t>& bytes) { AddRaw(bytes.data(), bytes.size()); }
  void AddUnit(const std::vector<uint8_t>& bytes) { AddRaw(bytes.data(), bytes.size()); }

  // Makes the check byte of block blockIndex wrong (now, or when the block
  // is started). Breaking a block twice leaves it broken.
  void BreakCheckOfBlock(size_t blockIndex);

  // Zero-pads the last block to its end; further bytes start a new block.
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

  std::vector<uint8_t> bytes_;
  std::set<size_t> broken_;
  uint64_t stream_ = 0;
  uint32_t time_ = 0;
  uint16_t mask_ = 1;
  uint8_t skip_ = 0;
};

// A picture-like video unit of n >= 8 bytes: 00 00 01 F9 (full) or F8,
// byte 4 = quantiser << 4 | channel, then filler from seed that holds slice
// codes 00 00 01 01.. but never a unit start code.
std::vector<uint8_t> MakeVideoUnit(int channel, bool full, size_t n, uint32_t seed);
// n filler bytes from seed, never forming 00 00 01 F8..FD (also not across
// the seam with bytes already in out).
void AppendFiller(std::vector<uint8_t>* out, size_t n, uint32_t seed);

}  // namespace marlow::streamkit
