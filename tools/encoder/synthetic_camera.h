// Deterministic synthetic camera pictures for test recordings.
//
// Every channel shows its own scene: a still background tinted in a colour of
// its own, two shapes moving at channel-dependent speeds, the channel number
// in the top right corner and the picture number burnt into the top left
// corner in large digits. A wrong channel, a wrong order or a stale picture
// is therefore visible by eye and readable by ReadBurntInCounter.
#pragma once

#include <cstddef>
#include <cstdint>

namespace marlow {

class SyntheticCamera {
 public:
  // width and height: multiples of 16 (640 x 224 or 640 x 272 for recordings).
  SyntheticCamera(int channel, int width, int height);

  // Bytes of one planar YUV 4:2:0 picture (Y, then Cb, then Cr).
  size_t PictureBytes() const { return static_cast<size_t>(width_) * height_ * 3 / 2; }

  // Draws picture `number` into `yuv420` (PictureBytes() bytes). The result
  // depends only on channel, size and number.
  void Render(uint32_t number, uint8_t* yuv420) const;

  int channel() const { return channel_; }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  int channel_;
  int width_;
  int height_;
};

// Geometry of the burnt-in digits: a 5 x 7 font scaled up so that each font
// dot covers a 4 x 4 pixel square, black box behind, digits nearly white.
constexpr int kCounterDigits = 6;
constexpr int kCounterX = 16;
constexpr int kCounterY = 16;
constexpr int kDigitScale = 4;

// Draws `value` (modulo 10^digits) as `digits` decimal digits with the top
// left corner at (x, y) into a luma plane of the given stride and size;
// parts outside the plane are left out.
void DrawDigits(uint8_t* luma, int stride, int width, int height, int x, int y, uint32_t value,
                int digits);

// Reads back the picture number drawn by SyntheticCamera::Render from a luma
// plane (also after coding loss). Returns the number, or -1 if a digit is
// not recognisable.
long ReadBurntInCounter(const uint8_t* luma, int stride, int width, int height);

// Reads back the channel number drawn in the top right corner; -1 if unreadable.
int ReadBurntInChannel(const uint8_t* luma, int stride, int width, int height);

}  // namespace marlow
