// Playback engine benchmark: the heaviest recording a recorder makes, 16
// cameras sharing its whole stream of 80 pictures a second (640 x 272, frame
// skip 0: 5 a second each, with sound), played through the real engine,
// source and decoder, with the display replaced by a counting sink.
//   1. speed 16 (jumping play): pictures per second the engine reaches;
//   2. speed 1 for a few seconds: CPU share of one core (sound-paced);
//   3. the same without sound (tick-paced).
// Usage: engine_bench [--seconds N] [--keep PATH]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/playback_engine.h"
#include "platform/sync.h"
#include "tests/support/cpu_time.h"
#include "tools/makekvr/recording_maker.h"
#include "tools/playkvr/simulated_sound.h"

namespace {

using namespace marlow;

class CountingDisplay final : public PictureSink {
 public:
  void ShowPicture(int, const TimeRecord&, const uint8_t*, int, int) override { ++shown; }
  void SetChannelCount(int) override {}
  void SetCaptionEnabled(int) override {}
  void SetDirectDraw(int) override {}
  void ClearPictures() override {}
  int SingleChannel() const override { return -1; }
  std::atomic<uint32_t> shown{0};
};

bool Make(const char* path, bool sound, double seconds) {
  RecordingPlan plan;
  plan.channels = 16;
  plan.picturesPerSecond = 5;  // 16 x 5 = the recorder's 80 a second
  plan.seconds = seconds;
  plan.fullEvery = 10;
  plan.sound = sound ? TestSound::kTone : TestSound::kSilence;
  streamkit::StreamBuilder builder;
  RecordingStats stats;
  const char* error = nullptr;
  if (!MakeRecording(plan, &builder, &stats, &error)) {
    std::fprintf(stderr, "engine_bench: %s\n", error ? error : "cannot make the recording");
    return false;
  }
  std::printf(
      "recording: %d pictures (%d full), %d audio units, %.1f MB; frame skip %d, "
      "%.0f pictures/s in all\n",
      stats.pictures, stats.fullPictures, stats.audioUnits, builder.Bytes().size() / 1e6,
      stats.frameSkip, 1e6 / stats.pictureSpacingUs);
  return builder.WriteFile(path);
}

struct Result {
  uint32_t pictures;
  double wallSeconds;
  double cpuShare;
};

// Plays path at speed until the engine pauses at the end or limitSeconds pass.
Result Play(const char* path, double speed, double limitSeconds) {
  CountingDisplay display;
  SimulatedSound sound(SystemClock());
  PlaybackEngine engine(display, sound);
  engine.Initialize(4, 16);
  engine.SwitchMode(kModePlayer, 4, 16);
  engine.SetSpeed(speed);
  const uint64_t cpu0 = testsupport::ProcessCpuMicroseconds();
  const uint32_t t0 = platform::TickMs();
  if (!engine.OpenAndPlay(path, 0)) return {0, 0, 0};
  if (speed >= 16) {
    while (engine.State() == PlayState::Ready) platform::SleepMs(1);
    engine.Play(speed);
  }
  const uint32_t limit = static_cast<uint32_t>(limitSeconds * 1000);
  while (platform::TickMs() - t0 < limit && engine.State() != PlayState::Pause) {
    platform::SleepMs(5);
  }
  const double wall = (platform::TickMs() - t0) / 1000.0;
  const double cpu = (testsupport::ProcessCpuMicroseconds() - cpu0) / 1e6;
  engine.Close();
  return {display.shown.load(), wall, wall > 0 ? cpu / wall : 0};
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = 5;
  std::string keep;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc)
      seconds = std::atof(argv[++i]);
    else if (!std::strcmp(argv[i], "--keep") && i + 1 < argc)
      keep = argv[++i];
  }
  const std::string withSound = keep.empty() ? "/tmp/marlow_engine_bench.kvr" : keep;
  const std::string silent = withSound + ".silent.kvr";
  if (!Make(withSound.c_str(), true, 20) || !Make(silent.c_str(), false, 20)) return 1;

  const Result fast = Play(withSound.c_str(), 16, 60);
  std::printf(
      "speed 16 (jumping):      %6u pictures in %6.2f s = %8.0f pictures/s, %5.1f %% of a core\n",
      fast.pictures, fast.wallSeconds, fast.pictures / fast.wallSeconds, 100 * fast.cpuShare);
  const Result normal = Play(withSound.c_str(), 1, seconds);
  std::printf(
      "speed 1 with sound:      %6u pictures in %6.2f s = %8.1f pictures/s, %5.1f %% of a core\n",
      normal.pictures, normal.wallSeconds, normal.pictures / normal.wallSeconds,
      100 * normal.cpuShare);
  const Result quiet = Play(silent.c_str(), 1, seconds);
  std::printf(
      "speed 1 without sound:   %6u pictures in %6.2f s = %8.1f pictures/s, %5.1f %% of a core\n",
      quiet.pictures, quiet.wallSeconds, quiet.pictures / quiet.wallSeconds, 100 * quiet.cpuShare);
  if (keep.empty()) {
    std::remove(withSound.c_str());
    std::remove(silent.c_str());
  }
  return 0;
}
