// The recordings makekvr writes: valid blocks with advancing times, the
// units the plan asks for, sound that never forms a start code.
#include "tools/makekvr/recording_maker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "recording/block_format.h"
#include "tools/makekvr/test_audio.h"
#include "tools/streamkit/stream_builder.h"

namespace marlow {
namespace {

struct UnitCounts {
  int full = 0;
  int update = 0;
  int audio = 0;
  int otherCodes = 0;  // 00 00 01 FC..FD or audio channels not planned
  std::vector<int> channelsOfFull;
};

// Cuts the stream data (headers left out) at the unit start codes, the way
// every reader does.
UnitCounts CountUnits(const std::vector<uint8_t>& file, int audioChannel) {
  std::vector<uint8_t> stream;
  for (size_t b = 0; b + kBlockSize <= file.size(); b += kBlockSize) {
    stream.insert(stream.end(), file.begin() + b + 8, file.begin() + b + kBlockSize);
  }
  UnitCounts c;
  for (size_t i = 0; i + 4 < stream.size(); ++i) {
    if (stream[i] != 0 || stream[i + 1] != 0 || stream[i + 2] != 1) continue;
    const uint8_t xx = stream[i + 3];
    if (xx == 0xF9) {
      ++c.full;
      c.channelsOfFull.push_back(stream[i + 4] & 15);
    } else if (xx == 0xF8) {
      ++c.update;
    } else if (xx == 0xFA + audioChannel) {
      ++c.audio;
    } else if (IsUnitCode(xx)) {
      ++c.otherCodes;
    }
  }
  return c;
}

TEST(RecordingMaker, LaysPicturesAndSoundIntoValidBlocks) {
  RecordingPlan plan;
  plan.channels = 4;
  plan.seconds = 4;
  plan.picturesPerSecond = 5;
  plan.fullEvery = 5;
  plan.sound = TestSound::kSpeech;
  plan.audioChannel = 1;
  plan.frameSkip = 2;  // deliberately not the 3 that 4 x 5 pictures a second need
  streamkit::StreamBuilder builder;
  RecordingStats stats;
  const char* error = nullptr;
  ASSERT_EQ(MakeRecording(plan, &builder, &stats, &error), 1);
  EXPECT_EQ(stats.pictures, 4 * 20);
  EXPECT_EQ(stats.fullPictures, 4 * 4);
  EXPECT_EQ(stats.pictureSpacingUs, 50000u);  // laid as frame skip 3 would
  EXPECT_EQ(stats.audioUnits, 4 * 16);        // 500 samples = 62.5 ms each

  const std::vector<uint8_t>& bytes = builder.Bytes();
  ASSERT_EQ(bytes.size() % kBlockSize, 0u);
  uint32_t lastTime = 0;
  for (size_t b = 0; b < bytes.size(); b += kBlockSize) {
    BlockHeader h;
    ASSERT_TRUE(ParseBlockHeader(&bytes[b], &h)) << "block " << b / kBlockSize;
    EXPECT_EQ(h.channelMask, 0xF);
    EXPECT_EQ(h.frameSkip, 2);
    EXPECT_GE(h.time, lastTime);
    EXPECT_GE(h.time, plan.startTime);
    EXPECT_LT(h.time, plan.startTime + 4);
    lastTime = h.time;
  }
  EXPECT_GT(lastTime, plan.startTime + 2);  // time really advances

  const UnitCounts c = CountUnits(bytes, 1);
  EXPECT_EQ(c.full, 16);
  EXPECT_EQ(c.update, 64 + 1);  // and the start code that ends the last picture
  EXPECT_EQ(c.audio, 64);
  EXPECT_EQ(c.otherCodes, 0);
  ASSERT_EQ(c.channelsOfFull.size(), 16u);
  for (size_t i = 0; i < c.channelsOfFull.size(); ++i) {
    EXPECT_EQ(c.channelsOfFull[i], static_cast<int>(i % 4));
  }
}

TEST(RecordingMaker, DamageAndChannelChanges) {
  RecordingPlan plan;
  plan.channels = 2;
  plan.seconds = 6;
  plan.dropLastChannelAt = 3;
  plan.brokenBlocks = {1, 3};
  streamkit::StreamBuilder builder;
  RecordingStats stats;
  const char* error = nullptr;
  ASSERT_EQ(MakeRecording(plan, &builder, &stats, &error), 1);
  const std::vector<uint8_t>& bytes = builder.Bytes();
  ASSERT_GT(bytes.size(), 5 * kBlockSize);
  BlockHeader h;
  EXPECT_TRUE(ParseBlockHeader(&bytes[0], &h));
  EXPECT_FALSE(ParseBlockHeader(&bytes[1 * kBlockSize], &h));
  EXPECT_TRUE(ParseBlockHeader(&bytes[2 * kBlockSize], &h));
  EXPECT_FALSE(ParseBlockHeader(&bytes[3 * kBlockSize], &h));
  ASSERT_TRUE(ParseBlockHeader(&bytes[bytes.size() - kBlockSize], &h));
  EXPECT_EQ(h.channelMask, 0x1);  // the second camera has stopped
  // The stream keeps its rate (frame skip 7: 10 pictures a second); the
  // camera left takes every slot.
  EXPECT_EQ(stats.frameSkip, 7);
  EXPECT_EQ(stats.pictures, 2 * 15 + 30);
}

TEST(RecordingMaker, RefusesPlansOutOfRange) {
  streamkit::StreamBuilder builder;
  RecordingStats stats;
  const char* error = nullptr;
  RecordingPlan plan;
  plan.channels = 17;
  EXPECT_EQ(MakeRecording(plan, &builder, &stats, &error), 0);
  EXPECT_NE(error, nullptr);
  plan = RecordingPlan();
  plan.height = 240;
  EXPECT_EQ(MakeRecording(plan, &builder, &stats, &error), 0);
  plan = RecordingPlan();
  plan.qscale = 15;
  EXPECT_EQ(MakeRecording(plan, &builder, &stats, &error), 0);
}

TEST(TestSound, StaysClearOfStartCodeBytes) {
  for (TestSound kind : {TestSound::kSilence, TestSound::kTone, TestSound::kSpeech}) {
    std::vector<uint8_t> s(16000);
    RenderTestSound(kind, 0, s.data(), s.size());
    int lo = 255, hi = 0;
    for (uint8_t v : s) {
      lo = v < lo ? v : lo;
      hi = v > hi ? v : hi;
    }
    EXPECT_GE(lo, 2);
    EXPECT_LE(hi, 253);
    if (kind != TestSound::kSilence) {
      EXPECT_GT(hi - lo, 100);  // audible, not a trickle
    }
  }
  // Units may be made in any order: the signal depends on the sample index only.
  std::vector<uint8_t> whole(1000), part(500);
  RenderTestSound(TestSound::kSpeech, 0, whole.data(), whole.size());
  RenderTestSound(TestSound::kSpeech, 500, part.data(), part.size());
  EXPECT_TRUE(std::equal(part.begin(), part.end(), whole.begin() + 500));
}

}  // namespace
}  // namespace marlow
