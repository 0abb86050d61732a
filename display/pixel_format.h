// The RGB packings that the picture converters produce, and how a display
// surface's pixel format maps onto them.
#pragma once

#include <cstdint>

namespace marlow {

// Values 1-5 are the surface pixel format codes that the display remembers
// for each DirectDraw surface; Bgr24BottomUp has no surface code and is used
// for GDI drawing, still pictures and the AVI export.
enum class PixelFormat : int {
  Rgb555 = 1,         // 16 bits: 0RRRRRGG GGGBBBBB, little-endian
  Rgb565 = 2,         // 16 bits: RRRRRGGG GGGBBBBB, little-endian
  Bgr565 = 3,         // 16 bits: BBBBBGGG GGGRRRRR, little-endian
  Bgr24 = 4,          // bytes B, G, R; first row first
  Xrgb32 = 5,         // 32 bits: 0x00RRGGBB, little-endian
  Bgr24BottomUp = 6,  // bytes B, G, R; last row first (bottom-up DIB)
};

// Bytes of one packed pixel; 0 for a value outside the enumeration.
int BytesPerPixel(PixelFormat format);

// True for the six formats above.
bool IsValidPixelFormat(int value);

// The surface pixel format code (1-5) for an RGB surface of the given bit
// count and red mask, or 0 when the display cannot convert into it:
// 15 bits -> 1; 16 bits with red 0xF800 -> 2; 16 bits with red 0x001F -> 3;
// 24 bits with red 0xFF0000 -> 4; 32 bits with red 0xFF0000 -> 5.
int SurfaceFormatCode(uint32_t rgbBitCount, uint32_t redMask);

}  // namespace marlow
