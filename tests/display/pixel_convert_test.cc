// The colour transform's exact values, the packings, the row orders and the
// argument checks, run through every converter this machine can execute.
#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "display/pixel_convert.h"
#include "tests/display/convert_test_util.h"

namespace marlow {
namespace {

using test::YuvPicture;

std::vector<ConvertKernel> AvailableKernels() {
  std::vector<ConvertKernel> kernels;
  for (ConvertKernel k :
       {ConvertKernel::Reference, ConvertKernel::Sse2, ConvertKernel::Ssse3, ConvertKernel::Avx2})
    if (ConvertKernelAvailable(k)) kernels.push_back(k);
  return kernels;
}

struct Rgb {
  int r, g, b;
};

// Converts a uniform picture wide enough for every kernel's vector steps and
// checks that all its pixels came out as `expected`.
void ExpectUniform(uint8_t y, uint8_t cb, uint8_t cr, Rgb expected) {
  YuvPicture pic(96, 4);  // 96 = 3 AVX2 steps = 6 SSE2 steps
  pic.Fill(y, cb, cr);
  for (ConvertKernel kernel : AvailableKernels()) {
    std::vector<uint8_t> out(static_cast<size_t>(pic.width) * pic.height * 3);
    ASSERT_EQ(1, ConvertPictureWith(kernel, PixelFormat::Bgr24, out.data(), pic.width * 3,
                                    pic.planes.data(), pic.width, pic.height));
    for (size_t i = 0; i < out.size(); i += 3) {
      SCOPED_TRACE(testing::Message() << ConvertKernelName(kernel) << " Y=" << int(y) << " Cb="
                                      << int(cb) << " Cr=" << int(cr) << " pixel " << i / 3);
      ASSERT_EQ(expected.b, out[i]);
      ASSERT_EQ(expected.g, out[i + 1]);
      ASSERT_EQ(expected.r, out[i + 2]);
    }
  }
}

TEST(ColourTransform, NeutralBlackAndWhite) {
  ExpectUniform(0, 128, 128, {0, 0, 0});
  ExpectUniform(255, 128, 128, {255, 255, 255});
}

TEST(ColourTransform, NegativeResultsBecomeOneAndZeroStaysZero) {
  // R = -183808 >> 10 = -180 -> 1; G = 93568 >> 10 = 91.
  ExpectUniform(0, 128, 0, {1, 91, 0});
  // G = 123 >> 10 = 0 stays 0; B = -221 >> 10 = -1 (floor, not truncation) -> 1.
  ExpectUniform(76, 85, 255, {254, 0, 1});
  ExpectUniform(29, 255, 107, {1, 0, 254});
  ExpectUniform(150, 44, 21, {1, 255, 1});
}

TEST(ColourTransform, LargeResultsBecome255) {
  // R = (131072 + 182372) >> 10 = 306 -> 255; G = 38235 >> 10 = 37.
  ExpectUniform(128, 128, 255, {255, 37, 128});
  ExpectUniform(255, 255, 255, {255, 120, 255});
  ExpectUniform(255, 0, 0, {75, 255, 28});
}

TEST(ColourTransform, ExtremeChroma) {
  ExpectUniform(0, 0, 0, {1, 135, 1});
  ExpectUniform(0, 255, 255, {178, 1, 225});
  ExpectUniform(10, 128, 127, {8, 10, 10});
}

TEST(ColourTransform, ChromaPairIsSharedByTwoByTwoBlock) {
  YuvPicture pic(64, 4);
  pic.Fill(100, 128, 128);
  pic.Cr(1, 0) = 255;  // pixels (2..3, 0..1)
  for (ConvertKernel kernel : AvailableKernels()) {
    std::vector<uint8_t> out(64 * 4 * 3);
    ASSERT_EQ(1, ConvertPictureWith(kernel, PixelFormat::Bgr24, out.data(), 64 * 3,
                                    pic.planes.data(), 64, 4));
    for (int row = 0; row < 4; ++row)
      for (int x = 0; x < 6; ++x) {
        const bool tinted = row < 2 && (x == 2 || x == 3);
        // Y 100, v 127: R = (102400 + 182372) >> 10 = 278 -> 255.
        EXPECT_EQ(tinted ? 255 : 100, out[(row * 64 + x) * 3 + 2])
            << ConvertKernelName(kernel) << " row " << row << " x " << x;
      }
  }
}

// One pixel of colour R=254, G=0, B=1 (Y 76, Cb 85, Cr 255) and of white,
// in every packing.
TEST(PixelPacking, EveryFormat) {
  struct Case {
    PixelFormat format;
    std::vector<uint8_t> colour;  // first pixel's bytes
    std::vector<uint8_t> white;
  };
  const Case cases[] = {
      {PixelFormat::Rgb555, {0x00, 0x7C}, {0xFF, 0x7F}},
      {PixelFormat::Rgb565, {0x00, 0xF8}, {0xFF, 0xFF}},
      {PixelFormat::Bgr565, {0x1F, 0x00}, {0xFF, 0xFF}},
      {PixelFormat::Bgr24, {0x01, 0x00, 0xFE}, {0xFF, 0xFF, 0xFF}},
      {PixelFormat::Xrgb32, {0x01, 0x00, 0xFE, 0x00}, {0xFF, 0xFF, 0xFF, 0x00}},
      {PixelFormat::Bgr24BottomUp, {0x01, 0x00, 0xFE}, {0xFF, 0xFF, 0xFF}},
  };
  YuvPicture colour(64, 2), white(64, 2);
  colour.Fill(76, 85, 255);
  white.Fill(255, 128, 128);
  for (const Case& c : cases) {
    const int bpp = BytesPerPixel(c.format);
    ASSERT_EQ(static_cast<int>(c.colour.size()), bpp);
    for (ConvertKernel kernel : AvailableKernels()) {
      SCOPED_TRACE(testing::Message()
                   << ConvertKernelName(kernel) << " format " << static_cast<int>(c.format));
      std::vector<uint8_t> out(64 * 2 * bpp);
      ASSERT_EQ(1, ConvertPictureWith(kernel, c.format, out.data(), 64 * bpp, colour.planes.data(),
                                      64, 2));
      for (int i = 0; i < 64 * 2; ++i)
        ASSERT_EQ(0, std::memcmp(out.data() + i * bpp, c.colour.data(), bpp)) << "pixel " << i;
      ASSERT_EQ(1, ConvertPictureWith(kernel, c.format, out.data(), 64 * bpp, white.planes.data(),
                                      64, 2));
      for (int i = 0; i < 64 * 2; ++i)
        ASSERT_EQ(0, std::memcmp(out.data() + i * bpp, c.white.data(), bpp)) << "pixel " << i;
    }
  }
  // Green (R=1, G=255, B=1) lands in the middle field of the 16-bit packings.
  YuvPicture green(64, 2);
  green.Fill(150, 44, 21);
  uint8_t px[64 * 2 * 2];
  ASSERT_EQ(1, ConvertPicture(PixelFormat::Rgb565, px, 128, green.planes.data(), 64, 2));
  EXPECT_EQ(0x07E0, px[0] | px[1] << 8);
  ASSERT_EQ(1, ConvertPicture(PixelFormat::Rgb555, px, 128, green.planes.data(), 64, 2));
  EXPECT_EQ(0x03E0, px[0] | px[1] << 8);
}

// A white top row over black: top-down formats put it first, the bottom-up
// DIB last. The destination has padding at each row's end that must survive.
TEST(RowOrder, TopDownAndBottomUp) {
  const int w = 64, h = 6, pad = 5;
  YuvPicture pic(w, h);
  pic.Fill(0, 128, 128);
  for (int x = 0; x < w; ++x) pic.Y(x, 0) = 255;
  for (PixelFormat format :
       {PixelFormat::Bgr24, PixelFormat::Bgr24BottomUp, PixelFormat::Xrgb32, PixelFormat::Rgb565}) {
    const int bpp = BytesPerPixel(format);
    const int pitch = w * bpp + pad;
    const int whiteRow = format == PixelFormat::Bgr24BottomUp ? h - 1 : 0;
    for (ConvertKernel kernel : AvailableKernels()) {
      SCOPED_TRACE(testing::Message()
                   << ConvertKernelName(kernel) << " format " << static_cast<int>(format));
      std::vector<uint8_t> out(static_cast<size_t>(pitch) * h, 0xAB);
      ASSERT_EQ(1, ConvertPictureWith(kernel, format, out.data(), pitch, pic.planes.data(), w, h));
      for (int row = 0; row < h; ++row) {
        const uint8_t* line = out.data() + row * pitch;
        for (int x = 0; x < w; ++x) {
          const uint8_t b = line[x * bpp];
          ASSERT_EQ(row == whiteRow ? 0xFF : 0x00, b) << "row " << row << " x " << x;
        }
        for (int i = w * bpp; i < pitch; ++i) ASSERT_EQ(0xAB, line[i]) << "padding of row " << row;
      }
    }
  }
}

TEST(ConvertArguments, RejectedWithoutWriting) {
  YuvPicture pic(64, 4);
  pic.Fill(200, 100, 50);
  std::vector<uint8_t> out(64 * 4 * 4 + 64, 0xCD);
  auto untouched = [&] {
    for (uint8_t b : out)
      if (b != 0xCD) return false;
    return true;
  };
  const uint8_t* p = pic.planes.data();
  EXPECT_EQ(0, ConvertPicture(PixelFormat::Bgr24, out.data(), 64 * 3, p, 63, 4));  // odd width
  EXPECT_EQ(0, ConvertPicture(PixelFormat::Bgr24, out.data(), 64 * 3, p, 64, 3));  // odd height
  EXPECT_EQ(0, ConvertPicture(PixelFormat::Bgr24, out.data(), 64 * 3, p, 0, 4));
  EXPECT_EQ(0, ConvertPicture(PixelFormat::Bgr24, out.data(), 64 * 3, p, -2, 4));
  EXPECT_EQ(0, ConvertPicture(PixelFormat::Bgr24, out.data(), 64 * 3 - 1, p, 64, 4));  // pitch
  EXPECT_EQ(0, ConvertPicture(PixelFormat::Xrgb32, out.data(), 64 * 3, p, 64, 4));
  EXPECT_EQ(0, ConvertPicture(PixelFormat::Bgr24, out.data(), 64 * 3, nullptr, 64, 4));
  EXPECT_EQ(0, ConvertPicture(PixelFormat::Bgr24, nullptr, 64 * 3, p, 64, 4));
  EXPECT_EQ(0, ConvertPicture(static_cast<PixelFormat>(0), out.data(), 256, p, 64, 4));
  EXPECT_EQ(0, ConvertPicture(static_cast<PixelFormat>(7), out.data(), 256, p, 64, 4));
  EXPECT_EQ(
      0, ConvertPicture(PixelFormat::Bgr24, out.data(), 1 << 30, p, 2 * kMaxConvertDimension, 2));
  EXPECT_TRUE(untouched());
  // The smallest picture is fine.
  EXPECT_EQ(1, ConvertPicture(PixelFormat::Bgr24, out.data(), 6, p, 2, 2));
}

TEST(SurfaceFormat, CodesFromBitCountAndRedMask) {
  EXPECT_EQ(1, SurfaceFormatCode(15, 0x7C00));
  EXPECT_EQ(2, SurfaceFormatCode(16, 0xF800));
  EXPECT_EQ(3, SurfaceFormatCode(16, 0x001F));
  EXPECT_EQ(4, SurfaceFormatCode(24, 0xFF0000));
  EXPECT_EQ(5, SurfaceFormatCode(32, 0xFF0000));
  EXPECT_EQ(0, SurfaceFormatCode(16, 0x7C00));  // 15-bit colour reported as 16 bits
  EXPECT_EQ(0, SurfaceFormatCode(24, 0x0000FF));
  EXPECT_EQ(0, SurfaceFormatCode(32, 0x0000FF));
  EXPECT_EQ(0, SurfaceFormatCode(8, 0));
  EXPECT_EQ(2, BytesPerPixel(PixelFormat::Rgb555));
  EXPECT_EQ(3, BytesPerPixel(PixelFormat::Bgr24BottomUp));
  EXPECT_EQ(4, BytesPerPixel(PixelFormat::Xrgb32));
}

TEST(ForceReference, SwitchSelectsTheReference) {
  const bool before = ForceReference();
  SetForceReference(true);
  EXPECT_EQ(ConvertKernel::Reference, ActiveConvertKernel());
  SetForceReference(false);
  if (ConvertKernelAvailable(ConvertKernel::Sse2)) {
    EXPECT_NE(ConvertKernel::Reference, ActiveConvertKernel());
  }
  SetForceReference(before);
}

}  // namespace
}  // namespace marlow
