// Full pictures through our encoder and the viewer's decoder: the decoder
// shows the scene within the quantiser's error, in every header layout and
// both picture sizes, and exactly what the encoder predicted.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "tests/codec_roundtrip/roundtrip_util.h"
#include "tools/encoder/picture_encoder.h"
#include "tools/encoder/synthetic_camera.h"

namespace marlow {
namespace {

struct FullCase {
  int layout;
  int height;
  int qscale;
};

class FullPictureTest : public ::testing::TestWithParam<FullCase> {};

TEST_P(FullPictureTest, DecodesWithinQuantiserError) {
  const FullCase c = GetParam();
  const int channel = c.layout == 1 ? 2 : 13;
  PictureEncoder encoder;
  ASSERT_EQ(encoder.Configure(c.layout, 640, c.height), 1);
  SyntheticCamera camera(channel, 640, c.height);
  std::vector<uint8_t> scene(camera.PictureBytes()), decoded(camera.PictureBytes(), 0);
  std::vector<uint8_t> unit(kUnitCapacity);
  camera.Render(4711, scene.data());

  const size_t n =
      encoder.EncodeFull(scene.data(), channel, c.qscale, 0x1234, unit.data(), unit.size());
  ASSERT_GT(n, 0u);
  EXPECT_EQ(unit[3], 0xF9);
  VideoDecoder decoder;
  decoder.Reset(VariantOfLayout(c.layout));
  int w = 0, h = 0, ch = -1;
  ASSERT_EQ(DecodeInto(decoder, unit.data(), n, decoded.data(), &w, &h, &ch), 1);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, c.height);
  EXPECT_EQ(ch, encoder.DecodedChannel(channel));
  EXPECT_EQ(ch, c.layout == 2 ? 13 : (c.layout == 1 ? 2 : 0));

  const double y = LumaPsnr(scene.data(), decoded.data(), 640, c.height);
  const double uv = ChromaPsnr(scene.data(), decoded.data(), 640, c.height);
  EXPECT_GT(y, 30.0) << "q " << c.qscale;
  EXPECT_GT(uv, 30.0) << "q " << c.qscale;
  std::printf("layout %d 640x%d q%d: %zu bytes, PSNR Y %.2f dB, CbCr %.2f dB\n", c.layout, c.height,
              c.qscale, n, y, uv);
  // The encoder's reconstruction is the decoder's output, bit for bit.
  EXPECT_EQ(0, std::memcmp(decoded.data(), encoder.Reference(ch), decoded.size()));
  EXPECT_EQ(ReadBurntInCounter(decoded.data(), 640, 640, c.height), 4711);
  EXPECT_EQ(ReadBurntInChannel(decoded.data(), 640, 640, c.height), channel);
}

INSTANTIATE_TEST_SUITE_P(LayoutsSizesQuantisers, FullPictureTest,
                         ::testing::Values(FullCase{1, 224, 2}, FullCase{1, 272, 4},
                                           FullCase{2, 224, 3}, FullCase{2, 272, 2},
                                           FullCase{2, 272, 3}, FullCase{2, 272, 4},
                                           FullCase{3, 224, 4}, FullCase{3, 272, 2}));

TEST(PictureHeader, LayoutsPackByteFourAndSequence) {
  std::vector<uint8_t> scene(640 * 224 * 3 / 2, 90), unit(kUnitCapacity);
  PictureEncoder encoder;
  ASSERT_EQ(encoder.Configure(1, 640, 224), 1);
  ASSERT_GT(encoder.EncodeFull(scene.data(), 3, 5, 0, unit.data(), unit.size()), 0u);
  EXPECT_EQ(unit[4], 0x80 | 5 << 3 | 3);
  ASSERT_GT(encoder.EncodeUpdate(scene.data(), 3, 5, 0, unit.data(), unit.size()), 0u);
  EXPECT_EQ(unit[3], 0xF8);
  EXPECT_EQ(unit[4], 5 << 3 | 3);
  EXPECT_EQ(encoder.EncodeFull(scene.data(), 4, 5, 0, unit.data(), unit.size()), 0u);

  ASSERT_EQ(encoder.Configure(2, 640, 224), 1);
  ASSERT_GT(encoder.EncodeFull(scene.data(), 15, 14, 0, unit.data(), unit.size()), 0u);
  EXPECT_EQ(unit[4], 0xEF);
  EXPECT_EQ(encoder.EncodeFull(scene.data(), 1, 15, 0, unit.data(), unit.size()), 0u);
  EXPECT_EQ(encoder.EncodeFull(scene.data(), 1, 0, 0, unit.data(), unit.size()), 0u);

  ASSERT_EQ(encoder.Configure(3, 640, 224), 1);
  for (uint16_t seq : {0x0000, 0x0001, 0x0100, 0xBEEF}) {
    const size_t n = encoder.EncodeUpdate(scene.data(), 0, 2, seq, unit.data(), unit.size());
    ASSERT_GT(n, 0u);
    EXPECT_EQ(unit[4], 2 << 3);
    EXPECT_EQ(unit[5], seq >> 8);
    EXPECT_EQ(unit[6], seq & 0xFF);
    VideoDecoder decoder;
    decoder.Reset(2);
    EXPECT_NE(decoder.ParseHeader(unit.data(), n), 0u) << "sequence " << seq;
    EXPECT_EQ(decoder.SliceCount(), 14);
    EXPECT_EQ(decoder.Sequence(), seq);
  }
  EXPECT_EQ(encoder.Configure(2, 320, 224), 0);
  EXPECT_EQ(encoder.Configure(4, 640, 224), 0);
}

TEST(PictureEncoder, RefusesTooSmallBuffer) {
  SyntheticCamera camera(0, 640, 272);
  std::vector<uint8_t> scene(camera.PictureBytes()), unit(kUnitCapacity);
  camera.Render(1, scene.data());
  PictureEncoder encoder;
  ASSERT_EQ(encoder.Configure(2, 640, 272), 1);
  const size_t n = encoder.EncodeFull(scene.data(), 0, 3, 0, unit.data(), unit.size());
  ASSERT_GT(n, 100u);
  std::vector<uint8_t> before(encoder.Reference(0), encoder.Reference(0) + scene.size());
  camera.Render(2, scene.data());
  EXPECT_EQ(encoder.EncodeFull(scene.data(), 0, 3, 0, unit.data(), n - 100), 0u);
  EXPECT_EQ(0, std::memcmp(before.data(), encoder.Reference(0), before.size()));
}

// A fixed stream and the decoder's output for it, pinned: any change in the
// encoder's choices or the decoder's arithmetic shows here. Both values are
// the same in every build (the forward transform uses written-out constants).
TEST(PinnedStream, DecoderOutputChecksum) {
  PictureEncoder encoder;
  ASSERT_EQ(encoder.Configure(2, 640, 272), 1);
  SyntheticCamera camera(5, 640, 272);
  std::vector<uint8_t> scene(camera.PictureBytes()), decoded(camera.PictureBytes(), 0);
  std::vector<uint8_t> unit(kUnitCapacity);
  VideoDecoder decoder;
  decoder.Reset(4);
  uint64_t streamHash = Fnv1a(nullptr, 0), pictureHash = Fnv1a(nullptr, 0);
  for (uint32_t i = 0; i < 6; ++i) {
    camera.Render(100 + i, scene.data());
    const size_t n = (i % 5 == 0)
                         ? encoder.EncodeFull(scene.data(), 5, 3, 0, unit.data(), unit.size())
                         : encoder.EncodeUpdate(scene.data(), 5, 3, 0, unit.data(), unit.size());
    ASSERT_GT(n, 0u);
    streamHash = Fnv1a(unit.data(), n, streamHash);
    int w, h, ch;
    ASSERT_EQ(DecodeInto(decoder, unit.data(), n, decoded.data(), &w, &h, &ch), 1);
    pictureHash = Fnv1a(decoded.data(), decoded.size(), pictureHash);
  }
  EXPECT_EQ(streamHash, 0x04243151088e53c9ull) << std::hex << streamHash;
  EXPECT_EQ(pictureHash, 0xe8564750b2aa0860ull) << std::hex << pictureHash;
}

}  // namespace
}  // namespace marlow
