// The picture marlow frames writes for a time is the one the playback engine
// shows when it seeks before that time and plays to it.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "display/pixel_convert.h"
#include "engine/playback_engine.h"
#include "platform/sync.h"
#include "recording/block_format.h"
#include "tests/marlow/cli_fixture.h"
#include "tools/marlow/export_job.h"
#include "tools/playkvr/simulated_sound.h"

namespace marlow::testing {
namespace {

class KeepChannel final : public PictureSink {
 public:
  explicit KeepChannel(int channel) : channel_(channel) {}
  void ShowPicture(int channel, const TimeRecord& time, const uint8_t* planes, int width,
                   int height) override {
    if (channel != channel_) return;
    std::lock_guard<std::mutex> lock(mutex_);
    Shown s{SecondsFromTime(time), width, height,
            std::vector<uint8_t>(planes, planes + width * height * 3 / 2)};
    shown_.push_back(std::move(s));
  }
  void SetChannelCount(int) override {}
  void SetCaptionEnabled(int) override {}
  void SetDirectDraw(int) override {}
  void ClearPictures() override {}
  int SingleChannel() const override { return -1; }

  struct Shown {
    uint32_t time;
    int width, height;
    std::vector<uint8_t> planes;
  };
  std::vector<Shown> Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::move(shown_);
  }

 private:
  const int channel_;
  std::mutex mutex_;
  std::vector<Shown> shown_;
};

TEST(MarlowFrames, EqualsWhatTheEngineShowsAfterSeekingAndPlaying) {
  const std::string d = TestFolder("frames_engine");
  const std::string path = d + "/a.kvr";
  MakeKvr(path, {"--channels", "4", "--seconds", "10", "--full-every", "8"});
  const int channel = 2;
  const uint32_t at = 1704067200 + 6;
  Result r = Marlow(
      {"frames", path, "--channel", "3", "--at", "2024-01-01 00:00:06", "--json", "--out", d});
  ASSERT_EQ(r.code, 0) << r.err;
  const auto bmp = ReadAll(r.json["pictures"][0]["file"].s);
  ASSERT_EQ(bmp.size(), 54u + 640 * 3 * 272);

  // Seek to the block of the channel's last full picture before the time,
  // then play to it.
  uint64_t fullBlock = 0;
  ASSERT_TRUE(cli::FindFullPictureBefore(path, false, (r.json["block"].U()) * kBlockSize, channel,
                                         1 << 28, &fullBlock));
  KeepChannel display(channel);
  Clock& clock = SystemClock();
  SimulatedSound sound(clock);
  PlaybackEngine engine(display, sound, clock);
  engine.Initialize(4, 16);
  engine.SwitchMode(kModePlayer, 4, 16);
  ASSERT_EQ(engine.OpenAndPlay(path.c_str(), 0), 1);
  for (int i = 0; i < 500 && engine.State() == PlayState::Ready; ++i) platform::SleepMs(1);
  engine.Pause();
  platform::SleepMs(30);
  engine.Seek(fullBlock * kBlockSize);
  for (int i = 0; i < 500 && engine.State() != PlayState::Pause; ++i) platform::SleepMs(1);
  platform::SleepMs(30);
  display.Take();
  engine.Play(8);
  std::vector<KeepChannel::Shown> shown;
  for (int i = 0; i < 400; ++i) {
    platform::SleepMs(10);
    auto more = display.Take();
    for (auto& s : more) shown.push_back(std::move(s));
    bool reached = false;
    for (const auto& s : shown) reached |= s.time >= at;
    if (reached) break;
  }
  engine.Close();
  const KeepChannel::Shown* first = nullptr;
  for (const auto& s : shown)
    if (!first && s.time >= at) first = &s;
  ASSERT_NE(first, nullptr);
  std::vector<uint8_t> bgr(640 * 3 * 272);
  ASSERT_EQ(ConvertPicture(PixelFormat::Bgr24BottomUp, bgr.data(), 640 * 3, first->planes.data(),
                           first->width, first->height),
            1);
  EXPECT_TRUE(std::equal(bgr.begin(), bgr.end(), bmp.begin() + 54));
}

}  // namespace
}  // namespace marlow::testing
