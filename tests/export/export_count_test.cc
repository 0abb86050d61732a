// The counting pass over made recordings: pictures per channel, sound per
// audio channel, the format and rate of the first pictures, and reading on
// past a long damaged stretch.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "export/export_count.h"
#include "recording/block_format.h"
#include "tests/export/export_recordings.h"

namespace marlow {
namespace {

struct Counted {
  ExportCount count;
  RecordingStats stats;
};

Counted CountOf(const RecordingPlan& plan, uint16_t mask) {
  Counted out;
  // A file of each test's own: a shorter recording never lands over the
  // tail of a longer one.
  const std::string path = testing::TempDir() + "count_" +
                           testing::UnitTest::GetInstance()->current_test_info()->name() +
                           std::to_string(plan.audioChannel) + ".kvr";
  std::remove(path.c_str());
  EXPECT_TRUE(test::WriteRecording(plan, path, &out.stats));
  RecordingSource source;
  EXPECT_EQ(source.OpenSource(path.c_str(), false), 1);
  VideoDecoder decoder;
  std::vector<uint8_t> unit(kMaxUnitBytes);
  CountRecording(source, decoder, unit.data(), mask, 4, &out.count);
  EXPECT_EQ(source.Position(), 0u);
  return out;
}

TEST(ExportCount, PicturesFormatAndRateWithoutSound) {
  RecordingPlan plan;
  plan.channels = 4;
  plan.height = 224;
  plan.seconds = 2;
  plan.frameSkip = 1;
  plan.sound = TestSound::kSilence;
  const Counted c = CountOf(plan, 0xFFFF);
  uint32_t total = 0;
  for (int ch = 0; ch < 4; ++ch) total += c.count.pictures[ch];
  // The cameras take the stream's pictures in turn.
  EXPECT_NEAR(c.count.pictures[0], c.stats.pictures / 4.0, 1.0);
  EXPECT_EQ(c.count.pictures[4], 0u);
  // The recording's last units are never ended by a start code.
  EXPECT_LE(total, static_cast<uint32_t>(c.stats.pictures));
  EXPECT_GE(total + 4, static_cast<uint32_t>(c.stats.pictures));
  EXPECT_TRUE(c.count.formatKnown);
  EXPECT_EQ(c.count.width, 640u);
  EXPECT_EQ(c.count.height, 448u);
  EXPECT_EQ(c.count.imageSize, 640u * 448 * 3);
  // 1e6 / (16666 us x (frame skip 1 + 1) x 4 channels), reduced.
  EXPECT_EQ(c.count.pictureRate.rate, 62500u);
  EXPECT_EQ(c.count.pictureRate.scale, 8333u);
}

// Whatever the cameras and the picture height, the rate of each channel's
// file is the rate at which the recording holds that channel's pictures.
TEST(ExportCount, RateIsEachChannelsRealPictureRate) {
  struct Case {
    int channels, height, perCamera;
  };
  for (const Case k : {Case{1, 272, 25}, Case{4, 272, 5}, Case{16, 272, 5}, Case{1, 224, 30},
                       Case{4, 224, 15}, Case{16, 224, 3}}) {
    RecordingPlan plan;
    plan.channels = k.channels;
    plan.height = k.height;
    plan.picturesPerSecond = k.perCamera;
    plan.seconds = 1.5;
    plan.sound = TestSound::kSilence;
    const Counted c = CountOf(plan, 0xFFFF);
    const double rate = static_cast<double>(c.count.pictureRate.rate) / c.count.pictureRate.scale;
    EXPECT_NEAR(rate, c.stats.channelRate, 1e-9 * rate) << k.channels << " x " << k.height;
    // And the pictures really lie that far apart: a camera's pictures over
    // the recording's length.
    EXPECT_NEAR(c.count.pictures[0], rate * plan.seconds, 1.0) << k.channels << " x " << k.height;
  }
}

TEST(ExportCount, SoundDecidesTheRateOnlyOnAudioChannelZero) {
  RecordingPlan plan;
  plan.channels = 2;
  plan.height = 272;
  plan.seconds = 3;
  plan.sound = TestSound::kTone;
  Counted c = CountOf(plan, 0xFFFF);
  ASSERT_TRUE(c.count.hasAudio);
  EXPECT_GT(c.count.audioBytes[0], 20000u);
  const StreamRate r = ChannelFileRate(c.count, 1, AudioFormatForVariant(4));
  EXPECT_EQ(r.rate, c.count.pictures[1] * 1000);
  EXPECT_EQ(r.scale, AudioMilliseconds(c.count.audioBytes[0], 8000));

  plan.audioChannel = 2;
  c = CountOf(plan, 0xFFFF);
  ASSERT_TRUE(c.count.hasAudio);
  EXPECT_EQ(c.count.audioBytes[0], 0u);
  EXPECT_GT(c.count.audioBytes[2], 20000u);
  const StreamRate kept = ChannelFileRate(c.count, 1, AudioFormatForVariant(4));
  const StreamRate own = PictureRate(272, 4, c.stats.frameSkip, 0x0003);
  EXPECT_EQ(kept.rate, own.rate);
  EXPECT_EQ(kept.scale, own.scale);
}

TEST(ExportCount, OnlySelectedChannelsGiveTheFormat) {
  RecordingPlan plan;
  plan.channels = 3;
  plan.height = 224;
  plan.seconds = 1;
  Counted c = CountOf(plan, 0);
  EXPECT_FALSE(c.count.formatKnown);
  EXPECT_GT(c.count.pictures[2], 0u);  // counted all the same
  c = CountOf(plan, 1u << 2);
  EXPECT_TRUE(c.count.formatKnown);
}

TEST(ExportCount, ReadsOnPastALongDamagedStretch) {
  RecordingPlan plan;
  plan.channels = 1;
  plan.height = 224;
  plan.seconds = 40;
  plan.picturesPerSecond = 10;
  plan.sound = TestSound::kSilence;
  for (size_t b = 20; b < 60; ++b) plan.brokenBlocks.push_back(b);
  const Counted c = CountOf(plan, 0xFFFF);
  // Forty invalid blocks in a row are damage, not the end: the pictures
  // after them are counted too.
  EXPECT_GT(c.count.pictures[0], static_cast<uint32_t>(c.stats.pictures) / 2);
  EXPECT_LT(c.count.pictures[0], static_cast<uint32_t>(c.stats.pictures));
}

}  // namespace
}  // namespace marlow
