// SSSE3 converter for the 24-bit packing: the SSE2 kernel's arithmetic
// (pixel_convert_sse2_terms.h), 16 pixels of two rows per step, with the
// interleaving of the three channels into B, G, R byte triples done by
// byte shuffles: each 16-byte piece of the 48 output bytes is one shuffle of
// each channel, OR-ed, where the SSE2 kernel needs unpacks, shifts and masks.
// Byte-identical to the reference (pixel_convert_ref.cc); the other packings
// gain nothing from SSSE3 and go to the SSE2 kernel. Used only after a
// run-time check of the processor (pixel_convert.cc); the functions that use
// SSSE3 carry the target attribute, so nothing else picks it up.
#if defined(__x86_64__) || defined(_M_X64)

#include <tmmintrin.h>

#include "display/pixel_convert_internal.h"
#include "display/pixel_convert_sse2_terms.h"

#define MARLOW_SSSE3 __attribute__((target("ssse3")))

namespace marlow {
namespace convert_internal {
namespace {

// Shuffle masks: for output piece o (bytes 16 o .. 16 o + 15 of the 48) and
// channel c (0 B, 1 G, 2 R), byte j takes pixel (16 o + j) / 3 of that
// channel where (16 o + j) % 3 == c, and zero (mask byte 0x80) elsewhere.
struct alignas(16) Mask {
  int8_t b[16];
};
struct Masks {
  Mask m[3][3];  // [piece][channel]
};
constexpr Masks MakeMasks() {
  Masks t{};
  for (int o = 0; o < 3; ++o) {
    for (int c = 0; c < 3; ++c) {
      for (int j = 0; j < 16; ++j) {
        const int byte = 16 * o + j;
        t.m[o][c].b[j] = static_cast<int8_t>(byte % 3 == c ? byte / 3 : -128);
      }
    }
  }
  return t;
}
constexpr Masks kMasks = MakeMasks();

MARLOW_SSSE3 inline __m128i Piece(int o, __m128i b, __m128i g, __m128i r) {
  const auto mask = [o](int c) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(kMasks.m[o][c].b));
  };
  return _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(b, mask(0)), _mm_shuffle_epi8(g, mask(1))),
                      _mm_shuffle_epi8(r, mask(2)));
}

MARLOW_SSSE3 inline void Row16(const uint8_t* luma, const sse2::ByteTerms& t, uint8_t* out) {
  const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(luma));
  const __m128i r = sse2::ChannelBytes(y, t.rp, t.rn);
  const __m128i g = sse2::ChannelBytes(y, t.gp, t.gn);
  const __m128i b = sse2::ChannelBytes(y, t.bp, t.bn);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), Piece(0, b, g, r));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), Piece(1, b, g, r));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 32), Piece(2, b, g, r));
}

MARLOW_SSSE3 void ConvertBgr24(uint8_t* destination, ptrdiff_t pitch, const uint8_t* planes,
                               int width, int height) {
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
      const sse2::ByteTerms t = sse2::LoadByteTerms(cb + k, cr + k);
      Row16(y0 + 2 * k, t, out0 + 6 * k);
      Row16(y1 + 2 * k, t, out1 + 6 * k);
    }
    ConvertPairsScalar(PixelFormat::Bgr24, y0, y1, cb, cr, vectorPairs, pairs, out0, out1);
  }
}

}  // namespace

void ConvertSsse3(PixelFormat format, uint8_t* destination, ptrdiff_t pitch, const uint8_t* planes,
                  int width, int height) {
  if (format == PixelFormat::Bgr24) {
    ConvertBgr24(destination, pitch, planes, width, height);
  } else {
    ConvertSse2(format, destination, pitch, planes, width, height);
  }
}

}  // namespace convert_internal
}  // namespace marlow

#endif  // x86-64
