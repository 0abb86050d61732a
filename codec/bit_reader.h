// MSB-first bit reader over a byte buffer of known length. It refills a
// 64-bit cache eight bytes at a time; bytes beyond the length read as 0, so
// no input makes it read outside the buffer.
//
// Contract: after Refill at least 56 bits are available; Peek and Skip of up
// to the available count need no check. Callers refill before each field
// group (no field group here is longer than 28 bits).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace marlow {

class BitReader {
 public:
  BitReader(const uint8_t* data, size_t length, size_t offset)
      : data_(data), length_(length), next_(offset) {
    Refill();
  }

  // Tops the cache up to at least 56 valid bits. The bits below the valid
  // ones may already hold the next byte's leading bits; OR-ing them in again
  // at the same place changes nothing.
  void Refill() {
    cache_ |= Load8() >> available_;
    const int bytes = (63 - available_) >> 3;
    next_ += bytes;
    available_ += bytes * 8;
  }
  void RefillIfBelow(int bits) {
    if (available_ < bits) Refill();
  }

  int Available() const { return available_; }

  // The next n bits (1..32) without consuming them.
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
  // Eight bytes from next_, big-endian, with zeros beyond the length.
  uint64_t Load8() const {
    if (next_ < length_ && length_ - next_ >= 8) {
      uint8_t b[8];
      std::memcpy(b, data_ + next_, 8);
      return BigEndian(b);
    }
    uint8_t b[8] = {};
    for (size_t k = 0; k < 8 && next_ + k < length_; ++k) b[k] = data_[next_ + k];
    return BigEndian(b);
  }
  static uint64_t BigEndian(const uint8_t* b) {
    uint64_t v;
    std::memcpy(&v, b, 8);
#if defined(__GNUC__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    return __builtin_bswap64(v);
#elif defined(__GNUC__)
    return v;
#else
    return (uint64_t{b[0]} << 56) | (uint64_t{b[1]} << 48) | (uint64_t{b[2]} << 40) |
           (uint64_t{b[3]} << 32) | (uint64_t{b[4]} << 24) | (uint64_t{b[5]} << 16) |
           (uint64_t{b[6]} << 8) | uint64_t{b[7]};
#endif
  }

  const uint8_t* data_;
  size_t length_;
  size_t next_;  // index of the next byte to load
  uint64_t cache_ = 0;
  int available_ = 0;  // valid bits at the top of cache_
};

}  // namespace marlow
