// G.711 A-law expansion against published values, and the audio format of
// each stream variant.
#include <cstdint>
#include <cstring>
#include <vector>

#include "codec/audio_coding.h"
#include "gtest/gtest.h"

namespace marlow {
namespace {

TEST(AudioCodingTest, ALawMatchesPublishedValues) {
  struct Known {
    uint8_t code;
    int16_t sample;
  };
  const Known known[] = {
      {0x00, -5504},  {0x55, -8},   {0x80, 5504}, {0xD5, 8},    {0x2A, -32256},
      {0xAA, 32256},  {0xD4, 24},   {0x54, -24},  {0xFF, 848},  {0x7F, -848},
      {0xC5, 264},    {0xE5, 1056}, {0xDA, 248},  {0x5A, -248}, {0xA5, 16896},
      {0x25, -16896}, {0x95, 2112}, {0xF5, 528},  {0xD6, 56},   {0x56, -56},
  };
  for (const Known& k : known) EXPECT_EQ(ExpandALaw(k.code), k.sample) << int(k.code);
}

TEST(AudioCodingTest, ALawIsSymmetricAndMonotonic) {
  // Bit 7 is the sign; within one sign the magnitude grows with the code
  // after the even bits are inverted.
  for (int c = 0; c < 128; ++c) {
    EXPECT_EQ(ExpandALaw(static_cast<uint8_t>(c)), -ExpandALaw(static_cast<uint8_t>(c | 0x80)));
  }
  for (int v = 1; v < 128; ++v) {
    const uint8_t lower = static_cast<uint8_t>((v - 1) ^ 0x55 ^ 0x80);
    const uint8_t upper = static_cast<uint8_t>(v ^ 0x55 ^ 0x80);
    EXPECT_LT(ExpandALaw(lower), ExpandALaw(upper)) << v;
  }
}

TEST(AudioCodingTest, PayloadOfNBytesGivesNSamples) {
  const uint8_t payload[] = {0xD5, 0x55, 0x80, 0x00, 0xAA};
  std::vector<int16_t> samples(5, 0x7777);
  samples.push_back(0x1234);  // guard
  ExpandALaw(payload, 5, samples.data());
  EXPECT_EQ(samples[0], 8);
  EXPECT_EQ(samples[1], -8);
  EXPECT_EQ(samples[2], 5504);
  EXPECT_EQ(samples[3], -5504);
  EXPECT_EQ(samples[4], 32256);
  EXPECT_EQ(samples[5], 0x1234);
  EXPECT_EQ(sizeof(int16_t) * 5, 2 * sizeof payload);
}

TEST(AudioCodingTest, VariantSelectsCodingAndRate) {
  for (int v : {0, 1, 2, 6, 7, 8, 9}) {
    const AudioFormat f = AudioFormatOf(v);
    EXPECT_EQ(f.coding, AudioCoding::kALaw) << v;
    EXPECT_EQ(f.sample_rate, 8000) << v;
    EXPECT_EQ(f.bits_per_sample, 16) << v;
  }
  AudioFormat f = AudioFormatOf(3);
  EXPECT_EQ(f.coding, AudioCoding::kALaw);
  EXPECT_EQ(f.sample_rate, 13183);
  EXPECT_EQ(f.bits_per_sample, 16);
  f = AudioFormatOf(4);
  EXPECT_EQ(f.coding, AudioCoding::kPcm8);
  EXPECT_EQ(f.sample_rate, 8000);
  EXPECT_EQ(f.bits_per_sample, 8);
  f = AudioFormatOf(5);
  EXPECT_EQ(f.coding, AudioCoding::kPcm8);
  EXPECT_EQ(f.sample_rate, 16000);
  EXPECT_EQ(f.bits_per_sample, 8);
}

}  // namespace
}  // namespace marlow
