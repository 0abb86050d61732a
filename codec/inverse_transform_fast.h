// The fast inverse transforms' entry points, for the dispatcher only.
#pragma once

#include <cstddef>
#include <cstdint>

namespace marlow {

// 1 when the fast implementation may run in this build.
int InverseTransformFastAvailable();
void InverseTransformFast(int16_t* block);
void InverseTransformSignedFast(int16_t* block);
void InverseTransformStoreFast(int16_t* block, uint8_t* dst, ptrdiff_t stride);
void InverseTransformStoreTransposedFast(int16_t* block, uint8_t* dst, ptrdiff_t stride);

// AVX2 implementation: 1 when the processor and system support it.
int InverseTransformAvx2Available();
void InverseTransformAvx2(int16_t* block);
void InverseTransformSignedAvx2(int16_t* block);
void InverseTransformStoreAvx2(int16_t* block, uint8_t* dst, ptrdiff_t stride);
void InverseTransformStoreTransposedAvx2(int16_t* block, uint8_t* dst, ptrdiff_t stride);
void InverseTransformStorePairedAvx2(int16_t* block, uint8_t* dst, ptrdiff_t stride);

// The reference's row pass on one row of 8 values (shared so that the fast
// implementation's row-only short path is the reference itself).
void InverseTransformRowReference(int16_t* row);

}  // namespace marlow
