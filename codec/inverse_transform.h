// The 8x8 inverse DCT of intra blocks: a separable fixed-point Chen-Wang
// transform, accurate to the IEEE 1180 limits, followed by a clamp to the
// sample range 0..255. Intra blocks carry no level offset: coefficient 0 is
// eight times the block's mean sample value.
//
// Contract: the block is 64 signed 16-bit values in raster order (row * 8 +
// column). Any 16-bit input is accepted; the result is exactly what 32-bit
// two's-complement arithmetic with 16-bit storage between the passes gives,
// for every input, in every implementation below.
#pragma once

#include <cstddef>
#include <cstdint>

namespace marlow {

// Transforms the block in place; afterwards each value is a sample 0..255.
// Uses the fastest implementation this build and machine offer unless the
// reference is forced.
void InverseTransform(int16_t* block);

// Transforms the block, stores its 8 x 8 samples at dst (rows `stride` bytes
// apart) and leaves the block all zero, ready for the next block's
// coefficients. This is the decoder's form.
void InverseTransformStore(int16_t* block, uint8_t* dst, ptrdiff_t stride);

// The same for a block that holds its coefficients column by column (index =
// column * 8 + row): the layout the fast transform's row pass works in, so a
// decoder that places coefficients there saves a transpose.
void InverseTransformStoreTransposed(int16_t* block, uint8_t* dst, ptrdiff_t stride);

// The implementation InverseTransformStoreTransposed dispatches to right now,
// for a caller that runs many blocks and wants to choose once.
using InverseTransformStoreFunction = void (*)(int16_t* block, uint8_t* dst, ptrdiff_t stride);
InverseTransformStoreFunction CurrentInverseTransformStoreTransposed();

// A third layout, for the AVX2 transform: the coefficient columns in the
// pairs its multiply-adds take, (0, 4), (1, 7), (5, 3), (2, 6), each pair
// 16 values with the two columns interleaved row by row, so that each pair
// is one 256-bit load. A decoder that places coefficients there saves the
// transform its first shuffles.
constexpr int PairedIndex(int row, int column) {
  constexpr int kGroup[8] = {0, 1, 3, 2, 0, 2, 3, 1};
  constexpr int kMember[8] = {0, 0, 0, 1, 1, 0, 1, 1};
  return 16 * kGroup[column] + 2 * row + kMember[column];
}
// The store form for the paired layout that runs fastest here, or nullptr
// when no implementation of it is faster than the transposed form (then a
// decoder uses that one).
InverseTransformStoreFunction CurrentInverseTransformStorePaired();
// The plain algorithm on a block in the paired layout.
void InverseTransformStorePairedReference(int16_t* block, uint8_t* dst, ptrdiff_t stride);

// The plain scalar algorithm, always available.
void InverseTransformReference(int16_t* block);
// InverseTransformStoreTransposed on the plain algorithm, whatever the
// selected implementation: the decoder's reference path.
void InverseTransformStoreTransposedReference(int16_t* block, uint8_t* dst, ptrdiff_t stride);

// The transform without the final clamp: each value ends in -256..255. This is
// the output the IEEE 1180 accuracy limits apply to.
void InverseTransformSigned(int16_t* block);
void InverseTransformSignedReference(int16_t* block);

// 1 when InverseTransform uses a faster implementation than the reference.
int InverseTransformHasFastPath();

// Implementations: the reference, SSE2 (every x86-64 processor) and AVX2
// (chosen at run time where supported).
enum InverseTransformPath { kTransformReference = 0, kTransformSse2 = 1, kTransformAvx2 = 2 };

// Selects the implementation the dispatching functions use, limited to what
// this build and processor offer; returns the one now in use. Meant for
// tests and benchmarks: set it before decoding starts.
int SelectInverseTransformPath(int path);
// The fastest implementation available here.
int BestInverseTransformPath();

// Forces the reference (1) or goes back to the fastest implementation (0).
void ForceReferenceInverseTransform(int force);

// clip(v): -256 below -256, 255 above 255, else v. Held as a table for
// v = -512..511 (kClipTable.v[v + 512]); values outside clamp by the same rule.
struct ClipTable {
  int16_t v[1024];
};
constexpr ClipTable MakeClipTable() {
  ClipTable t{};
  for (int i = 0; i < 1024; ++i) {
    const int x = i - 512;
    t.v[i] = static_cast<int16_t>(x < -256 ? -256 : (x > 255 ? 255 : x));
  }
  return t;
}
inline constexpr ClipTable kClipTable = MakeClipTable();

}  // namespace marlow
