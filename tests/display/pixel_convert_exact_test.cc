// Every vector kernel must give the reference's bytes: on random pictures of
// the decoder's sizes and of awkward widths, on every (Y, Cb, Cr) triple, and
// on structured pictures (gradients, 0/255 extremes in all planes).
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "display/pixel_convert.h"
#include "tests/display/convert_test_util.h"

namespace marlow {

// Names the kernel in test names and messages instead of its bytes.
void PrintTo(ConvertKernel kernel, std::ostream* os) {
  *os << ConvertKernelName(kernel);
}

namespace {

using test::YuvPicture;

const PixelFormat kFormats[] = {PixelFormat::Rgb555, PixelFormat::Rgb565,
                                PixelFormat::Bgr565, PixelFormat::Bgr24,
                                PixelFormat::Xrgb32, PixelFormat::Bgr24BottomUp};

class KernelExactness : public testing::TestWithParam<ConvertKernel> {
 protected:
  void SetUp() override {
    if (!ConvertKernelAvailable(GetParam())) GTEST_SKIP() << "kernel not available here";
  }

  // Converts with the reference and the kernel under test into padded
  // destinations and compares them whole, padding included.
  void ExpectSame(YuvPicture& pic, const std::string& what) {
    for (PixelFormat format : kFormats) {
      const int pitch = pic.width * BytesPerPixel(format) + 7;
      const size_t size = static_cast<size_t>(pitch) * pic.height;
      if (ref_.size() < size) {
        ref_.resize(size);
        out_.resize(size);
      }
      std::fill(ref_.begin(), ref_.begin() + size, 0x5A);
      std::fill(out_.begin(), out_.begin() + size, 0x5A);
      ASSERT_EQ(1, ConvertPictureWith(ConvertKernel::Reference, format, ref_.data(), pitch,
                                      pic.planes.data(), pic.width, pic.height));
      ASSERT_EQ(1, ConvertPictureWith(GetParam(), format, out_.data(), pitch, pic.planes.data(),
                                      pic.width, pic.height));
      for (size_t i = 0; i < size; ++i) {
        if (ref_[i] != out_[i]) {
          FAIL() << what << " " << pic.width << "x" << pic.height << " format "
                 << static_cast<int>(format) << ": first difference at byte " << i << " (row "
                 << i / pitch << ", byte " << i % pitch << "): reference " << int(ref_[i]) << ", "
                 << ConvertKernelName(GetParam()) << " " << int(out_[i]);
        }
      }
    }
  }

  std::vector<uint8_t> ref_, out_;
};

TEST_P(KernelExactness, RandomPicturesOfDecoderSizes) {
  const int sizes[][2] = {{640, 272}, {640, 224}, {320, 112}, {320, 136}, {320, 272}};
  uint32_t seed = 1;
  for (const auto& s : sizes) {
    YuvPicture pic(s[0], s[1]);
    for (int i = 0; i < 3; ++i) {
      pic.Randomise(seed++);
      ExpectSame(pic, "random");
    }
  }
}

// Widths that leave a tail after the 16- and 32-pixel steps.
TEST_P(KernelExactness, RandomPicturesOfAwkwardWidths) {
  const int widths[] = {2, 6, 14, 16, 18, 30, 32, 34, 46, 48, 62, 66, 94, 126, 130};
  uint32_t seed = 100;
  for (int w : widths) {
    for (int h : {2, 6}) {
      YuvPicture pic(w, h);
      pic.Randomise(seed++);
      ExpectSame(pic, "random");
    }
  }
}

// All 65536 chroma pairs (Cb = column, Cr = row of the chroma planes) with
// every luma value in every position of the 2 x 2 block over 64 pictures:
// all 16.7 million (Y, Cb, Cr) triples.
TEST_P(KernelExactness, EveryYuvTriple) {
  YuvPicture pic(512, 512);
  for (int cy = 0; cy < 256; ++cy)
    for (int cx = 0; cx < 256; ++cx) {
      pic.Cb(cx, cy) = static_cast<uint8_t>(cx);
      pic.Cr(cx, cy) = static_cast<uint8_t>(cy);
    }
  for (int base = 0; base < 256; base += 4) {
    for (int y = 0; y < 512; ++y)
      for (int x = 0; x < 512; ++x)
        pic.Y(x, y) = static_cast<uint8_t>(base + (x & 1) + 2 * (y & 1));
    ExpectSame(pic, "triples from Y " + std::to_string(base));
    if (HasFailure()) return;
  }
}

TEST_P(KernelExactness, StructuredPictures) {
  YuvPicture pic(640, 272);
  // Every combination of 0 and 255 in the three planes, as uniform pictures.
  for (int bits = 0; bits < 8; ++bits) {
    pic.Fill(bits & 1 ? 255 : 0, bits & 2 ? 255 : 0, bits & 4 ? 255 : 0);
    ExpectSame(pic, "extremes " + std::to_string(bits));
  }
  // Extremes changing from sample to sample in all planes.
  for (int y = 0; y < 272; ++y)
    for (int x = 0; x < 640; ++x) pic.Y(x, y) = ((x * 7 + y * 3) % 5) < 2 ? 0 : 255;
  for (int y = 0; y < 136; ++y)
    for (int x = 0; x < 320; ++x) {
      pic.Cb(x, y) = (x + y) % 3 == 0 ? 0 : 255;
      pic.Cr(x, y) = (x * y) % 4 == 1 ? 0 : 255;
    }
  ExpectSame(pic, "extreme pattern");
  // Gradients: luma across, chroma down and across in opposite directions.
  for (int y = 0; y < 272; ++y)
    for (int x = 0; x < 640; ++x) pic.Y(x, y) = static_cast<uint8_t>(x * 255 / 639);
  for (int y = 0; y < 136; ++y)
    for (int x = 0; x < 320; ++x) {
      pic.Cb(x, y) = static_cast<uint8_t>(y * 255 / 135);
      pic.Cr(x, y) = static_cast<uint8_t>(255 - x * 255 / 319);
    }
  ExpectSame(pic, "gradient");
}

INSTANTIATE_TEST_SUITE_P(Kernels, KernelExactness,
                         testing::Values(ConvertKernel::Sse2, ConvertKernel::Ssse3,
                                         ConvertKernel::Avx2),
                         [](const testing::TestParamInfo<ConvertKernel>& info) {
                           return std::string(ConvertKernelName(info.param));
                         });

}  // namespace
}  // namespace marlow
