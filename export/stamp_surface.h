// The picture buffer of the writing pass when a preview window is set: a
// 24-bit bottom-up bitmap in a memory drawing surface, so that the doubled
// picture is made straight into the bitmap, stamped there with the date and
// time, stretched over the preview window and written from the same bytes.
#pragma once

#include <cstdint>

namespace marlow {

// The stamp's place in the picture, in top-down pixel coordinates.
struct StampBox {
  int left = 0, top = 0, right = 0, bottom = 0;
};

class StampSurface {
 public:
  StampSurface() = default;
  ~StampSurface();
  StampSurface(const StampSurface&) = delete;
  StampSurface& operator=(const StampSurface&) = delete;

  // A bitmap of width x height compatible with the window. 0 on failure.
  int Create(void* window, int width, int height);
  // The bitmap's bytes: height rows of width * 3 bytes, last row first.
  uint8_t* Bits() const { return bits_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  // Draws text in black at (9, 9), (7, 9), (7, 7), (9, 7) and in white at
  // (8, 8) with a transparent background in the surface's default font: white
  // text outlined in black at the top left. The bits are up to date after it.
  void Stamp(const char* text, int length);
  // Stretches the bitmap over the whole client area of the window.
  void Show();
  // Where Stamp draws text: the outline's extent.
  StampBox BoxOf(const char* text, int length) const;

 private:
  void* window_ = nullptr;
  void* dc_ = nullptr;
  void* bitmap_ = nullptr;
  void* previous_ = nullptr;
  uint8_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace marlow
