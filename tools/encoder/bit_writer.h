// MSB-first bit writer over a caller-owned byte buffer. It never writes past
// the capacity it was given: once a write would not fit, the writer turns
// "overflowed" and ignores everything after, so the caller checks once at the
// end instead of after every field.
#pragma once

#include <cstddef>
#include <cstdint>

namespace marlow {

class BitWriter {
 public:
  BitWriter(uint8_t* out, size_t capacity) : out_(out), cap_(capacity) {}

  // Appends the low `count` bits of `value` (count 0..24), most significant first.
  void Put(uint32_t value, int count);
  // Pads with zero bits up to the next byte boundary.
  void AlignZero();
  // Appends whole bytes; the writer must be byte aligned.
  void PutBytes(const uint8_t* bytes, size_t n);

  bool Overflowed() const { return overflowed_; }
  bool Aligned() const { return fill_ == 0; }
  // Bytes completed so far (a partial byte counts once aligned).
  size_t ByteLength() const { return pos_; }
  size_t BitLength() const { return pos_ * 8 + static_cast<size_t>(fill_); }

 private:
  void Emit(uint8_t byte);

  uint8_t* out_;
  size_t cap_;
  size_t pos_ = 0;
  uint32_t acc_ = 0;  // pending bits, right-aligned
  int fill_ = 0;      // number of pending bits (0..7 between calls)
  bool overflowed_ = false;
};

}  // namespace marlow
