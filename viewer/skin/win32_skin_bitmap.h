// Small GDI helpers shared by the skinned controls: loading a bitmap
// resource with its exact colours, transparent masks, drawing through a mask,
// and painting what the parent window shows under a child.
#pragma once

#include <windows.h>

#include <cstdint>

namespace marlow::viewer {

// A bitmap resource as a DIB section (colours exactly as stored); nullptr when
// missing. *width / *height receive its size.
HBITMAP LoadSkinBitmap(HINSTANCE module, int id, int* width, int* height);

// The colour that stands for "the colour of the bitmap's own pixel at (x, y)".
constexpr uint32_t kColourAtPixel = 0xFF000000;

// A monochrome mask of `bitmap`: white where its pixels have the transparent
// colour (0x00BBGGRR, or kColourAtPixel), black elsewhere; those pixels are
// then blackened in the bitmap itself, so that drawing is AND mask, OR bitmap.
HBITMAP MakeTransparentMask(HBITMAP bitmap, int width, int height, uint32_t colour, int x, int y);

// Draws the source rectangle of `bitmap` into the destination rectangle
// (stretched when the sizes differ), through `mask` when it is not nullptr.
void DrawSkinPart(HDC dc, int dx, int dy, int dw, int dh, HBITMAP bitmap, HBITMAP mask, int sx,
                  int sy, int sw, int sh);

// Paints into `dc` (a DC of the child's size) what the parent shows beneath
// `child`: the parent's background erase drawn with the child's offset.
void PaintParentBackground(HWND child, HDC dc);

// An off-screen bitmap of a window's size, selected into a memory DC.
class OffscreenDc {
 public:
  OffscreenDc(HDC reference, int width, int height);
  ~OffscreenDc();
  OffscreenDc(const OffscreenDc&) = delete;
  OffscreenDc& operator=(const OffscreenDc&) = delete;
  HDC Dc() const { return dc_; }
  bool Valid() const { return dc_ != nullptr && bitmap_ != nullptr; }

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

}  // namespace marlow::viewer
