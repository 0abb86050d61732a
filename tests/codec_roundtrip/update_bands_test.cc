// Partial conversion of update pictures: the decoder names the macroblock
// rows a picture wrote, and converting only those bands into a destination
// that held the previous picture gives the bytes of converting everything,
// for every kernel and packing, over random update streams with pictures
// that fail part way.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "display/pixel_convert.h"
#include "tests/codec_roundtrip/roundtrip_util.h"
#include "tools/encoder/picture_encoder.h"
#include "tools/encoder/synthetic_camera.h"

namespace marlow {
namespace {

struct Rng {
  uint32_t s;
  uint32_t Below(uint32_t n) {
    s = s * 1664525u + 1013904223u;
    return (s >> 8) % n;
  }
};

// Changes a few random rectangles of the scene (some pictures change
// nothing, some a lot), so updates code scattered macroblocks.
void Disturb(Rng& r, std::vector<uint8_t>& scene, int width, int height) {
  const int count = static_cast<int>(r.Below(5));
  for (int k = 0; k < count; ++k) {
    const int w = 2 + static_cast<int>(r.Below(r.Below(4) == 0 ? 300 : 40));
    const int h = 2 + static_cast<int>(r.Below(r.Below(4) == 0 ? 120 : 24));
    const int x0 = static_cast<int>(r.Below(width)), y0 = static_cast<int>(r.Below(height));
    const uint8_t v = static_cast<uint8_t>(r.Below(256));
    for (int y = y0; y < y0 + h && y < height; ++y) {
      for (int x = x0; x < x0 + w && x < width; ++x) scene[y * width + x] = v;
      uint8_t* cb = scene.data() + width * height + (y / 2) * (width / 2);
      for (int x = x0 / 2; x < (x0 + w) / 2 && x < width / 2; ++x) cb[x] = v ^ 0x5A;
    }
  }
}

TEST(UpdateBands, PartialConversionEqualsWholeOverRandomUpdateStreams) {
  const PixelFormat formats[] = {PixelFormat::Bgr24BottomUp, PixelFormat::Xrgb32,
                                 PixelFormat::Rgb565, PixelFormat::Rgb555};
  for (int height : {224, 272}) {
    SCOPED_TRACE(height);
    const int width = 640;
    const size_t bytes = static_cast<size_t>(width) * height * 3 / 2;
    PictureEncoder encoder;
    ASSERT_EQ(encoder.Configure(2, width, height), 1);
    encoder.SetUpdateThreshold(0);
    SyntheticCamera camera(3, width, height);
    Rng r{static_cast<uint32_t>(height)};
    std::vector<uint8_t> scene(bytes), unit(kUnitCapacity), planes(bytes, 0), before(bytes);
    std::vector<uint8_t> stored(bytes, 0), scratch(ConvertBandsScratchBytes(width));
    camera.Render(1, scene.data());
    // Per kernel and packing: a destination updated band by band, with a
    // pitch wider than a row whose padding must stay untouched.
    struct Target {
      ConvertKernel kernel;
      PixelFormat format;
      int pitch;
      std::vector<uint8_t> partial, whole;
    };
    std::vector<Target> targets;
    for (ConvertKernel k : {ConvertKernel::Reference, ConvertKernel::Sse2, ConvertKernel::Avx2}) {
      if (!ConvertKernelAvailable(k)) continue;
      for (PixelFormat f : formats) {
        const int pitch = width * BytesPerPixel(f) + 12;
        targets.push_back({k, f, pitch,
                           std::vector<uint8_t>(static_cast<size_t>(pitch) * height, 0xEE),
                           std::vector<uint8_t>(static_cast<size_t>(pitch) * height, 0xEE)});
      }
    }
    VideoDecoder decoder;
    decoder.Reset(4);
    uint32_t pending = kAllBands;  // the targets hold nothing of this stream yet
    int partialPictures = 0;
    for (int i = 0; i < 60; ++i) {
      SCOPED_TRACE(i);
      Disturb(r, scene, width, height);
      const size_t n = i == 0
                           ? encoder.EncodeFull(scene.data(), 3, 4, 0, unit.data(), unit.size())
                           : encoder.EncodeUpdate(scene.data(), 3, 4, 0, unit.data(), unit.size());
      ASSERT_GT(n, 0u);
      // Now and then a picture broken part way: it fails after some slices.
      const bool broken = i > 0 && r.Below(8) == 0;
      if (broken) {
        const size_t at = n / 3 + r.Below(static_cast<uint32_t>(n - n / 3 - 8));
        std::memset(&unit[at], 0xFF, 8);
      }
      before = planes;
      int w, h, ch;
      const int ok = DecodeInto(decoder, unit.data(), n, planes.data(), &w, &h, &ch);
      if (!broken) {
        ASSERT_EQ(ok, 1);
      }
      // Nothing outside the named rows changed.
      const uint32_t changed = decoder.ChangedRows();
      for (int y = 0; y < height; ++y) {
        if ((changed >> (y / 16)) & 1) continue;
        ASSERT_EQ(0, std::memcmp(&before[y * width], &planes[y * width], width)) << y;
        const size_t c = static_cast<size_t>(width) * height + (y / 2) * (width / 2);
        ASSERT_EQ(0, std::memcmp(&before[c], &planes[c], width / 2)) << y;
        ASSERT_EQ(0, std::memcmp(&before[c + bytes / 6], &planes[c + bytes / 6], width / 2)) << y;
      }
      pending |= changed;
      if (!ok) continue;  // shown with the next good picture
      if (pending != kAllBands && pending != (1u << (height / 16)) - 1) ++partialPictures;
      CopyPictureBands(stored.data(), planes.data(), width, height, pending);
      ASSERT_EQ(0, std::memcmp(stored.data(), planes.data(), bytes));
      for (Target& t : targets) {
        ASSERT_EQ(
            1, ConvertPictureBandsWith(t.kernel, t.format, t.partial.data(), t.pitch, stored.data(),
                                       width, height, pending, scratch.data()));
        ASSERT_EQ(1, ConvertPictureWith(t.kernel, t.format, t.whole.data(), t.pitch, planes.data(),
                                        width, height));
        ASSERT_EQ(0, std::memcmp(t.partial.data(), t.whole.data(), t.whole.size()))
            << ConvertKernelName(t.kernel) << " format " << static_cast<int>(t.format);
      }
      pending = 0;
    }
    EXPECT_GT(partialPictures, 20);  // the stream did exercise partial updates
  }
}

}  // namespace
}  // namespace marlow
