// Entry points of the converter implementations. Callers have checked the
// arguments (see ConvertPicture); every kernel must give identical bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "display/pixel_format.h"

namespace marlow {
namespace convert_internal {

// The plain definition: follows the row order of `format` itself.
void ConvertReference(PixelFormat format, uint8_t* destination, ptrdiff_t pitch,
                      const uint8_t* planes, int width, int height);

// Vector kernels write picture row r at destination + r * pitch; the caller
// turns Bgr24BottomUp into Bgr24 with the last row first and a negative pitch.
// `format` is never Bgr24BottomUp here.
void ConvertSse2(PixelFormat format, uint8_t* destination, ptrdiff_t pitch, const uint8_t* planes,
                 int width, int height);
// SSSE3: its own 24-bit store; the other packings run the SSE2 kernel.
void ConvertSsse3(PixelFormat format, uint8_t* destination, ptrdiff_t pitch, const uint8_t* planes,
                  int width, int height);
void ConvertAvx2(PixelFormat format, uint8_t* destination, ptrdiff_t pitch, const uint8_t* planes,
                 int width, int height);

// The chroma terms of one pixel pair, shared by the kernels' row tails.
struct ChromaTerms {
  int r, g, b;
};

inline ChromaTerms ChromaFor(int cb, int cr) {
  // y * 1024 is a multiple of 1024, so (y + t) >> 10 == Y + (t >> 10) for an
  // arithmetic shift: the chroma part can be shifted alone, once per pair.
  const int u = cb - 128;
  const int v = cr - 128;
  return ChromaTerms{(1436 * v) >> 10, (-352 * u - 731 * v) >> 10, (1815 * u) >> 10};
}

inline int ClampChannel(int x) {
  return x > 255 ? 255 : (x < 0 ? 1 : x);
}

// Packs one pixel of a top-down format at `out`.
inline void PackPixel(PixelFormat format, int r, int g, int b, uint8_t* out) {
  uint32_t p = 0;
  switch (format) {
    case PixelFormat::Rgb555:
      p = static_cast<uint32_t>((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3));
      out[0] = static_cast<uint8_t>(p);
      out[1] = static_cast<uint8_t>(p >> 8);
      return;
    case PixelFormat::Rgb565:
      p = static_cast<uint32_t>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
      out[0] = static_cast<uint8_t>(p);
      out[1] = static_cast<uint8_t>(p >> 8);
      return;
    case PixelFormat::Bgr565:
      p = static_cast<uint32_t>((b >> 3) << 11 | (g >> 2) << 5 | (r >> 3));
      out[0] = static_cast<uint8_t>(p);
      out[1] = static_cast<uint8_t>(p >> 8);
      return;
    case PixelFormat::Bgr24:
    case PixelFormat::Bgr24BottomUp:
      out[0] = static_cast<uint8_t>(b);
      out[1] = static_cast<uint8_t>(g);
      out[2] = static_cast<uint8_t>(r);
      return;
    case PixelFormat::Xrgb32:
      out[0] = static_cast<uint8_t>(b);
      out[1] = static_cast<uint8_t>(g);
      out[2] = static_cast<uint8_t>(r);
      out[3] = 0;
      return;
  }
}

// Converts pixel pairs [firstPair, pairCount) of one row pair (rows y0 and
// y1 of luma, one chroma row) the plain way; the vector kernels finish their
// rows with it.
inline void ConvertPairsScalar(PixelFormat format, const uint8_t* y0, const uint8_t* y1,
                               const uint8_t* cb, const uint8_t* cr, int firstPair, int pairCount,
                               uint8_t* out0, uint8_t* out1) {
  const int bpp = BytesPerPixel(format);
  for (int k = firstPair; k < pairCount; ++k) {
    const ChromaTerms c = ChromaFor(cb[k], cr[k]);
    for (int i = 0; i < 2; ++i) {
      const int x = 2 * k + i;
      PackPixel(format, ClampChannel(y0[x] + c.r), ClampChannel(y0[x] + c.g),
                ClampChannel(y0[x] + c.b), out0 + x * bpp);
      PackPixel(format, ClampChannel(y1[x] + c.r), ClampChannel(y1[x] + c.g),
                ClampChannel(y1[x] + c.b), out1 + x * bpp);
    }
  }
}

}  // namespace convert_internal
}  // namespace marlow
