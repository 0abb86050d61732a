#include "display/pixel_format.h"

namespace marlow {

int BytesPerPixel(PixelFormat format) {
  switch (format) {
    case PixelFormat::Rgb555:
    case PixelFormat::Rgb565:
    case PixelFormat::Bgr565:
      return 2;
    case PixelFormat::Bgr24:
    case PixelFormat::Bgr24BottomUp:
      return 3;
    case PixelFormat::Xrgb32:
      return 4;
  }
  return 0;
}

bool IsValidPixelFormat(int value) {
  return value >= static_cast<int>(PixelFormat::Rgb555) &&
         value <= static_cast<int>(PixelFormat::Bgr24BottomUp);
}

int SurfaceFormatCode(uint32_t rgbBitCount, uint32_t redMask) {
  switch (rgbBitCount) {
    case 15:
      return static_cast<int>(PixelFormat::Rgb555);
    case 16:
      if (redMask == 0xF800) return static_cast<int>(PixelFormat::Rgb565);
      if (redMask == 0x001F) return static_cast<int>(PixelFormat::Bgr565);
      return 0;
    case 24:
      return redMask == 0xFF0000 ? static_cast<int>(PixelFormat::Bgr24) : 0;
    case 32:
      return redMask == 0xFF0000 ? static_cast<int>(PixelFormat::Xrgb32) : 0;
    default:
      return 0;
  }
}

}  // namespace marlow
