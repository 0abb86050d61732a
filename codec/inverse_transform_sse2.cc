// SSE2 inverse transform: the reference algorithm on eight rows (then eight
// columns) at once, bit for bit equal to the reference for every input.
//
// Why it is equal:
// - The all-zero short paths of the reference are pure shortcuts: with
//   c1..c7 = 0 the full row formula gives (c0 * 2048 + 128) >> 8 = c0 * 8, and
//   with r1..r7 = 0 the full column formula gives (r0 * 256 + 8192) >> 14 =
//   (r0 + 32) >> 6. So this version runs the full formulas, except where
//   whole coefficient rows are zero: a zero row transforms to zero, so the
//   row pass skips rows 4..7 when they are all zero, and a block with only
//   row 0 takes the reference's row pass and the column short path.
// - Between two right shifts the reference only adds and multiplies in
//   wrapping 32-bit arithmetic, which is a ring: regrouping is exact. Stage 1
//   and 2 therefore become pairwise products with _mm_madd_epi16, e.g.
//   x4 = W7 * (c1 + c7) + (W1 - W7) * c1 = W1 * c1 + W7 * c7, all constants
//   fitting in 16 bits. madd wraps the way 32-bit arithmetic does.
// - 181 * v is formed from shifts and adds (181 = 4 * 9 * 5 + 1), also
//   wrapping.
// - The 16-bit store after the row pass keeps the low 16 bits: shifting left
//   by 16 and back arithmetically sign-extends them, and the saturating pack
//   is then exact.
// - After the column pass, the saturating pack followed by the clamp equals
//   clip-and-clamp of the 32-bit value, since clamping is monotone.
#include "codec/inverse_transform.h"
#include "codec/inverse_transform_fast.h"

#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define MARLOW_IDCT_SSE2 1
#endif

// The passes are small and called from one place each: keeping them inline
// lets the compiler hold all sixteen vectors in registers.
#if defined(__GNUC__)
#define MARLOW_INLINE inline __attribute__((always_inline))
#define MARLOW_UNROLL _Pragma("GCC unroll 8")
#else
#define MARLOW_INLINE inline
#define MARLOW_UNROLL
#endif

namespace marlow {

#if MARLOW_IDCT_SSE2

namespace {

constexpr int16_t W1 = 2841;
constexpr int16_t W2 = 2676;
constexpr int16_t W3 = 2408;
constexpr int16_t W5 = 1609;
constexpr int16_t W6 = 1108;
constexpr int16_t W7 = 565;

MARLOW_INLINE __m128i Pair(int16_t a, int16_t b) {
  return _mm_set_epi16(b, a, b, a, b, a, b, a);
}

MARLOW_INLINE __m128i Mul181(__m128i v) {
  // 181 = 4 * 45 + 1, 45 = 9 * 5: six operations.
  const __m128i v5 = _mm_add_epi32(_mm_slli_epi32(v, 2), v);
  const __m128i v45 = _mm_add_epi32(_mm_slli_epi32(v5, 3), v5);
  return _mm_add_epi32(_mm_slli_epi32(v45, 2), v);
}

// Eight rows of 8 x 16 bit: r[k] <- the transposed matrix.
MARLOW_INLINE void Transpose(__m128i* r) {
  const __m128i a0 = _mm_unpacklo_epi16(r[0], r[1]);
  const __m128i a1 = _mm_unpackhi_epi16(r[0], r[1]);
  const __m128i a2 = _mm_unpacklo_epi16(r[2], r[3]);
  const __m128i a3 = _mm_unpackhi_epi16(r[2], r[3]);
  const __m128i a4 = _mm_unpacklo_epi16(r[4], r[5]);
  const __m128i a5 = _mm_unpackhi_epi16(r[4], r[5]);
  const __m128i a6 = _mm_unpacklo_epi16(r[6], r[7]);
  const __m128i a7 = _mm_unpackhi_epi16(r[6], r[7]);
  const __m128i b0 = _mm_unpacklo_epi32(a0, a2);
  const __m128i b1 = _mm_unpackhi_epi32(a0, a2);
  const __m128i b2 = _mm_unpacklo_epi32(a1, a3);
  const __m128i b3 = _mm_unpackhi_epi32(a1, a3);
  const __m128i b4 = _mm_unpacklo_epi32(a4, a6);
  const __m128i b5 = _mm_unpackhi_epi32(a4, a6);
  const __m128i b6 = _mm_unpacklo_epi32(a5, a7);
  const __m128i b7 = _mm_unpackhi_epi32(a5, a7);
  r[0] = _mm_unpacklo_epi64(b0, b4);
  r[1] = _mm_unpackhi_epi64(b0, b4);
  r[2] = _mm_unpacklo_epi64(b1, b5);
  r[3] = _mm_unpackhi_epi64(b1, b5);
  r[4] = _mm_unpacklo_epi64(b2, b6);
  r[5] = _mm_unpackhi_epi64(b2, b6);
  r[6] = _mm_unpacklo_epi64(b3, b7);
  r[7] = _mm_unpackhi_epi64(b3, b7);
}

// One 1-D pass over four lanes held as interleaved 16-bit pairs. v[k] holds
// input k of the four lanes (index k = coefficient or row position). The
// pass constants differ between rows and columns: kRow selects them.
// Results are the eight 32-bit outputs before the final shift.
template <bool kRow>
MARLOW_INLINE void Pass4(const __m128i (&lo)[8], __m128i (&out)[8]) {
  // Pairs: (c0,c4), (c1,c7), (c5,c3), (c2,c6).
  const __m128i p04 = _mm_unpacklo_epi16(lo[0], lo[4]);
  const __m128i p17 = _mm_unpacklo_epi16(lo[1], lo[7]);
  const __m128i p53 = _mm_unpacklo_epi16(lo[5], lo[3]);
  const __m128i p26 = _mm_unpacklo_epi16(lo[2], lo[6]);
  __m128i x0, x1, x2, x3, x4, x5, x6, x7, x8;
  if (kRow) {
    const __m128i r128 = _mm_set1_epi32(128);
    x8 = _mm_add_epi32(_mm_madd_epi16(p04, Pair(2048, 2048)), r128);
    x0 = _mm_add_epi32(_mm_madd_epi16(p04, Pair(2048, -2048)), r128);
    x4 = _mm_madd_epi16(p17, Pair(W1, W7));
    x5 = _mm_madd_epi16(p17, Pair(W7, -W1));
    x6 = _mm_madd_epi16(p53, Pair(W5, W3));
    x7 = _mm_madd_epi16(p53, Pair(W3, -W5));
    x2 = _mm_madd_epi16(p26, Pair(W6, -W2));
    x3 = _mm_madd_epi16(p26, Pair(W2, W6));
  } else {
    const __m128i r8192 = _mm_set1_epi32(8192);
    const __m128i r4 = _mm_set1_epi32(4);
    x8 = _mm_add_epi32(_mm_madd_epi16(p04, Pair(256, 256)), r8192);
    x0 = _mm_add_epi32(_mm_madd_epi16(p04, Pair(256, -256)), r8192);
    x4 = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(p17, Pair(W1, W7)), r4), 3);
    x5 = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(p17, Pair(W7, -W1)), r4), 3);
    x6 = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(p53, Pair(W5, W3)), r4), 3);
    x7 = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(p53, Pair(W3, -W5)), r4), 3);
    x2 = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(p26, Pair(W6, -W2)), r4), 3);
    x3 = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(p26, Pair(W2, W6)), r4), 3);
  }
  // Stage 2 (the rest).
  x1 = _mm_add_epi32(x4, x6);
  x4 = _mm_sub_epi32(x4, x6);
  x6 = _mm_add_epi32(x5, x7);
  x5 = _mm_sub_epi32(x5, x7);
  // Stage 3.
  x7 = _mm_add_epi32(x8, x3);
  x8 = _mm_sub_epi32(x8, x3);
  x3 = _mm_add_epi32(x0, x2);
  x0 = _mm_sub_epi32(x0, x2);
  const __m128i r128 = _mm_set1_epi32(128);
  x2 = _mm_srai_epi32(_mm_add_epi32(Mul181(_mm_add_epi32(x4, x5)), r128), 8);
  x4 = _mm_srai_epi32(_mm_add_epi32(Mul181(_mm_sub_epi32(x4, x5)), r128), 8);
  // Stage 4 before the shift.
  out[0] = _mm_add_epi32(x7, x1);
  out[1] = _mm_add_epi32(x3, x2);
  out[2] = _mm_add_epi32(x0, x4);
  out[3] = _mm_add_epi32(x8, x6);
  out[4] = _mm_sub_epi32(x8, x6);
  out[5] = _mm_sub_epi32(x0, x4);
  out[6] = _mm_sub_epi32(x3, x2);
  out[7] = _mm_sub_epi32(x7, x1);
}

// Runs one pass on all eight lanes: v[k] holds input k of lanes 0..7; on
// return v[k] holds output k of lanes 0..7 as 16-bit values. With kLowHalf
// the inputs of lanes 4..7 are known to be zero, and so are their row-pass
// outputs (a zero row transforms to zero): only lanes 0..3 are computed.
template <bool kRow, bool kLowHalf = false>
MARLOW_INLINE void Pass8(__m128i* v, __m128i lowest, __m128i highest) {
  __m128i lo[8], hi[8], out_lo[8], out_hi[8];
  MARLOW_UNROLL
  for (int k = 0; k < 8; ++k) {
    lo[k] = v[k];
    if (!kLowHalf) hi[k] = _mm_unpackhi_epi64(v[k], v[k]);
  }
  Pass4<kRow>(lo, out_lo);
  if (!kLowHalf) Pass4<kRow>(hi, out_hi);
  MARLOW_UNROLL
  for (int k = 0; k < 8; ++k) {
    __m128i a, b;
    if (kRow) {
      // >> 8 and keep the low 16 bits: bits 8..23, moved to the top half
      // and sign-extended, so the pack is exact.
      a = _mm_srai_epi32(_mm_slli_epi32(out_lo[k], 8), 16);
      b = kLowHalf ? _mm_setzero_si128() : _mm_srai_epi32(_mm_slli_epi32(out_hi[k], 8), 16);
      v[k] = _mm_packs_epi32(a, b);
    } else {
      a = _mm_srai_epi32(out_lo[k], 14);
      b = _mm_srai_epi32(out_hi[k], 14);
      v[k] = _mm_min_epi16(_mm_max_epi16(_mm_packs_epi32(a, b), lowest), highest);
    }
  }
}

MARLOW_INLINE bool AllZero(__m128i v) {
  return _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())) == 0xFFFF;
}

// Row 0 alone carries coefficients: the column pass sees r1..r7 = 0 in
// every column and gives clip((r0 + 32) >> 6) down the whole column. The
// saturating add can only change values that clip to 255 anyway.
MARLOW_INLINE void RowZeroOnly(int16_t* row, __m128i lo, __m128i hi, __m128i* v) {
  InverseTransformRowReference(row);
  __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row));
  r = _mm_srai_epi16(_mm_adds_epi16(r, _mm_set1_epi16(32)), 6);
  r = _mm_min_epi16(_mm_max_epi16(r, lo), hi);
  MARLOW_UNROLL
  for (int k = 0; k < 8; ++k) v[k] = r;
}

// Leaves in v[k] output row k, clipped to lowest..255. kTransposed: the block
// holds the coefficients column by column (index = column * 8 + row), which
// is the layout the row pass works in, so the first transpose falls away.
template <bool kTransposed>
MARLOW_INLINE void Run(const int16_t* block, int16_t lowest, __m128i* v) {
  MARLOW_UNROLL
  for (int k = 0; k < 8; ++k) {
    v[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 8 * k));
  }
  const __m128i lo = _mm_set1_epi16(lowest);
  const __m128i hi = _mm_set1_epi16(255);
  if (kTransposed) {
    // v[k] = coefficient k of rows 0..7 already.
    const __m128i all =
        _mm_or_si128(_mm_or_si128(_mm_or_si128(v[0], v[1]), _mm_or_si128(v[2], v[3])),
                     _mm_or_si128(_mm_or_si128(v[4], v[5]), _mm_or_si128(v[6], v[7])));
    if (AllZero(_mm_srli_si128(all, 2))) {
      alignas(16) int16_t row[8];
      MARLOW_UNROLL
      for (int k = 0; k < 8; ++k) row[k] = block[8 * k];
      RowZeroOnly(row, lo, hi, v);
      return;
    }
    if (AllZero(_mm_srli_si128(all, 8))) {
      Pass8<true, true>(v, lo, hi);
    } else {
      Pass8<true>(v, lo, hi);
    }
  } else {
    const __m128i lower_rows = _mm_or_si128(_mm_or_si128(v[4], v[5]), _mm_or_si128(v[6], v[7]));
    if (AllZero(lower_rows)) {
      if (AllZero(_mm_or_si128(_mm_or_si128(v[1], v[2]), v[3]))) {
        alignas(16) int16_t row[8];
        std::memcpy(row, block, sizeof row);
        RowZeroOnly(row, lo, hi, v);
        return;
      }
      Transpose(v);  // v[k] = coefficient k of rows 0..7, rows 4..7 zero
      Pass8<true, true>(v, lo, hi);
    } else {
      Transpose(v);  // v[k] = coefficient k of rows 0..7
      Pass8<true>(v, lo, hi);
    }
  }
  Transpose(v);  // v[k] = row k of the intermediate, lanes = columns
  Pass8<false>(v, lo, hi);
}

MARLOW_INLINE void Store(int16_t* block, const __m128i* v) {
  MARLOW_UNROLL
  for (int k = 0; k < 8; ++k) _mm_storeu_si128(reinterpret_cast<__m128i*>(block + 8 * k), v[k]);
}

}  // namespace

int InverseTransformFastAvailable() {
  return 1;
}

void InverseTransformFast(int16_t* block) {
  __m128i v[8];
  Run<false>(block, 0, v);
  Store(block, v);
}

void InverseTransformSignedFast(int16_t* block) {
  __m128i v[8];
  Run<false>(block, -256, v);
  Store(block, v);
}

template <bool kTransposed>
MARLOW_INLINE void StoreToPlane(int16_t* block, uint8_t* dst, ptrdiff_t stride) {
  __m128i v[8];
  Run<kTransposed>(block, 0, v);
  const __m128i zero = _mm_setzero_si128();
  MARLOW_UNROLL
  for (int k = 0; k < 8; ++k) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + k * stride), _mm_packus_epi16(v[k], v[k]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(block + 8 * k), zero);
  }
}

void InverseTransformStoreFast(int16_t* block, uint8_t* dst, ptrdiff_t stride) {
  StoreToPlane<false>(block, dst, stride);
}

void InverseTransformStoreTransposedFast(int16_t* block, uint8_t* dst, ptrdiff_t stride) {
  StoreToPlane<true>(block, dst, stride);
}

#else

// No fast implementation in this build: the dispatcher never calls these.
int InverseTransformFastAvailable() {
  return 0;
}
void InverseTransformFast(int16_t* block) {
  InverseTransformReference(block);
}
void InverseTransformSignedFast(int16_t* block) {
  InverseTransformSignedReference(block);
}
void InverseTransformStoreFast(int16_t*, uint8_t*, ptrdiff_t) {}
void InverseTransformStoreTransposedFast(int16_t*, uint8_t*, ptrdiff_t) {}

#endif

}  // namespace marlow
