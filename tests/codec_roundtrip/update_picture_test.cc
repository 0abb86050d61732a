// Update pictures: only changed macroblocks are coded, the decoder leaves
// every other macroblock as it was, and a run of updates tracks the scene.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/codec_roundtrip/roundtrip_util.h"
#include "tools/encoder/picture_encoder.h"
#include "tools/encoder/synthetic_camera.h"

namespace marlow {
namespace {

class UpdatePictureTest : public ::testing::TestWithParam<int> {
 protected:
  int height() const { return GetParam(); }
  size_t bytes() const { return static_cast<size_t>(640) * height() * 3 / 2; }
};

TEST_P(UpdatePictureTest, RunOfUpdatesTracksTheScene) {
  PictureEncoder encoder;
  ASSERT_EQ(encoder.Configure(2, 640, height()), 1);
  SyntheticCamera camera(9, 640, height());
  std::vector<uint8_t> scene(bytes()), decoded(bytes(), 0), unit(kUnitCapacity);
  VideoDecoder decoder;
  decoder.Reset(4);
  size_t fullBytes = 0, updateBytes = 0;
  for (uint32_t i = 0; i < 12; ++i) {
    camera.Render(500 + i, scene.data());
    const size_t n = i == 0 ? encoder.EncodeFull(scene.data(), 9, 3, 0, unit.data(), unit.size())
                            : encoder.EncodeUpdate(scene.data(), 9, 3, 0, unit.data(), unit.size());
    ASSERT_GT(n, 0u);
    EXPECT_EQ(unit[3], i == 0 ? 0xF9 : 0xF8);
    (i == 0 ? fullBytes : updateBytes) += n;
    int w, h, ch;
    ASSERT_EQ(DecodeInto(decoder, unit.data(), n, decoded.data(), &w, &h, &ch), 1) << i;
    ASSERT_EQ(h, height());
    ASSERT_EQ(ch, 9);
    ASSERT_EQ(0, std::memcmp(decoded.data(), encoder.Reference(9), decoded.size())) << i;
    EXPECT_GT(LumaPsnr(scene.data(), decoded.data(), 640, height()), 30.0) << i;
    EXPECT_EQ(ReadBurntInCounter(decoded.data(), 640, 640, height()), 500 + static_cast<long>(i));
  }
  // Updates code the moving parts only: far smaller than a full picture.
  EXPECT_LT(updateBytes / 11, fullBytes / 3);
}

TEST_P(UpdatePictureTest, UntouchedMacroblocksKeepTheirPixels) {
  PictureEncoder encoder;
  ASSERT_EQ(encoder.Configure(2, 640, height()), 1);
  SyntheticCamera camera(1, 640, height());
  std::vector<uint8_t> scene(bytes()), decoded(bytes()), unit(kUnitCapacity);
  camera.Render(7, scene.data());
  ASSERT_GT(encoder.EncodeFull(scene.data(), 1, 4, 0, unit.data(), unit.size()), 0u);

  // Change the first and the last macroblock of row 2 and one luma block of
  // macroblock (20, 5): address increments 1, 40 and a partial pattern.
  for (int y = 32; y < 48; ++y) {
    for (int x = 0; x < 16; ++x) scene[y * 640 + x] = 250;
    for (int x = 624; x < 640; ++x) scene[y * 640 + x] = 5;
  }
  for (int y = 88; y < 96; ++y) {
    for (int x = 328; x < 336; ++x) scene[y * 640 + x] = static_cast<uint8_t>(x * 7 + y);
  }
  const size_t n = encoder.EncodeUpdate(scene.data(), 1, 4, 0, unit.data(), unit.size());
  ASSERT_GT(n, 0u);
  EXPECT_EQ(encoder.LastCodedMacroblocks(), 3);

  // Decode into a picture of a poison value: the three coded macroblocks
  // get pixels, everything else must keep the poison.
  std::memset(decoded.data(), 77, decoded.size());
  VideoDecoder decoder;
  decoder.Reset(4);
  int w, h, ch;
  ASSERT_EQ(DecodeInto(decoder, unit.data(), n, decoded.data(), &w, &h, &ch), 1);
  const uint8_t* ref = encoder.Reference(1);
  for (int y = 0; y < height(); ++y) {
    for (int x = 0; x < 640; ++x) {
      const int mbx = x / 16, mby = y / 16;
      const bool codedMb = (mby == 2 && (mbx == 0 || mbx == 39));
      const bool codedBlock = mby == 5 && mbx == 20 && (y % 16) >= 8 && (x % 16) >= 8;
      const uint8_t v = decoded[y * 640 + x];
      if (codedMb || codedBlock) {
        ASSERT_EQ(v, ref[y * 640 + x]) << x << "," << y;
      } else {
        ASSERT_EQ(v, 77) << x << "," << y;
      }
    }
  }
  // Chroma of all three coded macroblocks is coded, the rest untouched.
  const uint8_t* cb = decoded.data() + 640 * height();
  for (int y = 0; y < height() / 2; ++y) {
    for (int x = 0; x < 320; ++x) {
      const int mbx = x / 8, mby = y / 8;
      const bool coded = (mby == 2 && (mbx == 0 || mbx == 39)) || (mby == 5 && mbx == 20);
      if (!coded) {
        ASSERT_EQ(cb[y * 320 + x], 77) << x << "," << y;
      }
    }
  }
}

TEST_P(UpdatePictureTest, UnchangedSceneCodesEmptySlices) {
  PictureEncoder encoder;
  ASSERT_EQ(encoder.Configure(2, 640, height()), 1);
  SyntheticCamera camera(0, 640, height());
  std::vector<uint8_t> scene(bytes()), decoded(bytes()), unit(kUnitCapacity);
  camera.Render(3, scene.data());
  ASSERT_GT(encoder.EncodeFull(scene.data(), 0, 2, 0, unit.data(), unit.size()), 0u);
  const size_t n = encoder.EncodeUpdate(scene.data(), 0, 2, 0, unit.data(), unit.size());
  // Each slice: 00 00 01, 5-bit row, six zero bits, padded: 5 bytes.
  EXPECT_EQ(n, 5u + static_cast<size_t>(height() / 16) * 5);
  EXPECT_EQ(encoder.LastCodedMacroblocks(), 0);
  std::memset(decoded.data(), 33, decoded.size());
  VideoDecoder decoder;
  decoder.Reset(4);
  int w, h, ch;
  ASSERT_EQ(DecodeInto(decoder, unit.data(), n, decoded.data(), &w, &h, &ch), 1);
  EXPECT_EQ(h, height());
  for (uint8_t v : decoded) ASSERT_EQ(v, 33);
}

INSTANTIATE_TEST_SUITE_P(BothSizes, UpdatePictureTest, ::testing::Values(224, 272));

TEST(UpdatePicture, EveryLayoutKeepsItsChannelsApart) {
  for (int layout = 1; layout <= 3; ++layout) {
    PictureEncoder encoder;
    ASSERT_EQ(encoder.Configure(layout, 640, 224), 1);
    VideoDecoder decoder;
    decoder.Reset(VariantOfLayout(layout));
    const int channels[2] = {1, 3};
    std::vector<uint8_t> scene(640 * 224 * 3 / 2), unit(kUnitCapacity);
    std::vector<uint8_t> shown[2] = {std::vector<uint8_t>(scene.size()),
                                     std::vector<uint8_t>(scene.size())};
    for (uint32_t i = 0; i < 4; ++i) {
      for (int k = 0; k < 2; ++k) {
        if (layout == 3 && k == 1) continue;  // one channel only in layout 3
        SyntheticCamera camera(channels[k], 640, 224);
        camera.Render(i, scene.data());
        const size_t n =
            i == 0 ? encoder.EncodeFull(scene.data(), channels[k], 3, 0, unit.data(), unit.size())
                   : encoder.EncodeUpdate(scene.data(), channels[k], 3, static_cast<uint16_t>(i),
                                          unit.data(), unit.size());
        ASSERT_GT(n, 0u);
        int w, h, ch;
        ASSERT_EQ(DecodeInto(decoder, unit.data(), n, shown[k].data(), &w, &h, &ch), 1);
        ASSERT_EQ(ch, encoder.DecodedChannel(channels[k]));
        ASSERT_EQ(0, std::memcmp(shown[k].data(), encoder.Reference(ch), scene.size()))
            << "layout " << layout << " picture " << i;
        EXPECT_EQ(ReadBurntInChannel(shown[k].data(), 640, 640, 224), channels[k]);
      }
    }
  }
}

}  // namespace
}  // namespace marlow
