// Dequantisation of one coefficient: magnitude x matrix entry x quantiser
// scale / 4, saturated to the transform's input range -2048..2047. No
// mismatch control is applied.
#pragma once

#include <cstdint>

namespace marlow {

// scale = matrix entry * quantiser scale (at most 83 * 14); magnitude 0..256.
inline int16_t Dequantise(int magnitude, int negative, int scale) {
  const int v = (magnitude * scale) >> 2;
  return static_cast<int16_t>(negative ? (v > 2048 ? -2048 : -v) : (v > 2047 ? 2047 : v));
}

}  // namespace marlow
