// No picture may hold a stray start code 00 00 01: the decoder's slice scan
// would cut the picture there. Hard cases: black blocks (DC byte near 0),
// noise at the finest quantiser (escapes with large levels), sharp edges.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "codec/scan_tables.h"
#include "tests/codec_roundtrip/roundtrip_util.h"
#include "tools/encoder/forward_dct.h"
#include "tools/encoder/picture_encoder.h"

namespace marlow {
namespace {

// Noise at the finest quantiser outgrows a recorder unit; these tests are
// about the bits, not the unit size.
constexpr size_t kLargeUnit = 1 << 20;

uint32_t NextRandom(uint32_t* state) {
  *state = *state * 1664525u + 1013904223u;
  return *state >> 8;
}

// Scenes built to provoke long runs of zero bits.
void MakeHardScene(int kind, uint32_t seed, std::vector<uint8_t>* scene, int height) {
  const int w = 640;
  uint32_t r = seed;
  for (size_t i = 0; i < scene->size(); ++i) {
    const int x = static_cast<int>(i % w), y = static_cast<int>(i / w);
    uint8_t v = 0;
    switch (kind) {
      case 0:
        v = 0;
        break;  // all black
      case 1:
        v = 255;
        break;  // all white
      case 2:
        v = static_cast<uint8_t>(NextRandom(&r));
        break;  // full-range noise
      case 3:
        v = ((x / 3 + y / 5) & 1) ? 255 : 0;
        break;  // hard stripes
      case 4:
        v = (NextRandom(&r) % 97 == 0) ? 255 : 0;
        break;  // black with sparks
      default:  // black macroblocks next to noisy ones
        v = (((x / 16) ^ (y / 16) ^ static_cast<int>(seed)) & 1)
                ? static_cast<uint8_t>(NextRandom(&r))
                : static_cast<uint8_t>(NextRandom(&r) & 1);
        break;
    }
    (*scene)[i] = v;
  }
  (void)height;
}

void ExpectOnlySliceStartCodes(const uint8_t* unit, size_t n, int layout, int height) {
  size_t offsets[20];
  const size_t count = FindStartCodes(unit, n, 4, offsets, 20);
  ASSERT_EQ(count, static_cast<size_t>(height / 16));
  for (size_t k = 0; k < count; ++k) {
    // The fourth byte of a slice start carries the 5-bit row.
    EXPECT_EQ(unit[offsets[k] + 3] >> 3, static_cast<int>(k));
  }
  VideoDecoder decoder;
  decoder.Reset(VariantOfLayout(layout));
  ASSERT_NE(decoder.ParseHeader(unit, n), 0u);
  EXPECT_EQ(decoder.SliceCount(), height / 16);
  for (size_t k = 0; k < count; ++k)
    EXPECT_EQ(decoder.SliceOffset(static_cast<int>(k)), offsets[k]);
}

TEST(StartCodeEmulation, HardScenesNeverEmulate) {
  for (int layout = 1; layout <= 3; ++layout) {
    for (int height : {224, 272}) {
      PictureEncoder encoder;
      ASSERT_EQ(encoder.Configure(layout, 640, height), 1);
      encoder.SetUpdateThreshold(0);
      VideoDecoder decoder;
      decoder.Reset(VariantOfLayout(layout));
      std::vector<uint8_t> scene(static_cast<size_t>(640) * height * 3 / 2);
      std::vector<uint8_t> decoded(scene.size()), unit(kLargeUnit);
      for (int kind = 0; kind < 6; ++kind) {
        for (int q : {1, 2, 14}) {
          MakeHardScene(kind, static_cast<uint32_t>(kind * 31 + q), &scene, height);
          for (int pass = 0; pass < 2; ++pass) {
            const size_t n =
                pass == 0 ? encoder.EncodeFull(scene.data(), 0, q, 0, unit.data(), unit.size())
                          : encoder.EncodeUpdate(scene.data(), 0, q, 0, unit.data(), unit.size());
            ASSERT_GT(n, 0u) << "layout " << layout << " kind " << kind << " q " << q;
            ExpectOnlySliceStartCodes(unit.data(), n, layout, height);
            int w, h, ch;
            ASSERT_EQ(DecodeInto(decoder, unit.data(), n, decoded.data(), &w, &h, &ch), 1);
            ASSERT_EQ(0, std::memcmp(decoded.data(), encoder.Reference(0), decoded.size()))
                << "layout " << layout << " kind " << kind << " q " << q;
          }
        }
      }
    }
  }
}

// The longest zero run the syntax allows: an address increment of 32
// (100000), an empty luma pattern (0000) and a black chroma block, whose DC
// byte is kept at 1 (00000001): 16 zeros, well short of a start code.
TEST(StartCodeEmulation, ChromaOnlyUpdateAfterLongSkip) {
  PictureEncoder encoder;
  ASSERT_EQ(encoder.Configure(2, 640, 272), 1);
  std::vector<uint8_t> scene(640 * 272 * 3 / 2, 60), decoded(scene.size()), unit(kUnitCapacity);
  ASSERT_GT(encoder.EncodeFull(scene.data(), 0, 2, 0, unit.data(), unit.size()), 0u);
  uint8_t* cb = scene.data() + 640 * 272;
  uint8_t* cr = cb + 320 * 136;
  for (int row = 0; row < 17; ++row) {
    for (int y = row * 8; y < row * 8 + 8; ++y) {
      for (int x = 31 * 8; x < 32 * 8; ++x) cb[y * 320 + x] = cr[y * 320 + x] = 0;
    }
  }
  const size_t n = encoder.EncodeUpdate(scene.data(), 0, 2, 0, unit.data(), unit.size());
  ASSERT_GT(n, 0u);
  EXPECT_EQ(encoder.LastCodedMacroblocks(), 17);
  // Slice 0: 00 00 01, row 00000, increment 100000, pattern 0000, DC 00000001.
  EXPECT_EQ(unit[8], 0x04);
  EXPECT_EQ(unit[9], 0x00);
  EXPECT_EQ(unit[10] >> 6, 0x0);
  ExpectOnlySliceStartCodes(unit.data(), n, 2, 272);
  VideoDecoder decoder;
  decoder.Reset(4);
  std::memcpy(decoded.data(), encoder.Reference(0), decoded.size());
  int w, h, ch;
  ASSERT_EQ(DecodeInto(decoder, unit.data(), n, decoded.data(), &w, &h, &ch), 1);
  EXPECT_EQ(0, std::memcmp(decoded.data(), encoder.Reference(0), decoded.size()));
  EXPECT_EQ(decoded[640 * 272 + 31 * 8], 1);  // black comes out as 1
}

// Noise at q = 1 needs escapes of every form (levels above 127 and below
// -127); the decoder must rebuild exactly the encoder's reconstruction.
TEST(StartCodeEmulation, LargeEscapeLevelsRoundTrip) {
  PictureEncoder encoder;
  ASSERT_EQ(encoder.Configure(2, 640, 224), 1);
  std::vector<uint8_t> scene(640 * 224 * 3 / 2), decoded(scene.size()), unit(kLargeUnit);
  MakeHardScene(3, 1, &scene, 224);  // stripes: large AC levels of both signs
  // The scene really needs levels beyond +-127 (the two-byte escapes).
  int largestPositive = 0, largestNegative = 0;
  for (int by = 0; by < 224; by += 8) {
    for (int bx = 0; bx < 640; bx += 8) {
      uint8_t block[64];
      double f[64];
      for (int y = 0; y < 8; ++y) std::memcpy(block + y * 8, &scene[(by + y) * 640 + bx], 8);
      ForwardDct(block, f);
      for (int j = 1; j < 64; ++j) {
        const int level = static_cast<int>(4.0 * f[j] / kIntraQuantiserMatrix[j]);
        largestPositive = level > largestPositive ? level : largestPositive;
        largestNegative = level < largestNegative ? level : largestNegative;
      }
    }
  }
  EXPECT_GT(largestPositive, 128);
  EXPECT_LT(largestNegative, -128);
  const size_t n = encoder.EncodeFull(scene.data(), 0, 1, 0, unit.data(), unit.size());
  ASSERT_GT(n, 0u);
  VideoDecoder decoder;
  decoder.Reset(4);
  int w, h, ch;
  ASSERT_EQ(DecodeInto(decoder, unit.data(), n, decoded.data(), &w, &h, &ch), 1);
  EXPECT_EQ(0, std::memcmp(decoded.data(), encoder.Reference(0), decoded.size()));
  EXPECT_GT(LumaPsnr(scene.data(), decoded.data(), 640, 224), 30.0);
}

}  // namespace
}  // namespace marlow
