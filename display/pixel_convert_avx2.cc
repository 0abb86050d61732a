// AVX2 converter: 32 pixels of two rows per step, byte-identical to the
// reference (pixel_convert_ref.cc). Used only after a run-time check of the
// processor (pixel_convert.cc); every function here carries the avx2 target
// attribute instead of the file being built with -mavx2, so no code shared
// with the rest of the program can pick up AVX2 instructions.
//
// Fixed point as in the SSE2 kernel: the chroma terms are formed alone (y is a
// multiple of 1024) in 16-bit lanes:
//   R term = mulhi16(v << 6, 1436), B term = mulhi16(u << 6, 1815),
//   G term = (-352 u - 731 v) >> 10 by a 32-bit multiply-add, narrowed;
// terms in -227..225, Y + term in -227..480.
// The 16-bit packings add in 16-bit lanes and clamp with min(x, 255), then max
// with (x >>> 15), which turns exactly the negative values into 1. The 24- and
// 32-bit packings work on 32 bytes at once: the term is split into its
// positive and negative parts (each 0..227, one byte) and applied with
// saturating byte arithmetic (see ChannelBytes).
//
// 256-bit unpack and pack instructions work within 128-bit lanes; the comments
// at each one say which pixels end up where.
#if defined(__x86_64__) || defined(_M_X64)

#include <immintrin.h>

#include "display/pixel_convert_internal.h"

#define MARLOW_AVX2 __attribute__((target("avx2")))

namespace marlow {
namespace convert_internal {
namespace {

struct Terms {
  // 16-bit chroma terms for pixels 0..15 (lo) and 16..31 (hi) of a step.
  __m256i rLo, rHi, gLo, gHi, bLo, bHi;
};

// Sixteen chroma terms t0..t15 (in order) -> each doubled for its two pixels.
MARLOW_AVX2 inline void Double(__m256i t, __m256i* lo, __m256i* hi) {
  // Quadwords (t0-3, t4-7 | t8-11, t12-15) -> (t0-3, t8-11 | t4-7, t12-15), so
  // that the in-lane unpacks yield pixels 0-7 | 8-15 and 16-23 | 24-31.
  const __m256i q = _mm256_permute4x64_epi64(t, 0xD8);
  *lo = _mm256_unpacklo_epi16(q, q);
  *hi = _mm256_unpackhi_epi16(q, q);
}

// The terms of sixteen pixel pairs, t0..t15 in order, one 16-bit lane each.
struct RawTerms {
  __m256i r, g, b;
};

MARLOW_AVX2 inline RawTerms LoadRawTerms(const uint8_t* cb, const uint8_t* cr) {
  const __m256i bias = _mm256_set1_epi16(128);
  const __m256i u = _mm256_sub_epi16(
      _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(cb))), bias);
  const __m256i v = _mm256_sub_epi16(
      _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(cr))), bias);
  RawTerms t;
  t.r = _mm256_mulhi_epi16(_mm256_slli_epi16(v, 6), _mm256_set1_epi16(1436));
  t.b = _mm256_mulhi_epi16(_mm256_slli_epi16(u, 6), _mm256_set1_epi16(1815));
  const __m256i gCoef = _mm256_set1_epi32(static_cast<int>(
      (0xFFFFu & static_cast<unsigned>(-731)) << 16 | (0xFFFFu & static_cast<unsigned>(-352))));
  // unpacklo/hi take pairs 0-3 | 8-11 and 4-7 | 12-15; packs puts them back
  // in order within each lane, so g is t0..t15 in order.
  const __m256i gLo32 =
      _mm256_srai_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(u, v), gCoef), 10);
  const __m256i gHi32 =
      _mm256_srai_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(u, v), gCoef), 10);
  t.g = _mm256_packs_epi32(gLo32, gHi32);
  return t;
}

MARLOW_AVX2 inline Terms LoadTerms(const uint8_t* cb, const uint8_t* cr) {
  const RawTerms raw = LoadRawTerms(cb, cr);
  Terms t;
  Double(raw.r, &t.rLo, &t.rHi);
  Double(raw.g, &t.gLo, &t.gHi);
  Double(raw.b, &t.bLo, &t.bHi);
  return t;
}

// Terms as unsigned bytes for the 24- and 32-bit packings: the positive part
// p = max(t, 0) and the negative part n = max(-t, 0) (both 0..227), each byte
// k serving pixel k. Writing p | p << 8 into the 16-bit lane of pair k puts
// the term into the bytes of pixels 2k and 2k + 1, in order, for free.
struct ByteTerms {
  __m256i rp, rn, gp, gn, bp, bn;
};

MARLOW_AVX2 inline void SplitTerm(__m256i t, __m256i* p, __m256i* n) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i pos = _mm256_max_epi16(t, zero);
  const __m256i neg = _mm256_max_epi16(_mm256_sub_epi16(zero, t), zero);
  *p = _mm256_or_si256(pos, _mm256_slli_epi16(pos, 8));
  *n = _mm256_or_si256(neg, _mm256_slli_epi16(neg, 8));
}

MARLOW_AVX2 inline ByteTerms LoadByteTerms(const uint8_t* cb, const uint8_t* cr) {
  const RawTerms raw = LoadRawTerms(cb, cr);
  ByteTerms t;
  SplitTerm(raw.r, &t.rp, &t.rn);
  SplitTerm(raw.g, &t.gp, &t.gn);
  SplitTerm(raw.b, &t.bp, &t.bn);
  return t;
}

// Y + t for 32 pixels in bytes with the clamping rule: only one of p, n is
// non-zero, so saturating add then subtract gives min(Y + t, 255) or
// max(Y + t, 0); the result was negative exactly when n > Y, and then the 0
// becomes 1.
MARLOW_AVX2 inline __m256i ChannelBytes(__m256i y, __m256i p, __m256i n) {
  const __m256i x = _mm256_subs_epu8(_mm256_adds_epu8(y, p), n);
  const __m256i wasNegative = _mm256_min_epu8(_mm256_subs_epu8(n, y), _mm256_set1_epi8(1));
  return _mm256_or_si256(x, wasNegative);
}

MARLOW_AVX2 inline __m256i Clamp(__m256i x) {
  return _mm256_max_epi16(_mm256_min_epi16(x, _mm256_set1_epi16(255)), _mm256_srli_epi16(x, 15));
}

MARLOW_AVX2 inline __m256i Pack16(PixelFormat format, __m256i r, __m256i g, __m256i b) {
  const __m256i f8 = _mm256_set1_epi16(0xF8);
  const __m256i fc = _mm256_set1_epi16(0xFC);
  switch (format) {
    case PixelFormat::Rgb555:
      return _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi16(_mm256_and_si256(r, f8), 7),
                                             _mm256_slli_epi16(_mm256_and_si256(g, f8), 2)),
                             _mm256_srli_epi16(b, 3));
    case PixelFormat::Rgb565:
      return _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi16(_mm256_and_si256(r, f8), 8),
                                             _mm256_slli_epi16(_mm256_and_si256(g, fc), 3)),
                             _mm256_srli_epi16(b, 3));
    default:  // Bgr565
      return _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi16(_mm256_and_si256(b, f8), 8),
                                             _mm256_slli_epi16(_mm256_and_si256(g, fc), 3)),
                             _mm256_srli_epi16(r, 3));
  }
}

MARLOW_AVX2 inline void StoreU(uint8_t* out, __m256i v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), v);
}

// Stores 32 pixels given as 16-bit channels (lo: pixels 0..15, hi: 16..31)
// in a 16-bit packing.
template <PixelFormat F>
MARLOW_AVX2 inline void Store32(uint8_t* out, __m256i rLo, __m256i gLo, __m256i bLo, __m256i rHi,
                                __m256i gHi, __m256i bHi) {
  StoreU(out, Pack16(F, rLo, gLo, bLo));
  StoreU(out + 32, Pack16(F, rHi, gHi, bHi));
}

// Stores 32 pixels given as byte channels in pixel order, as Xrgb32 or Bgr24.
template <PixelFormat F>
MARLOW_AVX2 inline void StoreBytes32(uint8_t* out, __m256i r, __m256i g, __m256i b) {
  const __m256i zero = _mm256_setzero_si256();
  // In-lane unpacks: bg0 = pixels 0-7 | 16-23, bg1 = 8-15 | 24-31.
  const __m256i bg0 = _mm256_unpacklo_epi8(b, g);
  const __m256i bg1 = _mm256_unpackhi_epi8(b, g);
  const __m256i r0 = _mm256_unpacklo_epi8(r, zero);
  const __m256i r1 = _mm256_unpackhi_epi8(r, zero);
  // 0x00RRGGBB dwords: d0 = pixels 0-3 | 16-19, d1 = 4-7 | 20-23,
  // d2 = 8-11 | 24-27, d3 = 12-15 | 28-31.
  const __m256i d0 = _mm256_unpacklo_epi16(bg0, r0);
  const __m256i d1 = _mm256_unpackhi_epi16(bg0, r0);
  const __m256i d2 = _mm256_unpacklo_epi16(bg1, r1);
  const __m256i d3 = _mm256_unpackhi_epi16(bg1, r1);
  if (F == PixelFormat::Xrgb32) {
    StoreU(out, _mm256_permute2x128_si256(d0, d1, 0x20));       // pixels 0-7
    StoreU(out + 32, _mm256_permute2x128_si256(d2, d3, 0x20));  // 8-15
    StoreU(out + 64, _mm256_permute2x128_si256(d0, d1, 0x31));  // 16-23
    StoreU(out + 96, _mm256_permute2x128_si256(d2, d3, 0x31));  // 24-31
    return;
  }
  // Each lane squeezed to 12 bytes (dwords 0-2 of the lane): sa holds the
  // bytes of pixels 0-3 in dwords 0-2 and of 16-19 in dwords 4-6, sb of 4-7
  // and 20-23, sc of 8-11 and 24-27, sd of 12-15 and 28-31.
  const __m256i squeeze = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,
                                           0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  const __m256i sa = _mm256_shuffle_epi8(d0, squeeze);
  const __m256i sb = _mm256_shuffle_epi8(d1, squeeze);
  const __m256i sc = _mm256_shuffle_epi8(d2, squeeze);
  const __m256i sd = _mm256_shuffle_epi8(d3, squeeze);
  // The 96 output bytes are 24 dwords:
  //   0-7:   a0 a1 a2 b0 b1 b2 c0 c1
  //   8-15:  c2 d0 d1 d2 a4 a5 a6 b4
  //   16-23: b5 b6 c4 c5 c6 d4 d5 d6
  // a's dwords already sit where they go; one permutation of each of b, c, d
  // serves all three outputs, and blends pick the dwords.
  const __m256i pb = _mm256_permutevar8x32_epi32(sb, _mm256_setr_epi32(5, 6, 0, 0, 1, 2, 0, 4));
  const __m256i pc = _mm256_permutevar8x32_epi32(sc, _mm256_setr_epi32(2, 0, 4, 5, 6, 0, 0, 1));
  const __m256i pd = _mm256_permutevar8x32_epi32(sd, _mm256_setr_epi32(0, 0, 1, 2, 0, 4, 5, 6));
  StoreU(out, _mm256_blend_epi32(_mm256_blend_epi32(sa, pb, 0x38), pc, 0xC0));
  StoreU(out + 32, _mm256_blend_epi32(
                       _mm256_blend_epi32(_mm256_blend_epi32(sa, pc, 0x01), pd, 0x0E), pb, 0x80));
  StoreU(out + 64, _mm256_blend_epi32(_mm256_blend_epi32(pb, pc, 0x1C), pd, 0xE0));
}

template <PixelFormat F>
MARLOW_AVX2 inline void Row32(const uint8_t* luma, const Terms& t, uint8_t* out) {
  const __m256i yLo = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(luma)));
  const __m256i yHi =
      _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(luma + 16)));
  Store32<F>(out, Clamp(_mm256_add_epi16(yLo, t.rLo)), Clamp(_mm256_add_epi16(yLo, t.gLo)),
             Clamp(_mm256_add_epi16(yLo, t.bLo)), Clamp(_mm256_add_epi16(yHi, t.rHi)),
             Clamp(_mm256_add_epi16(yHi, t.gHi)), Clamp(_mm256_add_epi16(yHi, t.bHi)));
}

template <PixelFormat F>
MARLOW_AVX2 inline void RowBytes32(const uint8_t* luma, const ByteTerms& t, uint8_t* out) {
  const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(luma));
  StoreBytes32<F>(out, ChannelBytes(y, t.rp, t.rn), ChannelBytes(y, t.gp, t.gn),
                  ChannelBytes(y, t.bp, t.bn));
}

template <PixelFormat F>
MARLOW_AVX2 void Convert(uint8_t* destination, ptrdiff_t pitch, const uint8_t* planes, int width,
                         int height) {
  constexpr int kBpp = F == PixelFormat::Xrgb32 ? 4 : (F == PixelFormat::Bgr24 ? 3 : 2);
  constexpr bool kBytes = kBpp != 2;
  const ptrdiff_t lumaSize = static_cast<ptrdiff_t>(width) * height;
  const int chromaStride = width / 2;
  const int pairs = width / 2;
  const int vectorPairs = (width / 32) * 16;
  for (int row = 0; row < height; row += 2) {
    const uint8_t* y0 = planes + static_cast<ptrdiff_t>(row) * width;
    const uint8_t* y1 = y0 + width;
    const uint8_t* cb = planes + lumaSize + static_cast<ptrdiff_t>(row / 2) * chromaStride;
    const uint8_t* cr = cb + lumaSize / 4;
    uint8_t* out0 = destination + row * pitch;
    uint8_t* out1 = out0 + pitch;
    for (int k = 0; k < vectorPairs; k += 16) {
      if constexpr (kBytes) {
        const ByteTerms t = LoadByteTerms(cb + k, cr + k);
        RowBytes32<F>(y0 + 2 * k, t, out0 + 2 * k * kBpp);
        RowBytes32<F>(y1 + 2 * k, t, out1 + 2 * k * kBpp);
      } else {
        const Terms t = LoadTerms(cb + k, cr + k);
        Row32<F>(y0 + 2 * k, t, out0 + 2 * k * kBpp);
        Row32<F>(y1 + 2 * k, t, out1 + 2 * k * kBpp);
      }
    }
    ConvertPairsScalar(F, y0, y1, cb, cr, vectorPairs, pairs, out0, out1);
  }
}

}  // namespace

void ConvertAvx2(PixelFormat format, uint8_t* destination, ptrdiff_t pitch, const uint8_t* planes,
                 int width, int height) {
  switch (format) {
    case PixelFormat::Rgb555:
      Convert<PixelFormat::Rgb555>(destination, pitch, planes, width, height);
      break;
    case PixelFormat::Rgb565:
      Convert<PixelFormat::Rgb565>(destination, pitch, planes, width, height);
      break;
    case PixelFormat::Bgr565:
      Convert<PixelFormat::Bgr565>(destination, pitch, planes, width, height);
      break;
    case PixelFormat::Bgr24:
    case PixelFormat::Bgr24BottomUp:
      Convert<PixelFormat::Bgr24>(destination, pitch, planes, width, height);
      break;
    case PixelFormat::Xrgb32:
      Convert<PixelFormat::Xrgb32>(destination, pitch, planes, width, height);
      break;
  }
}

}  // namespace convert_internal
}  // namespace marlow

#endif  // x86-64
