// AVX2 inverse transform: the reference algorithm (inverse_transform.cc) on
// all eight rows, then all eight columns, at once in 32-bit lanes, equal to
// the reference bit for bit for every input. Chosen at run time when the
// processor and the system support AVX2; built for it function by function
// (target attribute), so nothing else in the program depends on AVX2.
//
// Fixed-point bit budget (as in the reference, whose arithmetic this is):
//   row pass    coefficients 16 bits stored, 12 bits for legal input;
//               products with the 12-bit constants W1..W7 (and 2048 = 2^11)
//               are formed in pairs by one multiply-add, c_a * W_a + c_b * W_b,
//               at most 2^15 * 2^12 * 2 = 2^28 for 16-bit input, plus 128
//               rounding; the rotation 181 * (x4 +- x5) (8 bits) can pass 32
//               bits for extreme input and wraps, as the reference's uint32_t
//               arithmetic does; outputs >> 8 keep their low 16 bits.
//   column pass inputs 16 bits; pairs times 256 (9 bits) or W1..W7 give at
//               most 2^29; the odd and the W2/W6 terms are rounded (+4) and
//               shifted down by 3 right after their multiply-add, exactly
//               where the reference shifts; 181 * (x4 +- x5) again wraps in
//               32 bits; outputs >> 14 are saturated to 16 bits and then to
//               the sample range, which equals the reference's clip to
//               -256..255 followed by the clamp, since clamping is monotone.
// Why the regrouping is exact: between two right shifts the reference only
// adds and multiplies in wrapping 32-bit arithmetic, a ring; madd and
// mullo wrap the same way. The reference's all-zero short paths are pure
// shortcuts of the full formulas (see inverse_transform_sse2.cc), so only
// the block whose coefficients all lie in row 0 takes a path of its own.
//
// Layout, to keep the data in 256-bit registers between the passes:
// - row pass: four 256-bit loads hold the coefficient columns in pairs; one
//   vpermq each spreads a column so that rows 0-3 sit in the low 128-bit
//   lane and rows 4-7 in the high one, and one unpack pairs two columns into
//   16-bit pairs (c_a, c_b) per row, the multiply-add's operands.
// - between the passes: the low 16 bits of (x >> 8) are bytes 1-2 of each
//   32-bit value, picked by vpshufb, two outputs per register; the high lane's
//   rows are picked in the order 4, 7, 6, 5, so that swapping the lanes and
//   unpacking gives, in the low lane, the row pairs (0,4), (1,7), (2,6),
//   (3,5) that the column pass multiplies together. A 4 x 4 transpose of
//   32-bit values (with one lane exchange) then yields those pairs for
//   columns 0-3 in the low lane and 4-7 in the high lane.
// - column pass outputs: one 32-bit value per column, row by row; two
//   saturating packs and a vpermd give four rows of eight bytes.
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

// Constants as memory operands: built in registers they cost three
// instructions each, loaded (or folded into the multiply-add) one or none.
struct alignas(32) Splat {
  int32_t v[8];
};
constexpr Splat Word(int32_t x) {
  return Splat{{x, x, x, x, x, x, x, x}};
}
constexpr Splat PairOf(int16_t a, int16_t b) {
  return Word(static_cast<int32_t>(static_cast<uint16_t>(a) |
                                   (static_cast<uint32_t>(static_cast<uint16_t>(b)) << 16)));
}
struct Constants {
  Splat r4, r128, r8192, k181;
  Splat rowEven, rowOdd, colEven, colOdd;
  Splat w1w7, w7mw1, w5w3, w3mw5, w3w5, mw5w3, w6mw2, w2w6;
};
constexpr Constants kConstants = {Word(4),          Word(128),          Word(8192),
                                  Word(181),        PairOf(2048, 2048), PairOf(2048, -2048),
                                  PairOf(256, 256), PairOf(256, -256),  PairOf(W1, W7),
                                  PairOf(W7, -W1),  PairOf(W5, W3),     PairOf(W3, -W5),
                                  PairOf(W3, W5),   PairOf(-W5, W3),    PairOf(W6, -W2),
                                  PairOf(W2, W6)};

MARLOW_AVX2_INLINE __m256i C(const Splat& s) {
  return _mm256_load_si256(reinterpret_cast<const __m256i*>(s.v));
}

// The table through a pointer the compiler cannot see through (the empty
// asm), taken once per block: otherwise it builds each constant in
// registers again, three instructions where a memory operand costs none.
MARLOW_AVX2_INLINE const Constants& HiddenConstants() {
  const Constants* p = &kConstants;
  __asm__("" : "+r"(p));
  return *p;
}

MARLOW_AVX2_INLINE __m128i Load128(const int16_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Stage 2 to 4 of both passes, shared: in x0, x8 (even part with c0, c4),
// x2, x3 (c2, c6), x4..x7 (odd part); out: the eight outputs before the
// final shift.
MARLOW_AVX2_INLINE void Butterflies(const Constants& k, __m256i x0, __m256i x2, __m256i x3,
                                    __m256i x4, __m256i x5, __m256i x6, __m256i x7, __m256i x8,
                                    __m256i* out) {
  const __m256i x1 = _mm256_add_epi32(x4, x6);
  x4 = _mm256_sub_epi32(x4, x6);
  x6 = _mm256_add_epi32(x5, x7);
  x5 = _mm256_sub_epi32(x5, x7);
  x7 = _mm256_add_epi32(x8, x3);
  x8 = _mm256_sub_epi32(x8, x3);
  x3 = _mm256_add_epi32(x0, x2);
  x0 = _mm256_sub_epi32(x0, x2);
  const __m256i r128 = C(k.r128);
  const __m256i k181 = C(k.k181);
  x2 = _mm256_srai_epi32(_mm256_add_epi32(_mm256_mullo_epi32(_mm256_add_epi32(x4, x5), k181), r128),
                         8);
  x4 = _mm256_srai_epi32(_mm256_add_epi32(_mm256_mullo_epi32(_mm256_sub_epi32(x4, x5), k181), r128),
                         8);
  out[0] = _mm256_add_epi32(x7, x1);
  out[1] = _mm256_add_epi32(x3, x2);
  out[2] = _mm256_add_epi32(x0, x4);
  out[3] = _mm256_add_epi32(x8, x6);
  out[4] = _mm256_sub_epi32(x8, x6);
  out[5] = _mm256_sub_epi32(x0, x4);
  out[6] = _mm256_sub_epi32(x3, x2);
  out[7] = _mm256_sub_epi32(x7, x1);
}

// Column a of the coefficient pairs V[a / 2] spread for the unpack: its
// rows 0-3 in the low quadword of the low lane, rows 4-7 in the low
// quadword of the high lane.
template <int kColumn>
MARLOW_AVX2_INLINE __m256i Spread(const __m256i* V) {
  return _mm256_permute4x64_epi64(V[kColumn / 2], kColumn % 2 ? 0xFA : 0x50);
}

// Row pass: V[j] holds coefficient columns 2j and 2j + 1 of rows 0..7
// (words 0-7 and 8-15). Leaves in out[k] output k of rows 0..7 (low lane:
// rows 0-3), 32 bits, before the shift.
MARLOW_AVX2_INLINE void RowPassOnPairs(const Constants& k, const __m256i* pairs, __m256i* out) {
  const __m256i p04 = pairs[0], p17 = pairs[1], p53 = pairs[2], p26 = pairs[3];
  const __m256i r128 = C(k.r128);
  const __m256i x8 = _mm256_add_epi32(_mm256_madd_epi16(p04, C(k.rowEven)), r128);
  const __m256i x0 = _mm256_add_epi32(_mm256_madd_epi16(p04, C(k.rowOdd)), r128);
  const __m256i x4 = _mm256_madd_epi16(p17, C(k.w1w7));
  const __m256i x5 = _mm256_madd_epi16(p17, C(k.w7mw1));
  const __m256i x6 = _mm256_madd_epi16(p53, C(k.w5w3));
  const __m256i x7 = _mm256_madd_epi16(p53, C(k.w3mw5));
  const __m256i x2 = _mm256_madd_epi16(p26, C(k.w6mw2));
  const __m256i x3 = _mm256_madd_epi16(p26, C(k.w2w6));
  Butterflies(k, x0, x2, x3, x4, x5, x6, x7, x8, out);
}

// Row pass: V[j] holds coefficient columns 2j and 2j + 1 of rows 0..7
// (words 0-7 and 8-15). Leaves in out[k] output k of rows 0..7 (low lane:
// rows 0-3), 32 bits, before the shift. The pairs (c_a, c_b) it multiplies
// are, in the paired layout, what the block holds already.
MARLOW_AVX2_INLINE void RowPass(const Constants& k, const __m256i* V, __m256i* out) {
  const __m256i pairs[4] = {_mm256_unpacklo_epi16(Spread<0>(V), Spread<4>(V)),
                            _mm256_unpacklo_epi16(Spread<1>(V), Spread<7>(V)),
                            _mm256_unpacklo_epi16(Spread<5>(V), Spread<3>(V)),
                            _mm256_unpacklo_epi16(Spread<2>(V), Spread<6>(V))};
  RowPassOnPairs(k, pairs, out);
}

// The row pass's outputs (>> 8, low 16 bits) regrouped for the column pass:
// P[0] = row pairs (0,4), P[1] = (1,7), P[2] = (2,6), P[3] = (3,5), each as
// 16-bit pairs, one 32-bit value per column (low lane: columns 0-3).
MARLOW_AVX2_INLINE void Regroup(const __m256i* out, __m256i* P) {
  // Bytes 1-2 of each 32-bit value; high lane in row order 4, 7, 6, 5.
  const __m256i toLow = _mm256_setr_epi8(1, 2, 5, 6, 9, 10, 13, 14, -1, -1, -1, -1, -1, -1, -1, -1,
                                         1, 2, 13, 14, 9, 10, 5, 6, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m256i toHigh =
      _mm256_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, 1, 2, 5, 6, 9, 10, 13, 14, -1, -1, -1, -1,
                       -1, -1, -1, -1, 1, 2, 13, 14, 9, 10, 5, 6);
  __m256i A[8];
  MARLOW_UNROLL
  for (int k = 0; k < 8; k += 2) {
    // Low lane: column k rows 0-3, column k + 1 rows 0-3; high lane: the
    // same for rows 4, 7, 6, 5.
    const __m256i u = _mm256_or_si256(_mm256_shuffle_epi8(out[k], toLow),
                                      _mm256_shuffle_epi8(out[k + 1], toHigh));
    const __m256i s = _mm256_permute4x64_epi64(u, 0x4E);
    // Low lanes: (r0, r4), (r1, r7), (r2, r6), (r3, r5) of column k, k + 1.
    A[k] = _mm256_unpacklo_epi16(u, s);
    A[k + 1] = _mm256_unpackhi_epi16(u, s);
  }
  __m256i X[4];
  MARLOW_UNROLL
  for (int j = 0; j < 4; ++j) X[j] = _mm256_permute2x128_si256(A[j], A[j + 4], 0x20);
  const __m256i a = _mm256_unpacklo_epi32(X[0], X[1]);
  const __m256i b = _mm256_unpacklo_epi32(X[2], X[3]);
  const __m256i c = _mm256_unpackhi_epi32(X[0], X[1]);
  const __m256i d = _mm256_unpackhi_epi32(X[2], X[3]);
  P[0] = _mm256_unpacklo_epi64(a, b);
  P[1] = _mm256_unpackhi_epi64(a, b);
  P[2] = _mm256_unpacklo_epi64(c, d);
  P[3] = _mm256_unpackhi_epi64(c, d);
}

// Column pass on the regrouped pairs; out[r] = output row r, one 32-bit
// value per column, already >> 14.
MARLOW_AVX2_INLINE void ColumnPass(const Constants& k, const __m256i* P, __m256i* out) {
  const __m256i r8192 = C(k.r8192);
  const __m256i r4 = C(k.r4);
  const __m256i x8 = _mm256_add_epi32(_mm256_madd_epi16(P[0], C(k.colEven)), r8192);
  const __m256i x0 = _mm256_add_epi32(_mm256_madd_epi16(P[0], C(k.colOdd)), r8192);
  const __m256i x4 = _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(P[1], C(k.w1w7)), r4), 3);
  const __m256i x5 =
      _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(P[1], C(k.w7mw1)), r4), 3);
  // (r3, r5): x6 = W5 r5 + W3 r3, x7 = W3 r5 - W5 r3.
  const __m256i x6 = _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(P[3], C(k.w3w5)), r4), 3);
  const __m256i x7 =
      _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(P[3], C(k.mw5w3)), r4), 3);
  const __m256i x2 =
      _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(P[2], C(k.w6mw2)), r4), 3);
  const __m256i x3 = _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(P[2], C(k.w2w6)), r4), 3);
  Butterflies(k, x0, x2, x3, x4, x5, x6, x7, x8, out);
  MARLOW_UNROLL
  for (int r = 0; r < 8; ++r) out[r] = _mm256_srai_epi32(out[r], 14);
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

// Row 0 alone carries coefficients: the column pass sees r1..r7 = 0 in
// every column and gives clip((r0 + 32) >> 6) down the whole column. The
// saturating add can only change values that clip to 255 anyway. Out of
// line, so that the common path needs no stack frame. `row` is row 0 of the
// coefficients; returns the output row, clipped to lowest..255.
__attribute__((target("avx2"), noinline)) __m128i RowZeroOnly(const int16_t* row0, int16_t lowest) {
  alignas(16) int16_t row[8];
  std::memcpy(row, row0, sizeof row);
  InverseTransformRowReference(row);
  __m128i r = Load128(row);
  r = _mm_srai_epi16(_mm_adds_epi16(r, _mm_set1_epi16(32)), 6);
  return _mm_min_epi16(_mm_max_epi16(r, _mm_set1_epi16(lowest)), _mm_set1_epi16(255));
}

// Row 0 of a block held column by column.
__attribute__((target("avx2"), noinline)) __m128i RowZeroOnlyTransposed(const int16_t* block,
                                                                        int16_t lowest) {
  int16_t row[8];
  MARLOW_UNROLL
  for (int k = 0; k < 8; ++k) row[k] = block[8 * k];
  return RowZeroOnly(row, lowest);
}

// Loads the block as coefficient column pairs V[0..3] (see RowPass). Returns
// false when only row 0 carries coefficients (V is then not set).
template <bool kTransposed>
MARLOW_AVX2_INLINE bool Load(const int16_t* block, __m256i* V) {
  if (kTransposed) {
    MARLOW_UNROLL
    for (int j = 0; j < 4; ++j) {
      V[j] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + 16 * j));
    }
    const __m256i all = _mm256_or_si256(_mm256_or_si256(V[0], V[1]), _mm256_or_si256(V[2], V[3]));
    // Everything but word 0 of each column (row 0).
    const __m256i notRow0 =
        _mm256_setr_epi16(0, -1, -1, -1, -1, -1, -1, -1, 0, -1, -1, -1, -1, -1, -1, -1);
    return !_mm256_testz_si256(all, notRow0);
  }
  __m128i v[8];
  MARLOW_UNROLL
  for (int k = 0; k < 8; ++k) v[k] = Load128(block + 8 * k);
  const __m128i lower =
      _mm_or_si128(_mm_or_si128(_mm_or_si128(v[1], v[2]), v[3]),
                   _mm_or_si128(_mm_or_si128(v[4], v[5]), _mm_or_si128(v[6], v[7])));
  if (_mm_testz_si128(lower, lower)) return false;
  Transpose(v);  // v[k] = coefficient column k of rows 0..7
  MARLOW_UNROLL
  for (int j = 0; j < 4; ++j) V[j] = _mm256_set_m128i(v[2 * j + 1], v[2 * j]);
  return true;
}

MARLOW_AVX2_INLINE void ZeroBlock(int16_t* block) {
  const __m256i zero = _mm256_setzero_si256();
  MARLOW_UNROLL
  for (int j = 0; j < 4; ++j) _mm256_storeu_si256(reinterpret_cast<__m256i*>(block + 16 * j), zero);
}

__attribute__((target("avx2"), noinline)) void StoreRowZeroOnly(int16_t* block, bool transposed,
                                                                uint8_t* dst, ptrdiff_t stride) {
  const __m128i flat = transposed ? RowZeroOnlyTransposed(block, 0) : RowZeroOnly(block, 0);
  ZeroBlock(block);
  const __m128i bytes = _mm_packus_epi16(flat, flat);
  MARLOW_UNROLL
  for (int r = 0; r < 8; ++r) _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + r * stride), bytes);
}

// The upper eight bytes at any address (one pextrq to memory).
MARLOW_AVX2_INLINE void StoreHigh(uint8_t* dst, __m128i v) {
  const uint64_t high = static_cast<uint64_t>(_mm_extract_epi64(v, 1));
  std::memcpy(dst, &high, sizeof high);
}

// Output rows (32-bit, one value per column) to eight bytes each.
MARLOW_AVX2_INLINE void StoreRows(const __m256i* out, uint8_t* dst, ptrdiff_t stride) {
  // Saturating to 16 and then to 8 bits is the clamp to 0..255 of the 32-bit
  // value. Low lane: columns 0-3 of four rows, high lane: 4-7; vpermd puts
  // each row's eight bytes together.
  const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
  MARLOW_UNROLL
  for (int r = 0; r < 8; r += 4) {
    const __m256i bytes =
        _mm256_permutevar8x32_epi32(_mm256_packus_epi16(_mm256_packs_epi32(out[r], out[r + 1]),
                                                        _mm256_packs_epi32(out[r + 2], out[r + 3])),
                                    order);
    const __m128i rows01 = _mm256_castsi256_si128(bytes);
    const __m128i rows23 = _mm256_extracti128_si256(bytes, 1);
    uint8_t* d = dst + r * stride;
    _mm_storel_epi64(reinterpret_cast<__m128i*>(d), rows01);
    StoreHigh(d + stride, rows01);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(d + 2 * stride), rows23);
    StoreHigh(d + 3 * stride, rows23);
  }
}

template <bool kTransposed>
MARLOW_AVX2_INLINE void StoreToPlane(int16_t* block, uint8_t* dst, ptrdiff_t stride) {
  __m256i V[4];
  if (!Load<kTransposed>(block, V)) return StoreRowZeroOnly(block, kTransposed, dst, stride);
  ZeroBlock(block);
  __m256i out[8], P[4];
  const Constants& k = HiddenConstants();
  RowPass(k, V, out);
  Regroup(out, P);
  ColumnPass(k, P, out);
  StoreRows(out, dst, stride);
}

// Row 0 of a block in the paired layout.
__attribute__((target("avx2"), noinline)) void StoreRowZeroOnlyPaired(int16_t* block, uint8_t* dst,
                                                                      ptrdiff_t stride) {
  int16_t row[8];
  MARLOW_UNROLL
  for (int c = 0; c < 8; ++c) row[c] = block[PairedIndex(0, c)];
  const __m128i flat = RowZeroOnly(row, 0);
  ZeroBlock(block);
  const __m128i bytes = _mm_packus_epi16(flat, flat);
  MARLOW_UNROLL
  for (int r = 0; r < 8; ++r) _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + r * stride), bytes);
}

MARLOW_AVX2_INLINE void StorePairedToPlane(int16_t* block, uint8_t* dst, ptrdiff_t stride) {
  __m256i pairs[4];
  MARLOW_UNROLL
  for (int j = 0; j < 4; ++j) {
    pairs[j] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + 16 * j));
  }
  const __m256i all =
      _mm256_or_si256(_mm256_or_si256(pairs[0], pairs[1]), _mm256_or_si256(pairs[2], pairs[3]));
  // Everything but row 0 (words 0 and 1 of each pair).
  const __m256i notRow0 =
      _mm256_setr_epi16(0, 0, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  if (_mm256_testz_si256(all, notRow0)) return StoreRowZeroOnlyPaired(block, dst, stride);
  ZeroBlock(block);
  __m256i out[8], P[4];
  const Constants& k = HiddenConstants();
  RowPassOnPairs(k, pairs, out);
  Regroup(out, P);
  ColumnPass(k, P, out);
  StoreRows(out, dst, stride);
}

MARLOW_AVX2_INLINE void InPlace(int16_t* block, int16_t lowest) {
  __m256i V[4];
  if (!Load<false>(block, V)) {
    const __m128i flat = RowZeroOnly(block, lowest);
    MARLOW_UNROLL
    for (int r = 0; r < 8; ++r) _mm_storeu_si128(reinterpret_cast<__m128i*>(block + 8 * r), flat);
    return;
  }
  __m256i out[8], P[4];
  const Constants& k = HiddenConstants();
  RowPass(k, V, out);
  Regroup(out, P);
  ColumnPass(k, P, out);
  const __m256i lo = _mm256_set1_epi16(lowest);
  const __m256i hi = _mm256_set1_epi16(255);
  MARLOW_UNROLL
  for (int r = 0; r < 8; r += 2) {
    // Low lane: rows r, r + 1 columns 0-3; high lane: columns 4-7.
    __m256i v = _mm256_packs_epi32(out[r], out[r + 1]);
    v = _mm256_min_epi16(_mm256_max_epi16(v, lo), hi);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(block + 8 * r),
                        _mm256_permute4x64_epi64(v, 0xD8));
  }
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
MARLOW_AVX2 void InverseTransformStorePairedAvx2(int16_t* block, uint8_t* dst, ptrdiff_t stride) {
  StorePairedToPlane(block, dst, stride);
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
void InverseTransformStorePairedAvx2(int16_t*, uint8_t*, ptrdiff_t) {}

#endif

}  // namespace marlow
