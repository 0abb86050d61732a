#include "export/height_doubling.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace marlow {

namespace {

bool ReferenceFromEnvironment() {
  const char* v = std::getenv("MARLOW_FORCE_REFERENCE");
  return v && *v && std::strcmp(v, "0") != 0;
}

std::atomic<bool>& ReferenceSwitch() {
  static std::atomic<bool> on{ReferenceFromEnvironment()};
  return on;
}

bool SizesMatch(const uint8_t* in, size_t inBytes, unsigned width, unsigned height,
                const uint8_t* out, size_t outBytes) {
  if (!in || !out || width == 0 || height == 0) return false;
  const uint64_t bytes = static_cast<uint64_t>(width) * height * 3;
  return inBytes == bytes && outBytes == 2 * bytes;
}

// Byte-wise floor((a + b) / 2) of eight bytes at once: the common bits plus
// half of the differing ones, with no carry between bytes.
inline uint64_t Average8(uint64_t a, uint64_t b) {
  return (a & b) + (((a ^ b) & 0xFEFEFEFEFEFEFEFEull) >> 1);
}

}  // namespace

int DoubleHeightReference(const uint8_t* in, size_t inBytes, unsigned width, unsigned height,
                          uint8_t* out, size_t outBytes) {
  if (!SizesMatch(in, inBytes, width, height, out, outBytes)) return 0;
  const size_t row = static_cast<size_t>(width) * 3;
  const unsigned rows = 2 * height;
  for (unsigned i = 0; i < rows; ++i) {
    const uint8_t* a = in + (i / 2) * row;
    uint8_t* o = out + i * row;
    if ((i & 1) && i + 1 != rows) {
      const uint8_t* b = a + row;
      for (size_t k = 0; k < row; ++k) o[k] = static_cast<uint8_t>((a[k] + b[k]) >> 1);
    } else {
      for (size_t k = 0; k < row; ++k) o[k] = a[k];
    }
  }
  return 1;
}

int DoubleHeightFast(const uint8_t* in, size_t inBytes, unsigned width, unsigned height,
                     uint8_t* out, size_t outBytes) {
  if (!SizesMatch(in, inBytes, width, height, out, outBytes)) return 0;
  const size_t row = static_cast<size_t>(width) * 3;
  const size_t words = row / 8;
  for (unsigned r = 0; r < height; ++r) {
    const uint8_t* a = in + r * row;
    uint8_t* even = out + 2 * r * row;
    uint8_t* odd = even + row;
    std::memcpy(even, a, row);
    if (r + 1 == height) {
      std::memcpy(odd, a, row);
      break;
    }
    const uint8_t* b = a + row;
    for (size_t w = 0; w < words; ++w) {
      uint64_t x, y;
      std::memcpy(&x, a + 8 * w, 8);
      std::memcpy(&y, b + 8 * w, 8);
      const uint64_t m = Average8(x, y);
      std::memcpy(odd + 8 * w, &m, 8);
    }
    for (size_t k = words * 8; k < row; ++k) odd[k] = static_cast<uint8_t>((a[k] + b[k]) >> 1);
  }
  return 1;
}

int DoubleHeight(const uint8_t* in, size_t inBytes, unsigned width, unsigned height, uint8_t* out,
                 size_t outBytes) {
  if (DoublingReference()) return DoubleHeightReference(in, inBytes, width, height, out, outBytes);
  return DoubleHeightFast(in, inBytes, width, height, out, outBytes);
}

void SetDoublingReference(bool on) {
  ReferenceSwitch().store(on);
}
bool DoublingReference() {
  return ReferenceSwitch().load();
}

}  // namespace marlow
