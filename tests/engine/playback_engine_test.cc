// The Player body in simulated time: real recordings (laid by the stream
// builder), the real source and decoder, a recording display and a metered
// sound output; the clock moves only when a test advances it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "engine/playback_engine.h"
#include "tests/engine/engine_fixtures.h"
#include "tests/engine/manual_clock.h"
#include "tools/playkvr/simulated_sound.h"
#include "tools/streamkit/stream_builder.h"

namespace marlow::testing {
namespace {

constexpr uint32_t kStartTime = 1700000000;  // 2023-11-14 22:13:20

struct RecordingPlan {
  int channels = 1;
  int pictures = 20;
  int audioEvery = 0;  // an audio unit of audioBytes after every n-th picture
  size_t audioBytes = 500;
  uint8_t frameSkip = 0;
  bool updates = false;  // full pictures first, then update pictures
};

// Picture i of channel c has luma 40 + 10 * c + i % 8 (full) so that tests
// can tell channel and order from the samples.
std::string MakeRecording(const char* name, const RecordingPlan& plan) {
  streamkit::StreamBuilder b;
  b.SetTime(kStartTime);
  b.SetChannelMask(static_cast<uint16_t>((1u << plan.channels) - 1));
  b.SetFrameSkip(plan.frameSkip);
  std::vector<uint8_t> samples(plan.audioBytes, 0x80);
  for (int i = 0; i < plan.pictures; ++i) {
    const int c = i % plan.channels;
    const bool full = !plan.updates || i < plan.channels;
    const uint8_t y = static_cast<uint8_t>(full ? 40 + 10 * c + i % 8 : 200 + c);
    b.SetTime(kStartTime + static_cast<uint32_t>(i));
    b.AddUnit(FlatPicture(c, full, y, static_cast<uint8_t>(100 + c), 120));
    if (plan.audioEvery && i % plan.audioEvery == 0) b.AddAudio(0, samples.data(), samples.size());
  }
  // A last unit start so that the last picture is complete.
  const uint8_t end[] = {0, 0, 1, 0xF9};
  b.AddRaw(end, sizeof end);
  b.Finish();
  const std::string path = std::string(::testing::TempDir()) + "marlow_engine_" + name + ".kvr";
  EXPECT_TRUE(b.WriteFile(path.c_str()));
  return path;
}

// One engine with its simulated clock, display and sound output.
struct Rig {
  explicit Rig(uint32_t soundBytesPerMs = 8) : sound(clock, soundBytesPerMs) {
    engine = std::make_unique<PlaybackEngine>(display, sound, clock);
    engine->Initialize(4, 4);
    engine->SwitchMode(kModePlayer, 4, 4);
  }
  ~Rig() {
    clock.Release();
    engine.reset();
  }

  // Opens and starts playing; the start command is taken at once.
  void Start(const std::string& path) {
    ASSERT_EQ(engine->OpenAndPlay(path.c_str(), 0), 1);
    clock.Advance(0);
  }

  // Ticks between successive pictures.
  std::vector<uint32_t> Spacing() {
    std::vector<uint32_t> d;
    auto shown = display.Pictures();
    for (size_t i = 1; i < shown.size(); ++i) d.push_back(shown[i].tick - shown[i - 1].tick);
    return d;
  }

  ManualClock clock;
  RecordingDisplay display{clock};
  SimulatedSound sound;
  std::unique_ptr<PlaybackEngine> engine;
};

TEST(PlaybackEngine, SpeedRules) {
  Rig rig;
  PlaybackEngine& e = *rig.engine;
  e.Play(0);
  EXPECT_EQ(e.Speed(), 1.0);
  e.Play(-3);
  EXPECT_EQ(e.Speed(), 3.0);
  e.Play(40);
  EXPECT_EQ(e.Speed(), 16.0);
  e.SetSpeed(0.05);
  EXPECT_EQ(e.Speed(), 0.1);
  e.SetSpeed(20);
  EXPECT_EQ(e.Speed(), 16.0);
  // Not a number is no speed: normal; infinities are cut like any value.
  const double inf = std::numeric_limits<double>::infinity();
  e.SetSpeed(std::nan(""));
  EXPECT_EQ(e.Speed(), 1.0);
  e.SetSpeed(inf);
  EXPECT_EQ(e.Speed(), 16.0);
  e.SetSpeed(-inf);
  EXPECT_EQ(e.Speed(), 0.1);
  e.Play(std::nan(""));
  EXPECT_EQ(e.Speed(), 1.0);
  e.PlayReverse(-inf);
  EXPECT_EQ(e.Speed(), 16.0);
  EXPECT_EQ(e.State(), PlayState::Ready);
  EXPECT_STREQ(PlayStateName(e.State()), "Ready");
}

TEST(PlaybackEngine, InitializeAndSwitchModeSetUpTheParts) {
  Rig rig;
  EXPECT_EQ(rig.display.directDraw, 0);
  EXPECT_EQ(rig.sound.OpenRate(), 8000);
  EXPECT_EQ(rig.sound.OpenBits(), 8);
  EXPECT_EQ(rig.display.channels, 4);
  EXPECT_EQ(rig.display.caption, 1);
  EXPECT_EQ(rig.engine->SwitchMode(kModeLive, 2, 4), 1);
  EXPECT_EQ(rig.display.channels, 1);
  EXPECT_EQ(rig.display.caption, 0);
  EXPECT_EQ(rig.engine->SwitchMode(3, 4, 4), 0);
  EXPECT_EQ(rig.engine->Mode(), kModeLive);
}

// Without sound, picture k is due k x (frameSkip + 1) x interval / speed
// after the first and is taken at the first millisecond at or after that:
// 272-line pictures of variant 4 come every 12.5 ms, and the spacing never
// drifts from the recorder's clock however the interval falls on the tick.
TEST(PlaybackEngine, PacingWithoutSoundFollowsSpeedAndFrameSkip) {
  struct Case {
    double speed;
    uint8_t skip;
    uint32_t intervalUs;
  } cases[] = {{1.0, 0, 12500}, {2.0, 0, 6250}, {0.1, 0, 125000}, {1.0, 2, 37500}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "speed " << c.speed << " skip " << int(c.skip));
    RecordingPlan plan;
    plan.pictures = 9;
    plan.frameSkip = c.skip;
    const std::string path = MakeRecording("pacing", plan);
    Rig rig;
    rig.engine->SetSpeed(c.speed);
    rig.Start(path);
    rig.clock.Advance(c.intervalUs * 10 / 1000);
    const auto shown = rig.display.Pictures();
    ASSERT_EQ(shown.size(), 9u);
    for (size_t k = 1; k < shown.size(); ++k) {
      const uint32_t due = static_cast<uint32_t>((k * c.intervalUs + 999) / 1000);
      EXPECT_EQ(shown[k].tick - shown[0].tick, due) << "picture " << k;
    }
    std::remove(path.c_str());
  }
}

// At 16 and more nothing paces: a picture every pass, and after every nine
// pictures a jump of trunc(speed) x 20480 bytes.
TEST(PlaybackEngine, JumpingPlaySkipsAhead) {
  RecordingPlan plan;
  plan.pictures = 400;
  const std::string path = MakeRecording("jump", plan);
  Rig rig;
  rig.engine->Play(16);
  rig.Start(path);
  rig.clock.Advance(9);
  auto shown = rig.display.Pictures();
  ASSERT_GE(shown.size(), 9u);
  const uint64_t before = rig.engine->Position();
  rig.clock.Advance(1);  // the jump, then one picture
  const uint64_t after = rig.engine->Position();
  EXPECT_GE(after, before + 16 * 20480);
  for (size_t i = 1; i < 9; ++i) EXPECT_EQ(shown[i].tick - shown[i - 1].tick, 1u);
  std::remove(path.c_str());
}

TEST(PlaybackEngine, FastForwardDoublesFromPlayAndRestartsAfterPause) {
  RecordingPlan plan;
  plan.pictures = 50;
  const std::string path = MakeRecording("ff", plan);
  Rig rig;
  rig.Start(path);
  PlaybackEngine& e = *rig.engine;
  EXPECT_EQ(e.State(), PlayState::Play);
  e.FastForward();
  rig.clock.Advance(0);
  EXPECT_EQ(e.Speed(), 16.0);
  e.FastForward();
  rig.clock.Advance(0);
  e.FastForward();
  rig.clock.Advance(0);
  EXPECT_EQ(e.Speed(), 64.0);
  e.Pause();
  rig.clock.Advance(0);
  EXPECT_EQ(e.State(), PlayState::Pause);
  e.FastForward();
  rig.clock.Advance(0);
  EXPECT_EQ(e.Speed(), 16.0);
  e.FastRewind();
  rig.clock.Advance(0);
  EXPECT_EQ(e.State(), PlayState::PlayReverse);
  EXPECT_EQ(e.Speed(), 16.0);
  e.FastRewind();
  rig.clock.Advance(0);
  EXPECT_EQ(e.Speed(), 32.0);
  std::remove(path.c_str());
}

// Pressed again and again, fast forward and rewind stop doubling at 1024,
// and the jumps stay inside the recording.
TEST(PlaybackEngine, RepeatedFastForwardStopsAt1024) {
  RecordingPlan plan;
  plan.pictures = 400;
  const std::string path = MakeRecording("ff_cap", plan);
  Rig rig;
  rig.Start(path);
  PlaybackEngine& e = *rig.engine;
  for (int press = 0; press < 80; ++press) {
    e.FastForward();
    rig.clock.Advance(1);
    EXPECT_LE(e.Speed(), 1024.0);
    EXPECT_LE(e.Position(), e.Size());
  }
  EXPECT_EQ(e.Speed(), 1024.0);
  e.Seek(e.Size() / 2);
  rig.clock.Advance(1);
  for (int press = 0; press < 80; ++press) {
    e.FastRewind();
    rig.clock.Advance(1);
    EXPECT_LE(e.Position(), e.Size());
  }
  EXPECT_EQ(e.Speed(), 1024.0);
  EXPECT_EQ(e.State(), PlayState::PlayReverse);
  std::remove(path.c_str());
}

// Sound units without samples are units read all the same: five of them in
// a row do not end play.
TEST(PlaybackEngine, EmptySoundUnitsDoNotPausePlay) {
  streamkit::StreamBuilder b;
  b.SetTime(kStartTime);
  b.SetChannelMask(1);
  for (int i = 0; i < 4; ++i) {
    b.AddUnit(FlatPicture(0, true, static_cast<uint8_t>(40 + i), 100, 120));
    for (int k = 0; k < 8; ++k) b.AddAudio(0, nullptr, 0);
  }
  const uint8_t end[] = {0, 0, 1, 0xF9};
  b.AddRaw(end, sizeof end);
  b.Finish();
  const std::string path = std::string(::testing::TempDir()) + "marlow_engine_empty_sound.kvr";
  ASSERT_TRUE(b.WriteFile(path.c_str()));
  Rig rig;
  rig.Start(path);
  rig.clock.Advance(200);
  EXPECT_EQ(rig.display.Pictures().size(), 4u);
  std::remove(path.c_str());
}

// The end of a recording: the fifth empty read in a row pauses, the fourth
// does not.
TEST(PlaybackEngine, FiveEmptyReadsPause) {
  RecordingPlan plan;
  plan.pictures = 3;
  const std::string path = MakeRecording("end", plan);
  Rig rig;
  rig.engine->SetSpeed(16);  // no pacing, no jump before nine pictures
  rig.Start(path);
  rig.clock.Advance(3);  // a picture a pass
  ASSERT_EQ(rig.display.Pictures().size(), 3u);
  rig.clock.Advance(4);  // four empty reads
  EXPECT_EQ(rig.engine->State(), PlayState::Play);
  rig.clock.Advance(1);
  EXPECT_EQ(rig.engine->State(), PlayState::Pause);
  std::remove(path.c_str());
}

// Repeat: the end of a recording played forwards starts it again from the
// beginning; reverse play still pauses at its start.
TEST(PlaybackEngine, RepeatStartsAgainAtTheEndPlayedForwards) {
  RecordingPlan plan;
  plan.pictures = 3;
  const std::string path = MakeRecording("repeat", plan);
  Rig rig;
  rig.engine->SetRepeat(1);
  rig.engine->SetSpeed(16);
  rig.Start(path);
  rig.clock.Advance(3 + 5 + 3);  // three pictures, five empty reads, three again
  EXPECT_EQ(rig.engine->State(), PlayState::Play);
  const auto shown = rig.display.Pictures();
  ASSERT_EQ(shown.size(), 6u);
  EXPECT_EQ(shown[3].y00, shown[0].y00);
  EXPECT_EQ(shown[5].y00, shown[2].y00);
  rig.engine->PlayReverse(16);
  rig.clock.Advance(20);
  EXPECT_EQ(rig.engine->State(), PlayState::Pause);
  std::remove(path.c_str());
}

// One picture buffer per channel: an update picture lands on its own
// channel's previous picture, whatever channel was decoded last.
TEST(PlaybackEngine, UpdatePicturesKeepTheirChannelsApart) {
  RecordingPlan plan;
  plan.channels = 4;
  plan.pictures = 12;
  plan.updates = true;
  const std::string path = MakeRecording("channels", plan);
  Rig rig;
  rig.engine->SetSpeed(16);
  rig.Start(path);
  rig.clock.Advance(20);
  const auto shown = rig.display.Pictures();
  ASSERT_EQ(shown.size(), 12u);
  for (size_t i = 0; i < shown.size(); ++i) {
    SCOPED_TRACE(i);
    const int c = static_cast<int>(i % 4);
    EXPECT_EQ(shown[i].channel, c);
    EXPECT_EQ(shown[i].u00, 100 + c);
    // The update codes macroblock (0, 0) only; the rest stays the channel's
    // own full picture.
    EXPECT_EQ(shown[i].y00, i < 4 ? 40 + 10 * c + static_cast<int>(i) : 200 + c);
    EXPECT_EQ(shown[i].yLast, 40 + 10 * c + c);
  }
  std::remove(path.c_str());
}

// Once the recording has sound, the sound output's refusals set the pace: at
// 8 bytes a millisecond, 500-byte units go every 62.5 ms.
TEST(PlaybackEngine, SoundSetsThePace) {
  RecordingPlan plan;
  plan.pictures = 120;
  plan.audioEvery = 1;
  const std::string path = MakeRecording("sound", plan);
  Rig rig;
  rig.Start(path);
  rig.clock.Advance(4000);
  const uint64_t written = rig.sound.Written();
  // The ring holds what it may ahead of the device, the rest was played.
  EXPECT_GE(written, 4000u * 8);
  EXPECT_LE(written, 4000u * 8 + 16384);
  const size_t pictures = rig.display.Pictures().size();
  // Each picture is followed by its 500 bytes of sound.
  EXPECT_NEAR(static_cast<double>(pictures), static_cast<double>(written) / 500, 2.0);
  EXPECT_LT(pictures, 119u);
  std::remove(path.c_str());
}

// Where the sound is not played (reverse, or any speed but 1), the pictures
// of a recording with sound keep the tick pacing.
TEST(PlaybackEngine, PlayWithoutSoundingIsTickPacedInRecordingsWithSound) {
  RecordingPlan plan;
  plan.pictures = 8;
  plan.audioEvery = 1;
  const std::string path = MakeRecording("paced_sound", plan);
  Rig rig;
  rig.engine->SetSpeed(2.0);
  rig.Start(path);
  rig.clock.Advance(60);
  auto shown = rig.display.Pictures();
  ASSERT_EQ(shown.size(), 8u);
  // 6.25 ms as without sound; the pass that reads the audio unit in between
  // delays a picture by 1 ms but not the ones after it.
  for (size_t k = 1; k < shown.size(); ++k) {
    const double due = k * 6.25;
    EXPECT_GE(shown[k].tick - shown[0].tick, due) << k;
    EXPECT_LE(shown[k].tick - shown[0].tick, due + 2) << k;
  }
  EXPECT_EQ(rig.sound.Written(), 0u);
  const size_t forward = shown.size();
  rig.engine->PlayReverse(1);
  rig.clock.Advance(100);
  shown = rig.display.Pictures();
  ASSERT_GT(shown.size(), forward + 3);
  for (size_t i = forward + 1; i < shown.size(); ++i) {
    EXPECT_GE(shown[i].tick - shown[i - 1].tick, 11u);
    EXPECT_LE(shown[i].tick - shown[i - 1].tick, 14u);
  }
  const double span = shown.back().tick - shown[forward].tick;
  EXPECT_NEAR(span, (shown.size() - 1 - forward) * 12.5, 2.0);
  std::remove(path.c_str());
}

TEST(PlaybackEngine, ReversePlayShowsOnlyPictures) {
  RecordingPlan plan;
  plan.pictures = 10;
  plan.audioEvery = 1;
  const std::string path = MakeRecording("reverse", plan);
  Rig rig;
  rig.engine->SetSpeed(16);
  rig.Start(path);
  rig.clock.Advance(30);  // to the end
  const size_t forward = rig.display.Pictures().size();
  const uint64_t soundBefore = rig.sound.Written();
  rig.engine->PlayReverse(1);
  rig.clock.Advance(1000);
  const auto shown = rig.display.Pictures();
  EXPECT_GT(shown.size(), forward + 5);
  EXPECT_EQ(rig.sound.Written(), soundBefore);
  // Backwards the times count down.
  for (size_t i = forward + 1; i < shown.size(); ++i)
    EXPECT_LE(shown[i].second, shown[i - 1].second);
  EXPECT_LT(shown.back().second, shown[forward].second);
  std::remove(path.c_str());
}

TEST(PlaybackEngine, StepsReadPastSoundAndSeekPastTheEndPauses) {
  RecordingPlan plan;
  plan.pictures = 10;
  plan.audioEvery = 1;
  const std::string path = MakeRecording("step", plan);
  Rig rig;
  rig.Start(path);
  rig.engine->Pause();
  rig.clock.Advance(1);
  ASSERT_EQ(rig.display.Pictures().size(), 0u);
  rig.engine->StepForward();
  rig.clock.Advance(5);
  rig.engine->StepForward();
  rig.clock.Advance(5);
  auto shown = rig.display.Pictures();
  ASSERT_EQ(shown.size(), 2u);  // the audio unit in between is read past
  EXPECT_EQ(shown[1].y00, 41);
  EXPECT_EQ(rig.engine->State(), PlayState::Pause);
  rig.engine->StepBackward();
  rig.clock.Advance(5);
  shown = rig.display.Pictures();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[2].y00, 40);  // back to the first picture
  const size_t before = 1;

  const uint64_t at = rig.engine->Position();
  rig.engine->Seek(rig.engine->Size() + 4096);
  rig.clock.Advance(2);
  EXPECT_EQ(rig.engine->Position(), at);
  EXPECT_EQ(rig.engine->State(), PlayState::Pause);
  EXPECT_EQ(rig.display.Pictures().size(), before + 2);

  rig.engine->Seek(0);
  rig.clock.Advance(2);
  shown = rig.display.Pictures();
  ASSERT_EQ(shown.size(), before + 3);
  EXPECT_EQ(shown.back().y00, 40);
  std::remove(path.c_str());
}

TEST(PlaybackEngine, ANewerCommandReplacesAnUnreadOne) {
  RecordingPlan plan;
  plan.pictures = 10;
  const std::string path = MakeRecording("commands", plan);
  Rig rig;
  rig.Start(path);
  rig.engine->Pause();
  rig.clock.Advance(1);
  const size_t before = rig.display.Pictures().size();
  rig.engine->PlayReverse(1);
  rig.engine->StepForward();  // same millisecond: only this one counts
  rig.clock.Advance(3);
  EXPECT_EQ(rig.engine->State(), PlayState::Pause);
  EXPECT_EQ(rig.display.Pictures().size(), before + 1);
  std::remove(path.c_str());
}

// A sound device that never takes anything must not hold Close.
TEST(PlaybackEngine, CloseReturnsPromptlyWhileSoundIsRefused) {
  RecordingPlan plan;
  plan.pictures = 10;
  plan.audioEvery = 1;
  const std::string path = MakeRecording("close", plan);
  RecordingDisplay display{SystemClock()};
  SimulatedSound sound(SystemClock(), 8);
  sound.RefuseAll(true);
  PlaybackEngine engine(display, sound);
  engine.Initialize(4, 1);
  engine.SwitchMode(kModePlayer, 4, 1);
  ASSERT_EQ(engine.OpenAndPlay(path.c_str(), 0), 1);
  platform::SleepMs(100);
  const uint32_t t0 = platform::TickMs();
  engine.Close();
  EXPECT_LT(platform::TickMs() - t0, 200u);
  EXPECT_EQ(engine.State(), PlayState::Ready);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace marlow::testing
