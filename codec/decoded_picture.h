// One decoded picture in a caller-owned buffer: planar YUV 4:2:0, 8 bits a
// sample, no level offset.
#pragma once

#include <cstddef>
#include <cstdint>

#include "recording/time_record.h"

namespace marlow {

// The largest picture (640 x 272) needs 640 * 272 * 3 / 2 bytes. A buffer
// handed to the decoder must hold this many bytes whatever the picture size.
inline constexpr size_t kMaxPictureBytes = 261120;

struct DecodedPicture {
  // Y plane (width x height, stride width), then the Cb plane and the Cr
  // plane (width/2 x height/2, stride width/2), contiguous.
  uint8_t* planes = nullptr;
  unsigned width = 0;
  unsigned height = 0;
  int channel = 0;  // 0-based camera channel
  TimeRecord time;  // from the unit the picture came with; year 0 = unknown
};

// Plane sizes of a picture of the given size.
inline size_t LumaBytes(unsigned width, unsigned height) {
  return static_cast<size_t>(width) * height;
}
inline size_t PictureBytes(unsigned width, unsigned height) {
  return static_cast<size_t>(width) * height * 3 / 2;
}

}  // namespace marlow
