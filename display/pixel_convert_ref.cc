// The plain converter: the definition every faster kernel must match.
//
// Colour transform, BT.601 full range in 10-bit fixed point, for a pixel with
// luma Y and the chroma pair Cb, Cr of its 2 x 2 block (all 0..255):
//   u = Cb - 128, v = Cr - 128, y = Y * 1024
//   R = (y + 1436 v) >> 10
//   G = (y - 352 u - 731 v) >> 10
//   B = (y + 1815 u) >> 10
// Shifts are arithmetic (floor division by 1024). Each result above 255 becomes
// 255, below 0 becomes 1, exactly 0 stays 0.
//
// Bit budget: y <= 261120 (18 bits); |1436 v| <= 183808, |352 u + 731 v| <=
// 138624, |1815 u| <= 232320; every sum lies in -232320 .. 491625 and fits a
// 32-bit int with 12 bits to spare.
#include <cstddef>

#include "display/pixel_convert_internal.h"

namespace marlow {
namespace convert_internal {
namespace {

int Clamp(int value) {
  if (value > 255) return 255;
  if (value < 0) return 1;
  return value;
}

void StoreLe16(uint8_t* out, unsigned value) {
  out[0] = static_cast<uint8_t>(value);
  out[1] = static_cast<uint8_t>(value >> 8);
}

// Packs R, G, B (0..255) in `format` at `out`.
void Pack(PixelFormat format, unsigned r, unsigned g, unsigned b, uint8_t* out) {
  switch (format) {
    case PixelFormat::Rgb555:
      StoreLe16(out, (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3));
      break;
    case PixelFormat::Rgb565:
      StoreLe16(out, (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
      break;
    case PixelFormat::Bgr565:
      StoreLe16(out, (b >> 3) << 11 | (g >> 2) << 5 | (r >> 3));
      break;
    case PixelFormat::Bgr24:
    case PixelFormat::Bgr24BottomUp:
      out[0] = static_cast<uint8_t>(b);
      out[1] = static_cast<uint8_t>(g);
      out[2] = static_cast<uint8_t>(r);
      break;
    case PixelFormat::Xrgb32:
      out[0] = static_cast<uint8_t>(b);
      out[1] = static_cast<uint8_t>(g);
      out[2] = static_cast<uint8_t>(r);
      out[3] = 0;
      break;
  }
}

}  // namespace

void ConvertReference(PixelFormat format, uint8_t* destination, ptrdiff_t pitch,
                      const uint8_t* planes, int width, int height) {
  const int bpp = BytesPerPixel(format);
  const ptrdiff_t lumaSize = static_cast<ptrdiff_t>(width) * height;
  const uint8_t* yPlane = planes;
  const uint8_t* cbPlane = planes + lumaSize;
  const uint8_t* crPlane = cbPlane + lumaSize / 4;
  const int chromaStride = width / 2;

  for (int row = 0; row < height; ++row) {
    const int destRow = format == PixelFormat::Bgr24BottomUp ? height - 1 - row : row;
    uint8_t* out = destination + destRow * pitch;
    const uint8_t* luma = yPlane + static_cast<ptrdiff_t>(row) * width;
    const uint8_t* cbRow = cbPlane + static_cast<ptrdiff_t>(row / 2) * chromaStride;
    const uint8_t* crRow = crPlane + static_cast<ptrdiff_t>(row / 2) * chromaStride;

    for (int k = 0; k < width / 2; ++k) {
      // One chroma pair serves both pixels of the pair, so its products are
      // formed once.
      const int u = cbRow[k] - 128;
      const int v = crRow[k] - 128;
      const int rChroma = 1436 * v;
      const int gChroma = -352 * u - 731 * v;
      const int bChroma = 1815 * u;
      for (int x = 2 * k; x < 2 * k + 2; ++x) {
        const int y = luma[x] * 1024;
        const int r = Clamp((y + rChroma) >> 10);
        const int g = Clamp((y + gChroma) >> 10);
        const int b = Clamp((y + bChroma) >> 10);
        Pack(format, static_cast<unsigned>(r), static_cast<unsigned>(g), static_cast<unsigned>(b),
             out + x * bpp);
      }
    }
  }
}

}  // namespace convert_internal
}  // namespace marlow
