// AVX2 inverse transform: the SSE2 version's algorithm (see
// inverse_transform_sse2.cc for why it equals the reference bit for bit)
// with each 1-D pass run on all eight lanes at once in 32-bit arithmetic,
// where SSE2 needs two halves of four. Only the passes use 256-bit vectors;
// loads, transposes and stores stay 128-bit. Chosen at run time when the
// processor and the system support AVX2; built for it function by function
// (target attribute), so nothing else in the program depends on AVX2.
#include <cstring>

#include "codec/inverse_transform.h"
#include "codec/inverse_transform_fast.h"

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#include <immintrin.h>
#define MARLOW_IDCT_AVX2 1
#endif

namespace marlow {

#if MARLOW_IDCT_AVX2

#define MARLOW_AVX2 __attribute__((target("avx2")))
#define MARLOW_AVX2_INLINE inline __attribute__((target("avx2"), always_inline))
#define MARLOW_UNROLL _Pragma("GCC unroll 8")

namespace {

constexpr int16_t W1 = 2841;
constexpr int16_t W2 = 2676;
constexpr int16_t W3 = 2408;
constexpr int16_t W5 = 1609;
constexpr int16_t W6 = 1108;
constexpr int16_t W7 = 565;

MARLOW_AVX2_INLINE __m256i Pair(int16_t a, int16_t b) {
  return _mm256_set1_epi32(static_cast<int32_t>(
      static_cast<uint16_t>(a) | (static_cast<uint32_t>(static_cast<uint16_t>(b)) << 16)));
}

MARLOW_AVX2_INLINE __m256i Mul181(__m256i v) {
  // 181 = 4 * 45 + 1, 45 = 9 * 5.
  const __m256i v5 = _mm256_add_epi32(_mm256_slli_epi32(v, 2), v);
  const __m256i v45 = _mm256_add_epi32(_mm256_slli_epi32(v5, 3), v5);
  return _mm256_add_epi32(_mm256_slli_epi32(v45, 2), v);
}

// Lanes 0..7 of a and b as eight 16-bit pairs (a_i, b_i) in one vector.
MARLOW_AVX2_INLINE __m256i Pairs(__m128i a, __m128i b) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_unpacklo_epi16(a, b)),
                                 _mm_unpackhi_epi16(a, b), 1);
}

MARLOW_AVX2_INLINE void Transpose(__m128i* r) {
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

// One pass over eight lanes: v[k] holds input k of lanes 0..7; on return v[k]
// holds output k as 16-bit values (row pass: truncated; column pass: clipped
// to lowest..255).
template <bool kRow>
MARLOW_AVX2_INLINE void Pass(__m128i* v, __m128i lowest, __m128i highest) {
  const __m256i p04 = Pairs(v[0], v[4]);
  const __m256i p17 = Pairs(v[1], v[7]);
  const __m256i p53 = Pairs(v[5], v[3]);
  const __m256i p26 = Pairs(v[2], v[6]);
  __m256i x0, x1, x2, x3, x4, x5, x6, x7, x8;
  if (kRow) {
    const __m256i r128 = _mm256_set1_epi32(128);
    x8 = _mm256_add_epi32(_mm256_madd_epi16(p04, Pair(2048, 2048)), r128);
    x0 = _mm256_add_epi32(_mm256_madd_epi16(p04, Pair(2048, -2048)), r128);
    x4 = _mm256_madd_epi16(p17, Pair(W1, W7));
    x5 = _mm256_madd_epi16(p17, Pair(W7, -W1));
    x6 = _mm256_madd_epi16(p53, Pair(W5, W3));
    x7 = _mm256_madd_epi16(p53, Pair(W3, -W5));
    x2 = _mm256_madd_epi16(p26, Pair(W6, -W2));
    x3 = _mm256_madd_epi16(p26, Pair(W2, W6));
  } else {
    const __m256i r8192 = _mm256_set1_epi32(8192);
    const __m256i r4 = _mm256_set1_epi32(4);
    x8 = _mm256_add_epi32(_mm256_madd_epi16(p04, Pair(256, 256)), r8192);
    x0 = _mm256_add_epi32(_mm256_madd_epi16(p04, Pair(256, -256)), r8192);
    x4 = _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(p17, Pair(W1, W7)), r4), 3);
    x5 = _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(p17, Pair(W7, -W1)), r4), 3);
    x6 = _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(p53, Pair(W5, W3)), r4), 3);
    x7 = _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(p53, Pair(W3, -W5)), r4), 3);
    x2 = _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(p26, Pair(W6, -W2)), r4), 3);
    x3 = _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(p26, Pair(W2, W6)), r4), 3);
  }
  x1 = _mm256_add_epi32(x4, x6);
  x4 = _mm256_sub_epi32(x4, x6);
  x6 = _mm256_add_epi32(x5, x7);
  x5 = _mm256_sub_epi32(x5, x7);
  x7 = _mm256_add_epi32(x8, x3);
  x8 = _mm256_sub_epi32(x8, x3);
  x3 = _mm256_add_epi32(x0, x2);
  x0 = _mm256_sub_epi32(x0, x2);
  const __m256i r128 = _mm256_set1_epi32(128);
  x2 = _mm256_srai_epi32(_mm256_add_epi32(Mul181(_mm256_add_epi32(x4, x5)), r128), 8);
  x4 = _mm256_srai_epi32(_mm256_add_epi32(Mul181(_mm256_sub_epi32(x4, x5)), r128), 8);
  __m256i out[8];
  out[0] = _mm256_add_epi32(x7, x1);
  out[1] = _mm256_add_epi32(x3, x2);
  out[2] = _mm256_add_epi32(x0, x4);
  out[3] = _mm256_add_epi32(x8, x6);
  out[4] = _mm256_sub_epi32(x8, x6);
  out[5] = _mm256_sub_epi32(x0, x4);
  out[6] = _mm256_sub_epi32(x3, x2);
  out[7] = _mm256_sub_epi32(x7, x1);
  MARLOW_UNROLL
  for (int k = 0; k < 8; ++k) {
    __m256i a;
    if (kRow) {
      // >> 8 and keep the low 16 bits: bits 8..23 moved up and sign-extended.
      a = _mm256_srai_epi32(_mm256_slli_epi32(out[k], 8), 16);
    } else {
      a = _mm256_srai_epi32(out[k], 14);
    }
    __m128i p = _mm_packs_epi32(_mm256_castsi256_si128(a), _mm256_extracti128_si256(a, 1));
    if (!kRow) p = _mm_min_epi16(_mm_max_epi16(p, lowest), highest);
    v[k] = p;
  }
}

MARLOW_AVX2_INLINE bool AllZero(__m128i v) {
  return _mm_testz_si128(v, v) != 0;
}

// Row 0 alone carries coefficients: see the SSE2 version.
MARLOW_AVX2_INLINE void RowZeroOnly(int16_t* row, __m128i lo, __m128i hi, __m128i* v) {
  InverseTransformRowReference(row);
  __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row));
  r = _mm_srai_epi16(_mm_adds_epi16(r, _mm_set1_epi16(32)), 6);
  r = _mm_min_epi16(_mm_max_epi16(r, lo), hi);
  MARLOW_UNROLL
  for (int k = 0; k < 8; ++k) v[k] = r;
}

template <bool kTransposed>
MARLOW_AVX2_INLINE void Run(const int16_t* block, int16_t lowest, __m128i* v) {
  MARLOW_UNROLL
  for (int k = 0; k < 8; ++k) {
    v[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 8 * k));
  }
  const __m128i lo = _mm_set1_epi16(lowest);
  const __m128i hi = _mm_set1_epi16(255);
  alignas(16) int16_t row[8];
  if (kTransposed) {
    const __m128i all =
        _mm_or_si128(_mm_or_si128(_mm_or_si128(v[0], v[1]), _mm_or_si128(v[2], v[3])),
                     _mm_or_si128(_mm_or_si128(v[4], v[5]), _mm_or_si128(v[6], v[7])));
    if (AllZero(_mm_srli_si128(all, 2))) {
      MARLOW_UNROLL
      for (int k = 0; k < 8; ++k) row[k] = block[8 * k];
      RowZeroOnly(row, lo, hi, v);
      return;
    }
  } else {
    const __m128i lower =
        _mm_or_si128(_mm_or_si128(_mm_or_si128(v[1], v[2]), v[3]),
                     _mm_or_si128(_mm_or_si128(v[4], v[5]), _mm_or_si128(v[6], v[7])));
    if (AllZero(lower)) {
      std::memcpy(row, block, sizeof row);
      RowZeroOnly(row, lo, hi, v);
      return;
    }
    Transpose(v);
  }
  Pass<true>(v, lo, hi);  // v[k] = coefficient k of rows 0..7
  Transpose(v);           // v[k] = row k of the intermediate
  Pass<false>(v, lo, hi);
}

template <bool kTransposed>
MARLOW_AVX2_INLINE void StoreToPlane(int16_t* block, uint8_t* dst, ptrdiff_t stride) {
  __m128i v[8];
  Run<kTransposed>(block, 0, v);
  const __m128i zero = _mm_setzero_si128();
  MARLOW_UNROLL
  for (int k = 0; k < 8; ++k) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + k * stride), _mm_packus_epi16(v[k], v[k]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(block + 8 * k), zero);
  }
}

MARLOW_AVX2_INLINE void InPlace(int16_t* block, int16_t lowest) {
  __m128i v[8];
  Run<false>(block, lowest, v);
  MARLOW_UNROLL
  for (int k = 0; k < 8; ++k) _mm_storeu_si128(reinterpret_cast<__m128i*>(block + 8 * k), v[k]);
}

}  // namespace

int InverseTransformAvx2Available() {
  static const int available = __builtin_cpu_supports("avx2") ? 1 : 0;
  return available;
}

MARLOW_AVX2 void InverseTransformAvx2(int16_t* block) {
  InPlace(block, 0);
}
MARLOW_AVX2 void InverseTransformSignedAvx2(int16_t* block) {
  InPlace(block, -256);
}
MARLOW_AVX2 void InverseTransformStoreAvx2(int16_t* block, uint8_t* dst, ptrdiff_t stride) {
  StoreToPlane<false>(block, dst, stride);
}
MARLOW_AVX2 void InverseTransformStoreTransposedAvx2(int16_t* block, uint8_t* dst,
                                                     ptrdiff_t stride) {
  StoreToPlane<true>(block, dst, stride);
}

#else

// No AVX2 build: the dispatcher never calls these.
int InverseTransformAvx2Available() {
  return 0;
}
void InverseTransformAvx2(int16_t*) {}
void InverseTransformSignedAvx2(int16_t*) {}
void InverseTransformStoreAvx2(int16_t*, uint8_t*, ptrdiff_t) {}
void InverseTransformStoreTransposedAvx2(int16_t*, uint8_t*, ptrdiff_t) {}

#endif

}  // namespace marlow
