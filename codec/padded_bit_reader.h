// MSB-first bit reader with no length checks between steps, for the
// decoder's fast path; BitReader (bit_reader.h) stays the plain reference.
//
// The caller divides its reading into steps (a slice header, a macroblock)
// of at most kStepBytes bytes each and calls BeginStep before each one.
// Inside a step Refill, Peek and Skip test nothing. Safety comes from where
// the reader loads: while a whole step, its 8-byte look-ahead included, lies
// inside the input, it loads the input itself; after that it moves to a
// PaddedTail, an owned copy of the input's last bytes followed by enough
// zero bytes for one more step. The bits it delivers are therefore those of
// the input followed by zeros, exactly what BitReader delivers, whatever the
// bytes. Once every bit of the input is consumed, BeginStep returns false:
// what follows is zeros only and the caller knows what they decode to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace marlow {

template <size_t kStepBytes>
class PaddedBitReader {
 public:
  // A step loads at most kReach bytes from the start of the byte that holds
  // its first unread bit: kStepBytes consumed plus the 64-bit cache.
  static constexpr size_t kReach = kStepBytes + 16;

  // The last kReach bytes of an input (fewer for a shorter one) and zeros
  // behind them. Filled once per input; owned by the caller, which keeps it
  // alive while a reader uses it.
  struct Tail {
    size_t start = 0;   // input offset of bytes[0]
    size_t length = 0;  // input bytes copied
    uint8_t bytes[2 * kReach];

    void Fill(const uint8_t* data, size_t n) {
      start = n > kReach ? n - kReach : 0;
      length = n - start;
      std::memcpy(bytes, data + start, length);
      std::memset(bytes + length, 0, sizeof bytes - length);
    }
  };

  // Starts reading at byte `offset` of the `length` bytes at `data`, whose
  // last bytes `tail` holds. Requires offset < length.
  PaddedBitReader(const uint8_t* data, size_t length, size_t offset, const Tail& tail)
      : base_(data), next_(offset), tail_(&tail) {
    // In the input as long as a whole step's loads stay inside it.
    limit_ = length >= kReach ? length - kReach : 0;
    if (length < kReach || next_ > limit_) MoveToTail();
    Refill();
  }

  // Call before each step. Returns false when every input bit has been
  // consumed (all bits from here on are zero); the reader is then left as it
  // is and must not be read further.
  bool BeginStep() {
    if (next_ <= limit_) return true;
    if (base_ != tail_->bytes) MoveToTail();
    // Consumed bits (next_ * 8 - available_, which may lie a few bytes
    // before the tail's start) against the input's end, without underflow.
    return next_ * 8 < tail_->length * 8 + static_cast<size_t>(available_);
  }

  // Tops the cache up to at least 56 valid bits (see BitReader::Refill).
  void Refill() {
    uint64_t v;
    std::memcpy(&v, base_ + next_, 8);
    cache_ |= ToBigEndian(v) >> available_;
    const int bytes = (63 - available_) >> 3;
    next_ += static_cast<size_t>(bytes);
    available_ += bytes * 8;
  }
  void RefillIfBelow(int bits) {
    if (available_ < bits) Refill();
  }
  int Available() const { return available_; }
  uint32_t Peek(int n) const { return static_cast<uint32_t>(cache_ >> (64 - n)); }
  void Skip(int n) {
    cache_ <<= n;
    available_ -= n;
  }
  uint32_t Read(int n) {
    const uint32_t v = Peek(n);
    Skip(n);
    return v;
  }

 private:
  // Continues at the same input position in the tail. The position lies
  // beyond length - kReach >= tail start, so inside the tail's bytes, and
  // the bits already in the cache stay valid. From here on every step
  // checks whether input bits are left (limit 0 is below any position:
  // next_ > 0 once the first byte is loaded).
  void MoveToTail() {
    base_ = tail_->bytes;
    next_ -= tail_->start;
    limit_ = 0;
  }
  static uint64_t ToBigEndian(uint64_t v) {
#if defined(__GNUC__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    return __builtin_bswap64(v);
#elif defined(__GNUC__)
    return v;
#else
    uint8_t b[8];
    std::memcpy(b, &v, 8);
    uint64_t r = 0;
    for (int k = 0; k < 8; ++k) r = (r << 8) | b[k];
    return r;
#endif
  }

  const uint8_t* base_;  // the input, or the tail's bytes
  size_t next_;          // index into base_ of the next byte to load
  size_t limit_;         // steps starting at next_ <= limit_ need no check
  const Tail* tail_;
  uint64_t cache_ = 0;
  int available_ = 0;  // valid bits at the top of cache_
};

}  // namespace marlow
