// The decoder's fast coefficient lookup against its reference path: the same
// parse and decode results and the same planes, bit for bit, on encoded
// streams, on streams that use every code of the table and the escape, and on
// damaged or random bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "codec/coefficient_codes.h"
#include "codec/decoded_picture.h"
#include "codec/video_decoder.h"
#include "tests/codec_roundtrip/roundtrip_util.h"
#include "tools/encoder/bit_writer.h"
#include "tools/encoder/picture_encoder.h"
#include "tools/encoder/synthetic_camera.h"

namespace marlow {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 272;
constexpr size_t kPlaneBytes = kWidth * kHeight * 3 / 2;

uint32_t NextRandom(uint32_t* state) {
  *state = *state * 1664525u + 1013904223u;
  return *state >> 8;
}

// Two decoders, one per path, each with its own planes that start out alike.
struct PathPair {
  PathPair() : planes_fast(kMaxPictureBytes, 0x5A), planes_reference(kMaxPictureBytes, 0x5A) {
    fast.Reset(4);
    reference.Reset(4);
    fast.UseReferencePath(false);
    reference.UseReferencePath(true);
  }

  // Runs ParseHeader and Decode on both; fails the test on any difference.
  // Returns the decode result (0 when the parse failed).
  int Compare(const uint8_t* data, size_t length, const char* what, int index) {
    const size_t parsed_fast = fast.ParseHeader(data, length);
    const size_t parsed_reference = reference.ParseHeader(data, length);
    EXPECT_EQ(parsed_fast, parsed_reference) << what << " " << index;
    if (!parsed_fast || !parsed_reference) return 0;
    DecodedPicture a, b;
    a.planes = planes_fast.data();
    b.planes = planes_reference.data();
    const int ok_fast = fast.Decode(data, length, &a);
    const int ok_reference = reference.Decode(data, length, &b);
    EXPECT_EQ(ok_fast, ok_reference) << what << " " << index;
    EXPECT_EQ(0, std::memcmp(planes_fast.data(), planes_reference.data(), kMaxPictureBytes))
        << what << " " << index;
    return ok_fast;
  }

  VideoDecoder fast, reference;
  std::vector<uint8_t> planes_fast, planes_reference;
};

TEST(DecoderPathsTest, SwitchSelectsThePath) {
  VideoDecoder decoder;
  decoder.UseReferencePath(true);
  EXPECT_TRUE(decoder.UsesReferencePath());
  decoder.UseReferencePath(false);
  EXPECT_FALSE(decoder.UsesReferencePath());
}

// Full and update pictures of the synthetic scene at several quantisers,
// then the same pictures damaged: bits flipped and lengths cut short.
TEST(DecoderPathsTest, EncodedAndDamagedPicturesMatch) {
  PictureEncoder encoder;
  ASSERT_EQ(encoder.Configure(2, kWidth, kHeight), 1);
  SyntheticCamera camera(3, kWidth, kHeight);
  std::vector<uint8_t> scene(kPlaneBytes), unit(4 * kUnitCapacity), damaged;
  PathPair pair;
  uint32_t random = 99;
  int decoded = 0, failed = 0;
  for (int i = 0; i < 24; ++i) {
    camera.Render(static_cast<uint32_t>(100 + i), scene.data());
    // Noise for large levels and escapes at the small quantisers.
    if (i % 3 == 0) {
      for (size_t k = 0; k < kWidth * kHeight; k += 1 + NextRandom(&random) % 7) {
        scene[k] = static_cast<uint8_t>(NextRandom(&random));
      }
    }
    const int q = 1 + i % 14;
    const size_t n = i % 4 == 0
                         ? encoder.EncodeFull(scene.data(), 2, q, 0, unit.data(), unit.size())
                         : encoder.EncodeUpdate(scene.data(), 2, q, 0, unit.data(), unit.size());
    ASSERT_GT(n, 0u);
    ASSERT_EQ(pair.Compare(unit.data(), n, "encoded", i), 1);

    for (int d = 0; d < 8; ++d) {
      damaged.assign(unit.begin(), unit.begin() + static_cast<long>(n));
      for (int flips = 1 + d % 3; flips > 0; --flips) {
        damaged[8 + NextRandom(&random) % (n - 8)] ^= static_cast<uint8_t>(1u << (random % 8));
      }
      // Every other copy is cut short: its last codes read zero bytes.
      const size_t length = d % 2 ? 8 + NextRandom(&random) % (n - 8) : n;
      std::vector<uint8_t> exact(damaged.begin(), damaged.begin() + static_cast<long>(length));
      (pair.Compare(exact.data(), exact.size(), "damaged", i * 8 + d) ? decoded : failed)++;
    }
  }
  // Both outcomes were compared.
  EXPECT_GT(decoded, 0);
  EXPECT_GT(failed, 0);
}

// Appends one coefficient code, an escape, or (with `allow_errors`) an
// invalid look-ahead, and advances the scan index. Without `allow_errors` a
// code that would run past the block is not written; returns 0 then.
int PutCoefficient(BitWriter& w, uint32_t* random, int* index, bool allow_errors) {
  const uint32_t pick = NextRandom(random) % 128;
  if (allow_errors && pick == 127) {
    w.Put(0, 16);  // twelve or more leading zeros: no code
    return 1;
  }
  if (pick >= kCoefficientCodeCount) {
    const int run = static_cast<int>(NextRandom(random) % (allow_errors ? 64 : 4));
    if (!allow_errors && *index + run >= 64) return 0;
    w.Put(kEscapeCode, kEscapeLength);
    w.Put(static_cast<uint32_t>(run), 6);
    const int form = static_cast<int>(NextRandom(random) % 4);
    const uint32_t level = 1 + NextRandom(random) % 127;
    if (form == 0) {
      w.Put(0, 8), w.Put(level + 128, 8);  // +129..+255
    } else if (form == 1) {
      w.Put(128, 8), w.Put(level, 8);  // -255..-129
    } else {
      w.Put(form == 2 ? level : 256 - level, 8);  // +1..+127 or -127..-1
    }
    *index += run + 1;
    return 1;
  }
  const CoefficientCode& c = kCoefficientCodes[pick];
  if (!allow_errors && *index + c.run >= 64) return 0;
  w.Put(c.code, c.length);
  w.Put(NextRandom(random) & 1, 1);
  *index += c.run + 1;
  return 1;
}

// A full picture (layout 2) whose blocks draw codes at random from the whole
// table, escapes included; with `allow_errors` some blocks carry invalid
// codes or runs past the end of the block.
std::vector<uint8_t> RandomCodePicture(uint32_t seed, int q, bool allow_errors) {
  std::vector<uint8_t> out(1 << 20);
  BitWriter w(out.data(), out.size());
  uint32_t random = seed;
  const uint8_t header[5] = {0, 0, 1, 0xF9, static_cast<uint8_t>(q << 4)};
  w.PutBytes(header, sizeof header);
  for (int row = 0; row < kHeight / 16; ++row) {
    const uint8_t start[3] = {0, 0, 1};
    w.PutBytes(start, 3);
    w.Put(static_cast<uint32_t>(row), 5);
    for (int block = 0; block < kWidth / 16 * 6; ++block) {
      // DC of 16..255 and a stop before 64: few long zero runs that would
      // look like a start code.
      w.Put(16 + NextRandom(&random) % 240, 8);
      int index = 1;
      const int codes = static_cast<int>(NextRandom(&random) % 12);
      for (int k = 0; k < codes && index < 64; ++k) {
        if (!PutCoefficient(w, &random, &index, allow_errors)) break;
      }
      w.Put(kEndOfBlockCode, kEndOfBlockLength);
    }
    w.AlignZero();
  }
  EXPECT_FALSE(w.Overflowed());
  out.resize(w.ByteLength());
  return out;
}

TEST(DecoderPathsTest, EveryCodeAndEscapeMatch) {
  PathPair pair;
  int decoded = 0;
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    const std::vector<uint8_t> picture = RandomCodePicture(seed, 1 + seed % 14, false);
    decoded += pair.Compare(picture.data(), picture.size(), "codes", static_cast<int>(seed));
  }
  // Most of them are valid pictures; a rare run of zero bits may still
  // read as a start code and change the slices.
  EXPECT_GE(decoded, 6);
}

TEST(DecoderPathsTest, InvalidCodesAndOverrunsMatch) {
  PathPair pair;
  for (uint32_t seed = 1; seed <= 24; ++seed) {
    std::vector<uint8_t> picture = RandomCodePicture(seed * 7919, 14, true);
    pair.Compare(picture.data(), picture.size(), "errors", static_cast<int>(seed));
    // The same, cut to random lengths inside the slices.
    uint32_t random = seed;
    picture.resize(8 + NextRandom(&random) % (picture.size() - 8));
    pair.Compare(picture.data(), picture.size(), "errors cut", static_cast<int>(seed));
  }
}

TEST(DecoderPathsTest, RandomSliceBytesMatch) {
  PathPair pair;
  uint32_t random = 4242;
  for (int i = 0; i < 40; ++i) {
    std::vector<uint8_t> picture = {0, 0, 1, static_cast<uint8_t>(i % 2 ? 0xF9 : 0xF8),
                                    static_cast<uint8_t>((1 + i % 14) << 4)};
    for (int row = 0; row < 17; ++row) {
      picture.insert(picture.end(), {0, 0, 1});
      picture.push_back(static_cast<uint8_t>(row << 3 | (NextRandom(&random) & 7)));
      const int bytes = static_cast<int>(NextRandom(&random) % 600);
      for (int k = 0; k < bytes; ++k) {
        uint8_t b = static_cast<uint8_t>(NextRandom(&random));
        picture.push_back(b == 0 ? 0x80 : b);  // no start codes inside
      }
    }
    pair.Compare(picture.data(), picture.size(), "random", i);
  }
}

}  // namespace
}  // namespace marlow
