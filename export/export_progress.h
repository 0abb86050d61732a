// Export progress on a bar that takes 32-bit signed values.
//
// The source size and position are 64-bit byte counts; sources of 2 GiB and
// more are shown in units of 2^shift bytes, the smallest shift that brings
// the size below 2^31, so the bar's range and position stay in step.
#pragma once

#include <cstdint>

namespace marlow {

struct ProgressScale {
  int shift = 0;
  int32_t range = 0;  // the bar's upper limit (its lower one is 0)
};

ProgressScale ScaleForSize(uint64_t size);
// The bar position for a source position (clamped to the range).
int32_t ScaledPosition(const ProgressScale& scale, uint64_t position);
// position * 100 / size in 0..100, without overflow; 0 for an empty source.
int ProgressPercent(uint64_t position, uint64_t size);

}  // namespace marlow
