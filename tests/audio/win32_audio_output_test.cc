// The sound output on the system's wave output device (under Wine, the
// sound server of scripts/services.sh). What it plays is checked by the
// recording test; these cases look at the device's life cycle.
#include "display/audio_output.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/sync.h"
#include "tests/audio/fake_wave_device.h"

namespace marlow {
namespace {

using testing::NoticeLog;

// Every start of playback opens the device again. Each open closes the one
// before, so a long session never runs out of devices: the wave mapper hands
// out a few hundred at most, and a leaked one stays taken.
TEST(AudioOutputTest, ReopeningManyTimesNeverRunsOutOfDevices) {
  NoticeLog notices;
  AudioOutput out;
  for (int k = 0; k < 300; ++k) {
    const int bits = k % 2 ? 8 : 16;
    ASSERT_EQ(1, out.Open(8000, bits)) << "open " << k;
    ASSERT_EQ(1, out.StartLoop()) << "open " << k;
    out.Pace();
  }
  EXPECT_TRUE(notices.texts.empty());
}

TEST(AudioOutputTest, LoopStartsOnceAndTheDevicePausesAndRestartsOnTheRing) {
  NoticeLog notices;
  AudioOutput out;
  ASSERT_EQ(1, out.Open(8000, 16));
  ASSERT_EQ(1, out.StartLoop());
  ASSERT_EQ(1, out.StartLoop());  // already looping: kept
  EXPECT_EQ(kWaveOk, out.Pace());
  EXPECT_EQ(1, out.Paused());
  EXPECT_EQ(0, out.First());
  // Silence, enough to restart the device; it plays on from where it paused.
  const std::vector<uint8_t> codes(4000, 0xD5);
  const uint64_t start = out.Written();
  ASSERT_EQ(1, out.WriteALaw(codes.data(), codes.size()));
  EXPECT_EQ(kWaveOk, out.Pace());
  EXPECT_EQ(0, out.Paused());
  // The written 0.5 s runs out and the device pauses again.
  const uint32_t begin = platform::TickMs();
  while (!out.Paused() && platform::TickMs() - begin < 5000) {
    EXPECT_EQ(kWaveOk, out.Pace());
    platform::SleepMs(2);
  }
  EXPECT_EQ(1, out.Paused());
  EXPECT_GE(out.Written() - out.Buffered(), start + 8000 - AudioRing::kLowWater);
  // Volume and mute reach the open device without complaint.
  out.SetVolume(0x8000);
  out.SetMute(1);
  out.SetMute(0);
  EXPECT_EQ(0x8000, out.Volume());
  EXPECT_TRUE(notices.texts.empty());
}

}  // namespace
}  // namespace marlow
