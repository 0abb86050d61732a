// Reference inverse transform and the dispatch to the fast one.
//
// Fixed-point bit budget (coefficients from the decoder lie in -2048..2047,
// 12 bits signed; constants W1..W7 are 2048 * sqrt(2) * cos(k*pi/16), 12 bits,
// so one multiply adds 12 bits):
//   row pass    inputs 12 bits; x0 = c0 << 11 (+128 rounding) 23 bits; each
//               butterfly product <= 2^12 * 2^13 = 2^25; sums of four
//               products and the 181 rotation (8 bits, then >> 8) stay below
//               2^28; the outputs (>> 8) carry 3 extra fraction bits and stay
//               below 2^17 for legal input: in practice within 16 bits, but a
//               block of saturated coefficients can exceed them, and the 16-bit
//               store between the passes then wraps.
//   column pass inputs 16 bits; x0 = r0 << 8 (+8192 rounding) 24 bits;
//               products up to 2^16 * 2^13 = 2^29, the stage-1 and stage-2
//               results are scaled down by >> 3 (+4 rounding); the rotation
//               181 * (x4 + x5) needs 8 + 28 bits and so can exceed 32 bits
//               for extreme 16-bit input; the outputs >> 14 give samples that
//               are clipped to -256..255 and then clamped to 0..255.
// Where the 32-bit intermediates overflow, the result is defined as what
// 32-bit two's-complement arithmetic gives: all sums and products are done in
// uint32_t (which wraps by definition), converted back to int32_t only for
// the arithmetic right shifts, and stored as int16_t by truncation. Every
// implementation of this file's contract reproduces that bit for bit.
#include "codec/inverse_transform.h"

#include <atomic>
#include <cstring>

#include "codec/inverse_transform_fast.h"

namespace marlow {

namespace {

constexpr uint32_t W1 = 2841;  // 2048 * sqrt(2) * cos(1 * pi / 16)
constexpr uint32_t W2 = 2676;  // 2048 * sqrt(2) * cos(2 * pi / 16)
constexpr uint32_t W3 = 2408;  // 2048 * sqrt(2) * cos(3 * pi / 16)
constexpr uint32_t W5 = 1609;  // 2048 * sqrt(2) * cos(5 * pi / 16)
constexpr uint32_t W6 = 1108;  // 2048 * sqrt(2) * cos(6 * pi / 16)
constexpr uint32_t W7 = 565;   // 2048 * sqrt(2) * cos(7 * pi / 16)
constexpr uint32_t kR2 = 181;  // 256 / sqrt(2)

// A value as a wrapping 32-bit word.
inline uint32_t U(int32_t v) {
  return static_cast<uint32_t>(v);
}
// The word back as a signed value and shifted arithmetically (two's
// complement conversion; all supported compilers define it that way).
inline int32_t Sar(uint32_t v, int s) {
  return static_cast<int32_t>(v) >> s;
}
// 16-bit storage keeps the low 16 bits.
inline int16_t Store16(uint32_t v) {
  return static_cast<int16_t>(static_cast<uint16_t>(v));
}

inline int32_t Clip(int32_t v) {
  if (v >= -512 && v <= 511) return kClipTable.v[v + 512];
  return v < -256 ? -256 : 255;
}

void RowPass(int16_t* b) {
  if (!(b[1] | b[2] | b[3] | b[4] | b[5] | b[6] | b[7])) {
    const int16_t v = Store16(U(b[0]) << 3);
    for (int k = 0; k < 8; ++k) b[k] = v;
    return;
  }
  uint32_t x0 = (U(b[0]) << 11) + 128;
  uint32_t x1 = U(b[4]) << 11;
  uint32_t x2 = U(b[6]);
  uint32_t x3 = U(b[2]);
  uint32_t x4 = U(b[1]);
  uint32_t x5 = U(b[7]);
  uint32_t x6 = U(b[5]);
  uint32_t x7 = U(b[3]);
  uint32_t x8;

  // Stage 1.
  x8 = W7 * (x4 + x5);
  x4 = x8 + (W1 - W7) * x4;
  x5 = x8 - (W1 + W7) * x5;
  x8 = W3 * (x6 + x7);
  x6 = x8 - (W3 - W5) * x6;
  x7 = x8 - (W3 + W5) * x7;

  // Stage 2.
  x8 = x0 + x1;
  x0 -= x1;
  x1 = W6 * (x3 + x2);
  x2 = x1 - (W2 + W6) * x2;
  x3 = x1 + (W2 - W6) * x3;
  x1 = x4 + x6;
  x4 -= x6;
  x6 = x5 + x7;
  x5 -= x7;

  // Stage 3.
  x7 = x8 + x3;
  x8 -= x3;
  x3 = x0 + x2;
  x0 -= x2;
  x2 = U(Sar(kR2 * (x4 + x5) + 128, 8));
  x4 = U(Sar(kR2 * (x4 - x5) + 128, 8));

  // Stage 4.
  b[0] = Store16(U(Sar(x7 + x1, 8)));
  b[1] = Store16(U(Sar(x3 + x2, 8)));
  b[2] = Store16(U(Sar(x0 + x4, 8)));
  b[3] = Store16(U(Sar(x8 + x6, 8)));
  b[4] = Store16(U(Sar(x8 - x6, 8)));
  b[5] = Store16(U(Sar(x0 - x4, 8)));
  b[6] = Store16(U(Sar(x3 - x2, 8)));
  b[7] = Store16(U(Sar(x7 - x1, 8)));
}

void ColumnPass(int16_t* b) {
  if (!(b[8] | b[16] | b[24] | b[32] | b[40] | b[48] | b[56])) {
    const int16_t v = static_cast<int16_t>(Clip((b[0] + 32) >> 6));
    for (int k = 0; k < 8; ++k) b[8 * k] = v;
    return;
  }
  uint32_t x0 = (U(b[0]) << 8) + 8192;
  uint32_t x1 = U(b[32]) << 8;
  uint32_t x2 = U(b[48]);
  uint32_t x3 = U(b[16]);
  uint32_t x4 = U(b[8]);
  uint32_t x5 = U(b[56]);
  uint32_t x6 = U(b[40]);
  uint32_t x7 = U(b[24]);
  uint32_t x8;

  // Stage 1.
  x8 = W7 * (x4 + x5) + 4;
  x4 = U(Sar(x8 + (W1 - W7) * x4, 3));
  x5 = U(Sar(x8 - (W1 + W7) * x5, 3));
  x8 = W3 * (x6 + x7) + 4;
  x6 = U(Sar(x8 - (W3 - W5) * x6, 3));
  x7 = U(Sar(x8 - (W3 + W5) * x7, 3));

  // Stage 2.
  x8 = x0 + x1;
  x0 -= x1;
  x1 = W6 * (x3 + x2) + 4;
  x2 = U(Sar(x1 - (W2 + W6) * x2, 3));
  x3 = U(Sar(x1 + (W2 - W6) * x3, 3));
  x1 = x4 + x6;
  x4 -= x6;
  x6 = x5 + x7;
  x5 -= x7;

  // Stage 3.
  x7 = x8 + x3;
  x8 -= x3;
  x3 = x0 + x2;
  x0 -= x2;
  x2 = U(Sar(kR2 * (x4 + x5) + 128, 8));
  x4 = U(Sar(kR2 * (x4 - x5) + 128, 8));

  // Stage 4.
  b[0] = static_cast<int16_t>(Clip(Sar(x7 + x1, 14)));
  b[8] = static_cast<int16_t>(Clip(Sar(x3 + x2, 14)));
  b[16] = static_cast<int16_t>(Clip(Sar(x0 + x4, 14)));
  b[24] = static_cast<int16_t>(Clip(Sar(x8 + x6, 14)));
  b[32] = static_cast<int16_t>(Clip(Sar(x8 - x6, 14)));
  b[40] = static_cast<int16_t>(Clip(Sar(x0 - x4, 14)));
  b[48] = static_cast<int16_t>(Clip(Sar(x3 - x2, 14)));
  b[56] = static_cast<int16_t>(Clip(Sar(x7 - x1, 14)));
}

int DetectBestPath() {
  if (InverseTransformAvx2Available()) return kTransformAvx2;
  if (InverseTransformFastAvailable()) return kTransformSse2;
  return kTransformReference;
}

// The implementation in use; -1 until the first call picks the best one.
// Atomic so that a switch while another thread decodes is a race on nothing
// but the choice.
std::atomic<int> g_path{-1};

inline int Path() {
  const int path = g_path.load(std::memory_order_relaxed);
  if (path >= 0) return path;
  const int best = DetectBestPath();
  g_path.store(best, std::memory_order_relaxed);
  return best;
}

}  // namespace

void InverseTransformRowReference(int16_t* row) {
  RowPass(row);
}

void InverseTransformSignedReference(int16_t* block) {
  for (int r = 0; r < 8; ++r) RowPass(block + 8 * r);
  for (int c = 0; c < 8; ++c) ColumnPass(block + c);
}

void InverseTransformReference(int16_t* block) {
  InverseTransformSignedReference(block);
  // Final clamp to the sample range; the signed values are already within
  // -256..255.
  for (int k = 0; k < 64; ++k) {
    const int16_t v = block[k];
    block[k] = v < 0 ? 0 : (v > 255 ? 255 : v);
  }
}

int BestInverseTransformPath() {
  static const int best = DetectBestPath();
  return best;
}

int SelectInverseTransformPath(int path) {
  const int best = BestInverseTransformPath();
  if (path < kTransformReference) path = kTransformReference;
  if (path > best) path = best;
  g_path.store(path, std::memory_order_relaxed);
  return path;
}

int InverseTransformHasFastPath() {
  return BestInverseTransformPath() > kTransformReference;
}

void ForceReferenceInverseTransform(int force) {
  SelectInverseTransformPath(force ? kTransformReference : kTransformAvx2);
}

void InverseTransform(int16_t* block) {
  switch (Path()) {
    case kTransformAvx2:
      return InverseTransformAvx2(block);
    case kTransformSse2:
      return InverseTransformFast(block);
    default:
      return InverseTransformReference(block);
  }
}

void InverseTransformSigned(int16_t* block) {
  switch (Path()) {
    case kTransformAvx2:
      return InverseTransformSignedAvx2(block);
    case kTransformSse2:
      return InverseTransformSignedFast(block);
    default:
      return InverseTransformSignedReference(block);
  }
}

void InverseTransformStore(int16_t* block, uint8_t* dst, ptrdiff_t stride) {
  switch (Path()) {
    case kTransformAvx2:
      return InverseTransformStoreAvx2(block, dst, stride);
    case kTransformSse2:
      return InverseTransformStoreFast(block, dst, stride);
    default:
      break;
  }
  InverseTransformReference(block);
  for (int r = 0; r < 8; ++r) {
    for (int c = 0; c < 8; ++c) dst[r * stride + c] = static_cast<uint8_t>(block[r * 8 + c]);
  }
  std::memset(block, 0, 64 * sizeof(int16_t));
}

InverseTransformStoreFunction CurrentInverseTransformStoreTransposed() {
  switch (Path()) {
    case kTransformAvx2:
      return InverseTransformStoreTransposedAvx2;
    case kTransformSse2:
      return InverseTransformStoreTransposedFast;
    default:
      return InverseTransformStoreTransposedReference;
  }
}

void InverseTransformStoreTransposed(int16_t* block, uint8_t* dst, ptrdiff_t stride) {
  switch (Path()) {
    case kTransformAvx2:
      return InverseTransformStoreTransposedAvx2(block, dst, stride);
    case kTransformSse2:
      return InverseTransformStoreTransposedFast(block, dst, stride);
    default:
      return InverseTransformStoreTransposedReference(block, dst, stride);
  }
}

InverseTransformStoreFunction CurrentInverseTransformStorePaired() {
  return Path() == kTransformAvx2 ? InverseTransformStorePairedAvx2 : nullptr;
}

void InverseTransformStorePairedReference(int16_t* block, uint8_t* dst, ptrdiff_t stride) {
  int16_t raster[64];
  for (int r = 0; r < 8; ++r) {
    for (int c = 0; c < 8; ++c) raster[r * 8 + c] = block[PairedIndex(r, c)];
  }
  std::memset(block, 0, 64 * sizeof(int16_t));
  InverseTransformReference(raster);
  for (int r = 0; r < 8; ++r) {
    for (int c = 0; c < 8; ++c) dst[r * stride + c] = static_cast<uint8_t>(raster[r * 8 + c]);
  }
}

void InverseTransformStoreTransposedReference(int16_t* block, uint8_t* dst, ptrdiff_t stride) {
  int16_t raster[64];
  for (int k = 0; k < 64; ++k) raster[(k & 7) * 8 + (k >> 3)] = block[k];
  std::memset(block, 0, 64 * sizeof(int16_t));
  InverseTransformReference(raster);
  for (int r = 0; r < 8; ++r) {
    for (int c = 0; c < 8; ++c) dst[r * stride + c] = static_cast<uint8_t>(raster[r * 8 + c]);
  }
}

}  // namespace marlow
