// Recordings made as a recorder makes them play as long as their block times
// say: 1, 4 and 16 cameras, with and without sound, at speeds 1 and 2, through
// the real engine, source and decoder in simulated time.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "engine/playback_engine.h"
#include "recording/recording_source.h"
#include "tests/engine/engine_fixtures.h"
#include "tests/engine/manual_clock.h"
#include "tools/makekvr/recording_maker.h"
#include "tools/playkvr/simulated_sound.h"

namespace marlow::testing {
namespace {

constexpr int kSeconds = 4;

// The seconds the block times span: from the first block's second to the
// end of the last block's.
uint32_t SecondsByBlockTimes(const std::vector<uint8_t>& bytes) {
  uint32_t first = 0, last = 0;
  for (size_t b = 0; b + kBlockSize <= bytes.size(); b += kBlockSize) {
    BlockHeader h;
    if (!ParseBlockHeader(&bytes[b], &h)) continue;
    if (b == 0) first = h.time;
    last = h.time;
  }
  return last - first + 1;
}

struct Case {
  int cameras;
  bool sound;
  double speed;
};

class MadeRecordingTiming : public ::testing::TestWithParam<Case> {};

TEST_P(MadeRecordingTiming, PlaysAsLongAsTheBlockTimesSay) {
  const Case c = GetParam();
  RecordingPlan plan;
  plan.channels = c.cameras;
  plan.seconds = kSeconds;
  plan.picturesPerSecond = 5;
  plan.sound = c.sound ? TestSound::kTone : TestSound::kSilence;
  streamkit::StreamBuilder builder;
  RecordingStats stats;
  const char* error = nullptr;
  ASSERT_EQ(MakeRecording(plan, &builder, &stats, &error), 1) << error;
  EXPECT_DOUBLE_EQ(stats.channelRate, 5.0);
  const uint32_t blockSeconds = SecondsByBlockTimes(builder.Bytes());
  ASSERT_EQ(blockSeconds, static_cast<uint32_t>(kSeconds));
  const std::string path = std::string(::testing::TempDir()) + "marlow_made_timing_" +
                           std::to_string(c.cameras) + (c.sound ? "s" : "q") + ".kvr";
  ASSERT_TRUE(builder.WriteFile(path.c_str()));

  ManualClock clock;
  RecordingDisplay display{clock};
  SimulatedSound sound(clock);  // 8 bytes a millisecond, as the recording's sound
  {
    PlaybackEngine engine(display, sound, clock);
    engine.Initialize(4, c.cameras);
    engine.SwitchMode(kModePlayer, 4, c.cameras);
    engine.SetSpeed(c.speed);
    const uint32_t start = clock.NowMs();
    ASSERT_EQ(engine.OpenAndPlay(path.c_str(), 0), 1);
    for (int ms = 0; ms < 3 * kSeconds * 1000 && engine.State() != PlayState::Pause; ms += 10)
      clock.Advance(10);
    ASSERT_EQ(engine.State(), PlayState::Pause);
    const auto shown = display.Pictures();
    ASSERT_EQ(shown.size(), static_cast<size_t>(stats.pictures));
    const double spacing = stats.pictureSpacingUs / 1000.0 / c.speed;
    // The last picture stands for one interval; sound played at speed 1
    // lasts as long as it was written.
    double lasted = shown.back().tick - start + spacing;
    if (c.sound && c.speed == 1.0) {
      // All of it, with at most a millisecond or two of waiting between.
      EXPECT_NEAR(static_cast<double>(sound.Written()), kSeconds * 8000.0, 16.0);
      const double soundEnds = static_cast<double>(sound.Written()) / 8;
      EXPECT_LE(shown.back().tick - start, soundEnds);
      lasted = soundEnds;
    }
    EXPECT_NEAR(lasted, blockSeconds * 1000.0 / c.speed, spacing)
        << stats.pictures << " pictures " << stats.pictureSpacingUs << " us apart";
    // Every camera had its turn, equally.
    std::vector<int> perCamera(static_cast<size_t>(c.cameras));
    for (const Shown& s : shown) ++perCamera[static_cast<size_t>(s.channel)];
    for (int n : perCamera) EXPECT_EQ(n, 5 * kSeconds);
    clock.Release();
  }
  std::remove(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(CamerasSoundSpeeds, MadeRecordingTiming,
                         ::testing::Values(Case{1, false, 1}, Case{1, false, 2}, Case{1, true, 1},
                                           Case{1, true, 2}, Case{4, false, 1}, Case{4, false, 2},
                                           Case{4, true, 1}, Case{4, true, 2}, Case{16, false, 1},
                                           Case{16, false, 2}, Case{16, true, 1},
                                           Case{16, true, 2}),
                         [](const ::testing::TestParamInfo<Case>& i) {
                           return std::to_string(i.param.cameras) + "Cameras" +
                                  (i.param.sound ? "Sound" : "Silent") + "Speed" +
                                  std::to_string(static_cast<int>(i.param.speed));
                         });

// Asking for more than the recorder sends is refused with what is possible.
TEST(MadeRecording, RefusesMoreThanTheRecorderSends) {
  RecordingPlan plan;
  plan.channels = 16;
  plan.picturesPerSecond = 25;
  streamkit::StreamBuilder builder;
  RecordingStats stats;
  const char* error = nullptr;
  EXPECT_EQ(MakeRecording(plan, &builder, &stats, &error), 0);
  EXPECT_STREQ(error, "16 cameras of 272 lines share 80 pictures a second: at most 5 each");
  plan.height = 224;
  plan.picturesPerSecond = 3;
  ASSERT_EQ(MakeRecording(plan, &builder, &stats, &error), 1);
  // 60 pictures a second at 224 lines, 48 asked: the nearest is none left out.
  EXPECT_EQ(stats.frameSkip, 0);
  EXPECT_NEAR(stats.channelRate, 3.75, 0.001);
}

}  // namespace
}  // namespace marlow::testing
