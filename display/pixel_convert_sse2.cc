// SSE2 converter: 16 pixels of two rows per step, byte-identical to the
// reference (pixel_convert_ref.cc).
//
// Fixed point: since y = Y * 1024 is a multiple of 1024, (y + t) >> 10 equals
// Y + (t >> 10), so the chroma terms are shifted on their own, once per pixel
// pair and once per row pair, and added to Y in 16-bit lanes:
//   R term = (1436 v) >> 10 = mulhi16(v << 6, 1436)   v << 6 in -8192..8128
//   B term = (1815 u) >> 10 = mulhi16(u << 6, 1815)
//   G term = (-352 u - 731 v) >> 10 by a 32-bit multiply-add, narrowed
// mulhi16 keeps the high half of the 32-bit product, i.e. floor(x * 64 * c /
// 65536) = floor(x * c / 1024), the reference's arithmetic shift. Terms lie in
// -227..225 and Y + term in -227..480, well inside 16 bits.
// The 16-bit packings clamp in 16-bit lanes: min(x, 255), then max with
// (x >>> 15), which is 1 exactly for the negative values and 0 otherwise, so
// below 0 becomes 1 and 0 stays 0. The 24- and 32-bit packings work on 16
// bytes at once: the term is split into its positive and negative parts (each
// 0..227, one byte) and applied with saturating byte arithmetic
// (ChannelBytes).
#if defined(__x86_64__) || defined(_M_X64)

#include <emmintrin.h>

#include "display/pixel_convert_internal.h"
#include "display/pixel_convert_sse2_terms.h"

namespace marlow {
namespace convert_internal {
namespace {

using sse2::ByteTerms;
using sse2::ChannelBytes;
using sse2::LoadByteTerms;
using sse2::LoadRawTerms;
using sse2::RawTerms;

struct Terms {
  // 16-bit chroma terms for pixels 0..7 (lo) and 8..15 (hi) of a step.
  __m128i rLo, rHi, gLo, gHi, bLo, bHi;
};

inline Terms LoadTerms(const uint8_t* cb, const uint8_t* cr) {
  const RawTerms raw = LoadRawTerms(cb, cr);
  Terms t;
  t.rLo = _mm_unpacklo_epi16(raw.r, raw.r);
  t.rHi = _mm_unpackhi_epi16(raw.r, raw.r);
  t.gLo = _mm_unpacklo_epi16(raw.g, raw.g);
  t.gHi = _mm_unpackhi_epi16(raw.g, raw.g);
  t.bLo = _mm_unpacklo_epi16(raw.b, raw.b);
  t.bHi = _mm_unpackhi_epi16(raw.b, raw.b);
  return t;
}

inline __m128i Clamp(__m128i x) {
  return _mm_max_epi16(_mm_min_epi16(x, _mm_set1_epi16(255)), _mm_srli_epi16(x, 15));
}

inline __m128i Pack16(PixelFormat format, __m128i r, __m128i g, __m128i b) {
  const __m128i f8 = _mm_set1_epi16(0xF8);
  const __m128i fc = _mm_set1_epi16(0xFC);
  switch (format) {
    case PixelFormat::Rgb555:
      return _mm_or_si128(_mm_or_si128(_mm_slli_epi16(_mm_and_si128(r, f8), 7),
                                       _mm_slli_epi16(_mm_and_si128(g, f8), 2)),
                          _mm_srli_epi16(b, 3));
    case PixelFormat::Rgb565:
      return _mm_or_si128(_mm_or_si128(_mm_slli_epi16(_mm_and_si128(r, f8), 8),
                                       _mm_slli_epi16(_mm_and_si128(g, fc), 3)),
                          _mm_srli_epi16(b, 3));
    default:  // Bgr565
      return _mm_or_si128(_mm_or_si128(_mm_slli_epi16(_mm_and_si128(b, f8), 8),
                                       _mm_slli_epi16(_mm_and_si128(g, fc), 3)),
                          _mm_srli_epi16(r, 3));
  }
}

// Four 0x00RRGGBB pixels -> their 12 bytes B, G, R at the low end, zeros above.
inline __m128i Compact24(__m128i p) {
  const __m128i low24 = _mm_set_epi32(0, 0x00FFFFFF, 0, 0x00FFFFFF);
  const __m128i next24 = _mm_set_epi32(0x0000FFFF, static_cast<int>(0xFF000000u), 0x0000FFFF,
                                       static_cast<int>(0xFF000000u));
  // Within each 64-bit half: pixel 0 stays at bytes 0..2, pixel 1 moves down
  // from bytes 4..6 to 3..5.
  const __m128i halves =
      _mm_or_si128(_mm_and_si128(p, low24), _mm_and_si128(_mm_srli_epi64(p, 8), next24));
  // The upper half's six bytes move from 8..13 to 6..11.
  return _mm_or_si128(_mm_move_epi64(halves), _mm_slli_si128(_mm_srli_si128(halves, 8), 6));
}

inline void StoreU(uint8_t* out, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
}

// Stores 16 pixels given as 16-bit channels (lo: pixels 0..7, hi: 8..15) in
// a 16-bit packing.
template <PixelFormat F>
inline void Store16(uint8_t* out, __m128i rLo, __m128i gLo, __m128i bLo, __m128i rHi, __m128i gHi,
                    __m128i bHi) {
  StoreU(out, Pack16(F, rLo, gLo, bLo));
  StoreU(out + 16, Pack16(F, rHi, gHi, bHi));
}

// Stores 16 pixels given as byte channels in pixel order, as Xrgb32 or Bgr24.
template <PixelFormat F>
inline void StoreBytes16(uint8_t* out, __m128i r, __m128i g, __m128i b) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i bg0 = _mm_unpacklo_epi8(b, g);  // pixels 0-7
  const __m128i bg1 = _mm_unpackhi_epi8(b, g);  // pixels 8-15
  const __m128i r0 = _mm_unpacklo_epi8(r, zero);
  const __m128i r1 = _mm_unpackhi_epi8(r, zero);
  const __m128i p0 = _mm_unpacklo_epi16(bg0, r0);
  const __m128i p1 = _mm_unpackhi_epi16(bg0, r0);
  const __m128i p2 = _mm_unpacklo_epi16(bg1, r1);
  const __m128i p3 = _mm_unpackhi_epi16(bg1, r1);
  if (F == PixelFormat::Xrgb32) {
    StoreU(out, p0);
    StoreU(out + 16, p1);
    StoreU(out + 32, p2);
    StoreU(out + 48, p3);
  } else {
    const __m128i c0 = Compact24(p0);
    const __m128i c1 = Compact24(p1);
    const __m128i c2 = Compact24(p2);
    const __m128i c3 = Compact24(p3);
    StoreU(out, _mm_or_si128(c0, _mm_slli_si128(c1, 12)));
    StoreU(out + 16, _mm_or_si128(_mm_srli_si128(c1, 4), _mm_slli_si128(c2, 8)));
    StoreU(out + 32, _mm_or_si128(_mm_srli_si128(c2, 8), _mm_slli_si128(c3, 4)));
  }
}

template <PixelFormat F>
inline void RowBytes16(const uint8_t* luma, const ByteTerms& t, uint8_t* out) {
  const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(luma));
  StoreBytes16<F>(out, ChannelBytes(y, t.rp, t.rn), ChannelBytes(y, t.gp, t.gn),
                  ChannelBytes(y, t.bp, t.bn));
}

template <PixelFormat F>
inline void Row16(const uint8_t* luma, const Terms& t, uint8_t* out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(luma));
  const __m128i yLo = _mm_unpacklo_epi8(y, zero);
  const __m128i yHi = _mm_unpackhi_epi8(y, zero);
  Store16<F>(out, Clamp(_mm_add_epi16(yLo, t.rLo)), Clamp(_mm_add_epi16(yLo, t.gLo)),
             Clamp(_mm_add_epi16(yLo, t.bLo)), Clamp(_mm_add_epi16(yHi, t.rHi)),
             Clamp(_mm_add_epi16(yHi, t.gHi)), Clamp(_mm_add_epi16(yHi, t.bHi)));
}

template <PixelFormat F>
void Convert(uint8_t* destination, ptrdiff_t pitch, const uint8_t* planes, int width, int height) {
  constexpr int kBpp = F == PixelFormat::Xrgb32 ? 4 : (F == PixelFormat::Bgr24 ? 3 : 2);
  const ptrdiff_t lumaSize = static_cast<ptrdiff_t>(width) * height;
  const int chromaStride = width / 2;
  const int pairs = width / 2;
  const int vectorPairs = (width / 16) * 8;
  for (int row = 0; row < height; row += 2) {
    const uint8_t* y0 = planes + static_cast<ptrdiff_t>(row) * width;
    const uint8_t* y1 = y0 + width;
    const uint8_t* cb = planes + lumaSize + static_cast<ptrdiff_t>(row / 2) * chromaStride;
    const uint8_t* cr = cb + lumaSize / 4;
    uint8_t* out0 = destination + row * pitch;
    uint8_t* out1 = out0 + pitch;
    for (int k = 0; k < vectorPairs; k += 8) {
      if constexpr (kBpp != 2) {
        const ByteTerms t = LoadByteTerms(cb + k, cr + k);
        RowBytes16<F>(y0 + 2 * k, t, out0 + 2 * k * kBpp);
        RowBytes16<F>(y1 + 2 * k, t, out1 + 2 * k * kBpp);
      } else {
        const Terms t = LoadTerms(cb + k, cr + k);
        Row16<F>(y0 + 2 * k, t, out0 + 2 * k * kBpp);
        Row16<F>(y1 + 2 * k, t, out1 + 2 * k * kBpp);
      }
    }
    ConvertPairsScalar(F, y0, y1, cb, cr, vectorPairs, pairs, out0, out1);
  }
}

}  // namespace

void ConvertSse2(PixelFormat format, uint8_t* destination, ptrdiff_t pitch, const uint8_t* planes,
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
