#include "tests/codec_roundtrip/roundtrip_util.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace marlow {
namespace {

double Psnr(const uint8_t* a, const uint8_t* b, size_t n) {
  double sum = 0;
  for (size_t i = 0; i < n; ++i) {
    const double d = static_cast<double>(a[i]) - b[i];
    sum += d * d;
  }
  if (sum == 0) return 99.0;
  return 10.0 * std::log10(255.0 * 255.0 * static_cast<double>(n) / sum);
}

}  // namespace

int VariantOfLayout(int layout) {
  return layout == 1 ? 0 : (layout == 2 ? 4 : 2);
}

double LumaPsnr(const uint8_t* a, const uint8_t* b, int width, int height) {
  return Psnr(a, b, static_cast<size_t>(width) * height);
}

double ChromaPsnr(const uint8_t* a, const uint8_t* b, int width, int height) {
  const size_t luma = static_cast<size_t>(width) * height;
  return Psnr(a + luma, b + luma, luma / 2);
}

uint64_t Fnv1a(const uint8_t* data, size_t n, uint64_t hash) {
  for (size_t i = 0; i < n; ++i) {
    hash ^= data[i];
    hash *= 1099511628211ull;
  }
  return hash;
}

}  // namespace marlow

namespace marlow {

int DecodeInto(VideoDecoder& decoder, const uint8_t* data, size_t length, uint8_t* planes,
               int* width, int* height, int* channel) {
  if (decoder.ParseHeader(data, length) == 0) return 0;
  // The decoder's contract asks for a buffer of the largest picture size;
  // the tests keep theirs at the exact size, so decode through a full-size
  // copy that carries the previous pixels in and the result out.
  static std::vector<uint8_t> scratch(kMaxPictureBytes);
  const size_t bytes = PictureBytes(decoder.Width(), decoder.Height());
  std::memcpy(scratch.data(), planes, bytes);
  DecodedPicture picture;
  picture.planes = scratch.data();
  if (decoder.Decode(data, length, &picture) != 1) return 0;
  std::memcpy(planes, scratch.data(), bytes);
  *width = static_cast<int>(decoder.Width());
  *height = static_cast<int>(decoder.Height());
  *channel = decoder.Channel();
  return picture.width == decoder.Width() && picture.height == decoder.Height() &&
                 picture.channel == decoder.Channel()
             ? 1
             : 0;
}

}  // namespace marlow
