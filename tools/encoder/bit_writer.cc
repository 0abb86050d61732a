#include "tools/encoder/bit_writer.h"

namespace marlow {

void BitWriter::Emit(uint8_t byte) {
  if (pos_ >= cap_) {
    overflowed_ = true;
    return;
  }
  out_[pos_++] = byte;
}

void BitWriter::Put(uint32_t value, int count) {
  if (count <= 0) return;
  // acc_ holds at most 7 bits between calls, so 7 + 24 bits fit in 32.
  acc_ = (acc_ << count) | (value & ((1u << count) - 1u));
  fill_ += count;
  while (fill_ >= 8) {
    fill_ -= 8;
    Emit(static_cast<uint8_t>(acc_ >> fill_));
  }
  acc_ &= (1u << fill_) - 1u;
}

void BitWriter::AlignZero() {
  if (fill_ > 0) Put(0, 8 - fill_);
}

void BitWriter::PutBytes(const uint8_t* bytes, size_t n) {
  for (size_t i = 0; i < n; ++i) Put(bytes[i], 8);
}

}  // namespace marlow
