// The fast inverse transform's entry points, for the dispatcher only.
#pragma once

#include <cstddef>
#include <cstdint>

namespace marlow {

// 1 when the fast implementation may run in this build.
int InverseTransformFastAvailable();
void InverseTransformFast(int16_t* block);
void InverseTransformSignedFast(int16_t* block);
void InverseTransformStoreFast(int16_t* block, uint8_t* dst, ptrdiff_t stride);

}  // namespace marlow
