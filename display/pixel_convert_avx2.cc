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
// terms in -227..225, Y + term in -227..480. Clamp: min(x, 255), then max
// with (x >>> 15), which turns exactly the negative values into 1.
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

MARLOW_AVX2 inline Terms LoadTerms(const uint8_t* cb, const uint8_t* cr) {
  const __m256i bias = _mm256_set1_epi16(128);
  const __m256i u = _mm256_sub_epi16(
      _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(cb))), bias);
  const __m256i v = _mm256_sub_epi16(
      _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(cr))), bias);
  const __m256i r = _mm256_mulhi_epi16(_mm256_slli_epi16(v, 6), _mm256_set1_epi16(1436));
  const __m256i b = _mm256_mulhi_epi16(_mm256_slli_epi16(u, 6), _mm256_set1_epi16(1815));
  const __m256i gCoef = _mm256_set1_epi32(static_cast<int>(
      (0xFFFFu & static_cast<unsigned>(-731)) << 16 | (0xFFFFu & static_cast<unsigned>(-352))));
  // unpacklo/hi take pairs 0-3 | 8-11 and 4-7 | 12-15; packs puts them back
  // in order within each lane, so g is t0..t15 in order.
  const __m256i gLo32 =
      _mm256_srai_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(u, v), gCoef), 10);
  const __m256i gHi32 =
      _mm256_srai_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(u, v), gCoef), 10);
  const __m256i g = _mm256_packs_epi32(gLo32, gHi32);
  Terms t;
  Double(r, &t.rLo, &t.rHi);
  Double(g, &t.gLo, &t.gHi);
  Double(b, &t.bLo, &t.bHi);
  return t;
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

// Sixteen pixels as 16-bit channels (in order) -> 0x00RRGGBB dwords, with
// pixels 0-3 | 8-11 in *a and 4-7 | 12-15 in *b.
MARLOW_AVX2 inline void Dwords(__m256i r, __m256i g, __m256i b, __m256i* a, __m256i* c) {
  const __m256i bg = _mm256_or_si256(b, _mm256_slli_epi16(g, 8));
  *a = _mm256_unpacklo_epi16(bg, r);
  *c = _mm256_unpackhi_epi16(bg, r);
}

// 48 bytes of 16 pixels from Dwords' halves a (0-3 | 8-11) and c (4-7 |
// 12-15): each lane squeezed to 12 bytes, then gathered by dword.
// Result: *first = dwords 0..7 of the 48 bytes, *rest = dwords 8..11 in the
// low lane.
MARLOW_AVX2 inline void Squeeze24(__m256i a, __m256i c, __m256i* first, __m256i* rest) {
  const __m256i squeeze = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,
                                           0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  // After the squeeze, dwords 0,1,2 of a lane hold its 4 pixels; a's lanes are
  // pixels 0-3 (dwords 0-2) and 8-11 (dwords 4-6), c's 4-7 and 12-15.
  const __m256i sa = _mm256_shuffle_epi8(a, squeeze);
  const __m256i sc = _mm256_shuffle_epi8(c, squeeze);
  // Output dwords 0..7: a0 a1 a2 c0 c1 c2 a4 a5.
  *first = _mm256_blend_epi32(
      _mm256_permutevar8x32_epi32(sa, _mm256_setr_epi32(0, 1, 2, 0, 0, 0, 4, 5)),
      _mm256_permutevar8x32_epi32(sc, _mm256_setr_epi32(0, 0, 0, 0, 1, 2, 0, 0)), 0x38);
  // Output dwords 8..11: a6 c4 c5 c6.
  *rest = _mm256_blend_epi32(
      _mm256_permutevar8x32_epi32(sa, _mm256_setr_epi32(6, 0, 0, 0, 0, 0, 0, 0)),
      _mm256_permutevar8x32_epi32(sc, _mm256_setr_epi32(0, 4, 5, 6, 0, 0, 0, 0)), 0x0E);
}

// Stores 32 pixels given as 16-bit channels (lo: pixels 0..15, hi: 16..31).
template <PixelFormat F>
MARLOW_AVX2 inline void Store32(uint8_t* out, __m256i rLo, __m256i gLo, __m256i bLo, __m256i rHi,
                                __m256i gHi, __m256i bHi) {
  if (F == PixelFormat::Xrgb32 || F == PixelFormat::Bgr24) {
    __m256i a0, c0, a1, c1;
    Dwords(rLo, gLo, bLo, &a0, &c0);
    Dwords(rHi, gHi, bHi, &a1, &c1);
    if (F == PixelFormat::Xrgb32) {
      // Lanes: a = 0-3 | 8-11, c = 4-7 | 12-15.
      StoreU(out, _mm256_permute2x128_si256(a0, c0, 0x20));
      StoreU(out + 32, _mm256_permute2x128_si256(a0, c0, 0x31));
      StoreU(out + 64, _mm256_permute2x128_si256(a1, c1, 0x20));
      StoreU(out + 96, _mm256_permute2x128_si256(a1, c1, 0x31));
    } else {
      __m256i x0, x1, y0, y1;
      Squeeze24(a0, c0, &x0, &x1);  // bytes 0..47
      Squeeze24(a1, c1, &y0, &y1);  // bytes 48..95
      StoreU(out, x0);
      StoreU(out + 32, _mm256_permute2x128_si256(x1, y0, 0x20));  // bytes 32..47, 48..63
      StoreU(out + 64, _mm256_permute2x128_si256(y0, y1, 0x21));  // bytes 64..79, 80..95
    }
  } else {
    StoreU(out, Pack16(F, rLo, gLo, bLo));
    StoreU(out + 32, Pack16(F, rHi, gHi, bHi));
  }
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
MARLOW_AVX2 void Convert(uint8_t* destination, ptrdiff_t pitch, const uint8_t* planes, int width,
                         int height) {
  constexpr int kBpp = F == PixelFormat::Xrgb32 ? 4 : (F == PixelFormat::Bgr24 ? 3 : 2);
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
      const Terms t = LoadTerms(cb + k, cr + k);
      Row32<F>(y0 + 2 * k, t, out0 + 2 * k * kBpp);
      Row32<F>(y1 + 2 * k, t, out1 + 2 * k * kBpp);
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
