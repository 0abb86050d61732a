#include "recording/unit_counter.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace marlow {

namespace {

// Bit i of *zeros / *ones: byte i of the 64 at p is 00 / 01.
inline void Masks64(const uint8_t* p, uint64_t* zeros, uint64_t* ones) {
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128(), one = _mm_set1_epi8(1);
  uint64_t z = 0, o = 0;
  for (int k = 0; k < 4; ++k) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    z |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero))))
         << (16 * k);
    o |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, one))))
         << (16 * k);
  }
  *zeros = z;
  *ones = o;
#else
  uint64_t z = 0, o = 0;
  for (int i = 0; i < 64; ++i) {
    z |= static_cast<uint64_t>(p[i] == 0) << i;
    o |= static_cast<uint64_t>(p[i] == 1) << i;
  }
  *zeros = z;
  *ones = o;
#endif
}

inline int LowestBit(uint64_t v) {
  return __builtin_ctzll(v);
}

// The slices VideoDecoder::ParseHeader accepts for a picture (variant 4).
inline bool SliceCountParses(int n) {
  return n == 14 || n == 17;
}

}  // namespace

void UnitCounter::Reset() {
  collecting_ = false;
  pending_ = false;
  needHead_ = false;
  prevZero1_ = prevZero2_ = false;
}

void UnitCounter::Break() {
  if (collecting_ && sink_) sink_->OnDropped(fileStart_, code_, base_ - start_);
  Reset();
}

void UnitCounter::EndUnit(uint64_t end, const BlockHeader& h) {
  const uint64_t bytes = end - start_;
  const uint64_t n = bytes < kMaxUnitBytes ? bytes : kMaxUnitBytes;
  CutUnit u;
  u.code = code_;
  u.bytes = bytes;
  u.start = fileStart_;
  u.time = h.time;
  u.channelMask = h.channelMask;
  u.frameSkip = h.frameSkip;
  if (IsVideoCode(code_)) {
    u.kind = UnitKind::kVideo;
    u.channel = n > 4 ? head_ & 0x0F : 0;
    u.length = static_cast<uint32_t>(n);
    // A slice code whose last byte is the next unit's first 00 lies outside
    // the picture ParseHeader is given.
    int slices = slices_;
    if (slices > 0 && lastSlice_ + 1 >= n) --slices;
    u.headerParses = n > 5 && (head_ >> 4) != 15 && SliceCountParses(slices) ? 1 : 0;
  } else {
    u.kind = UnitKind::kAudio;
    u.channel = code_ - 0xFA;
    u.length = n > kAudioHeadBytes ? static_cast<uint32_t>(n - kAudioHeadBytes) : 0;
  }
  if (sink_) sink_->OnUnit(u);
}

void UnitCounter::Pattern(uint64_t q, uint8_t xx, uint64_t xxAt, const BlockHeader& h) {
  if (IsUnitCode(xx)) {
    if (collecting_) EndUnit(q - 2, h);
    uint64_t at = xxAt;
    for (int k = 0; k < 3; ++k) at = StreamPrev(at);
    collecting_ = true;
    code_ = xx;
    start_ = q - 2;
    fileStart_ = at;
    needHead_ = true;
    head_ = 0;
    slices_ = 0;
    stopped_ = false;
    return;
  }
  if (!collecting_ || !IsVideoCode(code_) || stopped_ || slices_ > 17) return;
  // ParseHeader looks for slice codes whose 01 lies at offset 7 or later
  // and whose code byte lies inside the picture it is given.
  const uint64_t p = q - start_;
  if (p < 7 || p + 1 >= kMaxUnitBytes) return;
  if (xx == 0xFE) {
    stopped_ = true;
    return;
  }
  ++slices_;
  lastSlice_ = p;
}

void UnitCounter::FeedBlock(const uint8_t* block, uint64_t blockNumber, const BlockHeader& h) {
  const uint8_t* pay = block + kBlockHeaderSize;
  const uint64_t fileBase = blockNumber * kBlockSize + kBlockHeaderSize;
  // What the block before left open: a 01 at its end, then byte 4 of a unit.
  if (pending_) {
    pending_ = false;
    Pattern(base_ - 1, pay[0], fileBase, h);
  }
  if (collecting_ && needHead_ && start_ + 4 >= base_) {
    needHead_ = false;
    if (start_ + 4 < base_ + kBlockPayload) head_ = pay[start_ + 4 - base_];
  }
  // 64 bytes at a time over the whole block; the header's bits are masked
  // off and the two payload bytes before this block stand at bits 6 and 7.
  uint64_t carryZ = (prevZero1_ ? 1ull << 7 : 0) | (prevZero2_ ? 1ull << 6 : 0);
  for (size_t c = 0; c < kBlockSize; c += 64) {
    uint64_t z, o;
    Masks64(block + c, &z, &o);
    if (c == 0) {
      z = (z & ~0xFFull) | carryZ;
      o &= ~0xFFull;
      carryZ = 0;
    }
    // 01 at bit i with 00 at bits i-1 and i-2 (or in the 64 bytes before).
    uint64_t hits = o & (z << 1 | carryZ >> 63) & (z << 2 | carryZ >> 62);
    carryZ = z;
    while (hits) {
      const size_t i = c + static_cast<size_t>(LowestBit(hits));
      hits &= hits - 1;
      const uint64_t q = base_ + (i - kBlockHeaderSize);
      if (i + 1 < kBlockSize) {
        Pattern(q, block[i + 1], fileBase + (i + 1 - kBlockHeaderSize), h);
        if (collecting_ && needHead_ && start_ + 4 < base_ + kBlockPayload) {
          needHead_ = false;
          head_ = pay[start_ + 4 - base_];
        }
      } else {
        pending_ = true;
      }
    }
  }
  prevZero1_ = pay[kBlockPayload - 1] == 0;
  prevZero2_ = pay[kBlockPayload - 2] == 0;
  base_ += kBlockPayload;
}

}  // namespace marlow
