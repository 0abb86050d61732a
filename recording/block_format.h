// The block layout of recordings, shared by every reader and writer.
//
// A recording is a flat run of 4096-byte blocks. Each block is an 8-byte
// header followed by 4088 stream bytes; the stream bytes of consecutive blocks,
// headers left out, form one unit stream cut at the start codes 00 00 01 F8..FD.
//
// Header (natural byte order, little-endian fields):
//   0..3  seconds since 1970-01-01 00:00:00, no zone offset
//   4..5  channel mask (bit n: camera n is being recorded)
//   6     frame skip in bits 6..0 (bit 7 written 0, ignored on reading)
//   7     HeaderCheck of bytes 0..6
// On a recorder disk every 16-bit word of a block has its two bytes exchanged.
#pragma once

#include <cstddef>
#include <cstdint>

#include "recording/time_record.h"

namespace marlow {

constexpr size_t kBlockSize = 4096;
constexpr size_t kBlockHeaderSize = 8;
constexpr size_t kBlockPayload = kBlockSize - kBlockHeaderSize;
// A reader keeps at most this many bytes of one unit, start code included.
constexpr size_t kMaxUnitBytes = 131072;
// Audio units carry a 6-byte head (start code and two head bytes) before
// their samples.
constexpr size_t kAudioHeadBytes = 6;

struct BlockHeader {
  uint32_t time = 0;
  uint16_t channelMask = 0;
  uint8_t frameSkip = 0;  // bits 6..0 only
  uint8_t check = 0;
};

// The 8-bit check of a block header: a CRC-8 table (polynomial 0x07, MSB
// first) applied as r = r ^ T[r ^ b] from r = 0xFF, result complemented.
uint8_t HeaderCheck(const uint8_t* bytes, size_t n);

// Reads the header at the front of a natural-order block. Returns true when
// its check matches bytes 0..6.
bool ParseBlockHeader(const uint8_t* block, BlockHeader* out);

// Writes a header with a correct check into out[0..7]; frame skip bit 7 is
// cleared.
void BuildBlockHeader(uint32_t time, uint16_t channelMask, uint8_t frameSkip, uint8_t out[8]);

// Exchanges the two bytes of every 16-bit word in place (disk <-> natural);
// n is rounded down to even.
void SwapWordBytes(uint8_t* bytes, size_t n);

// Calendar fields of seconds since 1970 with zero offset, proleptic Gregorian.
// Day of week and milliseconds are left 0, as recordings carry them.
TimeRecord BreakDownTime(uint32_t seconds);
// The inverse for valid fields (year 1970..2106); used by tools and tests.
uint32_t SecondsFromTime(const TimeRecord& t);

// True for the start-code byte of a unit: F8/F9 video, FA..FD audio 0..3.
inline bool IsUnitCode(uint8_t xx) {
  return xx >= 0xF8 && xx <= 0xFD;
}
inline bool IsVideoCode(uint8_t xx) {
  return xx == 0xF8 || xx == 0xF9;
}
// True when the four bytes held in reg (first byte highest) are a unit start
// code 00 00 01 F8..FD.
inline bool IsUnitStart(uint32_t reg) {
  return (reg >> 8) == 0x000001u && IsUnitCode(static_cast<uint8_t>(reg));
}

// Offsets of stream bytes: moving over the stream skips block headers.
// StreamNext: the stream byte after the one at p (p must be a stream byte);
// StreamPrev: the one before it (p must not be the first stream byte).
inline uint64_t StreamNext(uint64_t p) {
  ++p;
  return (p % kBlockSize == 0) ? p + kBlockHeaderSize : p;
}
inline uint64_t StreamPrev(uint64_t p) {
  return (p % kBlockSize == kBlockHeaderSize) ? p - kBlockHeaderSize - 1 : p - 1;
}

// The whole blocks a saved stretch [start, end) covers: start rounded down
// and end rounded up to blocks. False unless start < end, both lie inside a
// source of `size` bytes and the stretch is at most 1 GiB.
constexpr uint64_t kMaxStretchBytes = 1ull << 30;
bool PlanStretch(uint64_t start, uint64_t end, uint64_t size, uint64_t* first, uint64_t* last);

}  // namespace marlow
