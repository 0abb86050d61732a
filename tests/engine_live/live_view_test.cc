// The live view end to end: the engine logs in to the recorder stand-in on
// 127.0.0.1 and shows its camera, plays its sound and records both into a
// file that plays back with the same pictures and sound. Also: stopping
// wins over a waiting unit, Disconnect is prompt whatever the sound device
// does, automatic reconnection on and off, a recording that cannot be
// written, and connect calls that replace a live view under way.
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/playback_engine.h"
#include "platform/file.h"
#include "tests/audio/tone_analysis.h"
#include "tests/engine_live/live_sinks.h"
#include "tests/support/file_limit.h"
#include "tests/support/listening_socket.h"
#include "tools/recorder_standin/recorder_standin.h"

namespace marlow::testing {
namespace {

constexpr size_t kPlanes = 640 * 272 * 3 / 2;

RecorderStandinOptions Standin() {
  RecorderStandinOptions o;
  o.password = "pw";
  o.pcm8Audio = true;  // what a recorder of stream variant 4 sends
  o.pictureIntervalMs = 40;
  o.statusIntervalMs = 500;
  o.faultSessions = 0;
  o.lifetimeMs = 60000;
  return o;
}

// A port on 127.0.0.1 where nothing listens: connects are refused.
uint16_t DeadPort() {
  testsupport::ListeningSocket s;
  const platform::Ipv4Address loopback = {{127, 0, 0, 1}};
  if (!s.Open() || !s.Listen(loopback, 0, 1)) return 1;
  const uint16_t port = s.LocalPort();
  s.Close();
  return port;
}

std::string TempPath(const char* name) {
  return std::string(::testing::TempDir()) + "marlow_live_" + name;
}

uint64_t FileSize(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return 0;
  std::fseek(f, 0, SEEK_END);
  const long n = std::ftell(f);
  std::fclose(f);
  return n > 0 ? static_cast<uint64_t>(n) : 0;
}

struct Rig {
  explicit Rig(const RecorderStandinOptions& o = Standin(), Clock& clock = SystemClock())
      : recorder(o) {
    EXPECT_TRUE(recorder.Listen());
    EXPECT_EQ(recorder.Start(), 1);
    previousNotice = platform::SetNoticeSink(&notes);
    engine = std::make_unique<PlaybackEngine>(display, sound, clock);
    engine->Initialize(4, 4, &notes);
    engine->SwitchMode(kModeLive, 4, 4);
    engine->Client().SetTimeout(1000);
    engine->Client().SetWaits(250, 100, 20);
  }
  ~Rig() {
    engine.reset();
    recorder.Stop();
    platform::SetNoticeSink(previousNotice);
  }
  int Connect(const char* password = "pw") {
    return engine->Connect("127.0.0.1", recorder.Port(), "", password);
  }
  bool Pictures(size_t more) {
    const size_t want = display.Count() + more;
    return WaitFor([&] { return display.Count() >= want; });
  }
  std::vector<uint64_t> Checksums() {
    std::vector<uint64_t> c;
    for (const ShownPicture& s : display.Shown()) c.push_back(s.checksum);
    return c;
  }

  RecorderStandin recorder;
  ChecksumDisplay display;
  CaptureSound sound;
  Notifications notes;
  platform::NoticeSink* previousNotice = nullptr;
  std::unique_ptr<PlaybackEngine> engine;
};

// The last picture shown is camera `camera`'s own, as the encoder lost only
// a little of it.
void ExpectCamera(ChecksumDisplay& display, int camera) {
  int w = 0, h = 0;
  const std::vector<uint8_t> last = display.Last(&w, &h);
  ASSERT_EQ(w, 640);
  ASSERT_EQ(h, 272);
  EXPECT_EQ(ReadBurntInChannel(last.data(), w, w, h), camera);
  const long number = ReadBurntInCounter(last.data(), w, w, h);
  ASSERT_GE(number, 0);
  std::vector<uint8_t> source(kPlanes);
  SyntheticCamera(camera, 640, 272).Render(static_cast<uint32_t>(number), source.data());
  EXPECT_LT(MeanDifference(last.data(), source.data(), kPlanes), 4.0);
}

TEST(LiveView, ShowsTheRecordersCameraPlaysItsToneAndFollowsKeys) {
  Rig rig;
  ASSERT_EQ(rig.Connect(), 1);
  ASSERT_TRUE(rig.Pictures(25));
  EXPECT_TRUE(rig.engine->Client().IsLoggedIn());
  ExpectCamera(rig.display, 0);
  // The live time of every unit is the stream's own.
  int w, h;
  TimeRecord t;
  rig.display.Last(&w, &h, &t);
  EXPECT_EQ(t.year, 2006);
  EXPECT_EQ(t.hour, 10);

  // Sound: unsigned 8-bit samples of the 440 Hz tone, through the raw write.
  ASSERT_TRUE(WaitFor([&] { return rig.sound.Bytes().size() >= 8000; }));
  EXPECT_EQ(rig.sound.Rate(), 8000);
  EXPECT_EQ(rig.sound.Bits(), 8);
  const std::vector<uint8_t> bytes = rig.sound.Bytes();
  std::vector<int16_t> samples;
  for (uint8_t b : bytes) samples.push_back(static_cast<int16_t>((b - 128) * 256));
  const auto bursts = FindBursts(samples.data(), samples.size(), 8000, 1500, 150);
  ASSERT_FALSE(bursts.empty());
  EXPECT_NEAR(bursts[0].frequency, 440, 8);

  // Channel key 2: the recorder sends its second camera, which is shown.
  ASSERT_EQ(rig.engine->Client().SendKey(2), 1);
  ASSERT_TRUE(WaitFor([&] {
    auto s = rig.display.Shown();
    return !s.empty() && s.back().camera == 1;
  }));
  ASSERT_TRUE(rig.Pictures(3));
  ExpectCamera(rig.display, 1);

  EXPECT_EQ(rig.engine->Disconnect(), 1);
  EXPECT_FALSE(rig.engine->IsRunning());
  EXPECT_FALSE(rig.engine->Client().IsLoggedIn());
  EXPECT_TRUE(WaitFor([&] { return rig.recorder.Snapshot().logouts == 1; }));
}

// The system clock, but once armed the live body's next wait first waits
// until the stop event is set, so that the stop event and queued units are
// all set when it looks at them.
class GateClock final : public Clock {
 public:
  uint32_t NowMs() override { return platform::TickMs(); }
  void SleepMs(uint32_t ms) override { platform::SleepMs(ms); }
  int Wait(platform::Event* const* events, int count, uint32_t timeoutMs) override {
    if (count == 3 && armed_.exchange(false)) {
      parked_ = true;
      while (!events[0]->IsSet()) platform::SleepMs(1);
    }
    return platform::WaitAny(events, count, timeoutMs);
  }
  std::atomic<bool> armed_{true}, parked_{false};
};

TEST(LiveView, StopWinsOverUnitsWaitingAtTheSameTime) {
  GateClock clock;
  Rig rig(Standin(), clock);
  // Nothing answers there: the client keeps trying, and only the units put
  // into its queues here reach the body.
  ASSERT_EQ(rig.engine->Connect("127.0.0.1", DeadPort(), "", "pw"), 1);
  ASSERT_TRUE(WaitFor([&] { return clock.parked_.load(); }));
  const uint8_t unit[] = {0, 0, 1, 0xF9, 0x80, 0, 1, 0, 0, 1, 0};
  UnitInfo info;
  ASSERT_EQ(rig.engine->Client().VideoQueue().Push(unit, sizeof unit, info), 1);
  ASSERT_EQ(rig.engine->Client().AudioQueue().Push(unit, sizeof unit, info), 1);
  std::thread disconnect([&] { rig.engine->Disconnect(); });
  disconnect.join();
  EXPECT_EQ(rig.engine->Client().VideoQueue().ReadyCount(), 1u);
  EXPECT_EQ(rig.engine->Client().AudioQueue().ReadyCount(), 1u);
  EXPECT_EQ(rig.sound.Attempts(), 0u);
}

TEST(LiveView, RecordingClosesWithDisconnectAndPlaysBackTheSamePicturesAndSound) {
  Rig rig;
  const std::string path = TempPath("record.kvr");
  std::remove(path.c_str());
  ASSERT_EQ(rig.Connect(), 1);
  ASSERT_TRUE(rig.Pictures(5));
  ASSERT_EQ(rig.engine->StartRecording(path.c_str()), 1);
  EXPECT_TRUE(rig.engine->IsRecording());
  ASSERT_TRUE(rig.Pictures(60));
  EXPECT_EQ(rig.engine->Disconnect(), 1);
  // The body's exit closed the file: padded to whole blocks.
  EXPECT_FALSE(rig.engine->IsRecording());
  const uint64_t size = FileSize(path);
  EXPECT_GT(size, 40000u);
  EXPECT_EQ(size % 4096, 0u);
  const std::vector<uint64_t> live = rig.Checksums();
  const std::vector<uint8_t> liveSound = rig.sound.Bytes();

  rig.display.Clear();
  rig.sound.Clear();
  ASSERT_EQ(rig.engine->SwitchMode(kModePlayer, 4, 4), 1);
  ASSERT_EQ(rig.engine->OpenAndPlay(path.c_str(), 0), 1);
  ASSERT_TRUE(WaitFor([&] { return rig.engine->State() == PlayState::Pause; }, 10000));
  rig.engine->Close();
  const std::vector<uint64_t> played = rig.Checksums();
  // Every recorded picture decodes to exactly what was shown live, in order.
  EXPECT_GE(played.size(), 50u);
  EXPECT_GE(FindRun(live, played), 0);
  // And the recorded sound is the sound that was played live.
  const std::vector<uint8_t> playedSound = rig.sound.Bytes();
  EXPECT_GE(playedSound.size(), 320u * 40);
  EXPECT_NE(std::search(liveSound.begin(), liveSound.end(), playedSound.begin(), playedSound.end()),
            liveSound.end());
}

// A recording of the live stream keeps its pace: without sound to pace it,
// the recording plays its pictures as far apart as they came live (the
// frame skip the writer takes from the sequence numbers counts in the
// player's interval). Without dropped pictures: a block carries one frame
// skip, that of the unit being written when it began, so a drop's longer
// gap lands on the small pictures of its block, or on none.
TEST(LiveView, ARecordingOfTheLiveStreamPlaysAtThePaceItCame) {
  RecorderStandinOptions o = Standin();
  o.pictureIntervalMs = 0;  // the recorder's own pace: frame skip 3, 50 ms
  o.audio = false;
  o.dropsPictures = false;
  Rig rig(o);
  const std::string path = TempPath("pace.kvr");
  std::remove(path.c_str());
  ASSERT_EQ(rig.Connect(), 1);
  ASSERT_TRUE(rig.Pictures(3));
  ASSERT_EQ(rig.engine->StartRecording(path.c_str()), 1);
  ASSERT_TRUE(rig.Pictures(50));
  EXPECT_EQ(rig.engine->Disconnect(), 1);
  const std::vector<ShownPicture> live = rig.display.Shown();

  rig.display.Clear();
  ASSERT_EQ(rig.engine->SwitchMode(kModePlayer, 4, 4), 1);
  ASSERT_EQ(rig.engine->OpenAndPlay(path.c_str(), 0), 1);
  ASSERT_TRUE(WaitFor([&] { return rig.engine->State() == PlayState::Pause; }, 10000));
  rig.engine->Close();
  const std::vector<ShownPicture> played = rig.display.Shown();
  ASSERT_GE(played.size(), 30u);
  // The same stretch of pictures, by the counters burnt into them.
  auto liveAt = [&](long counter) {
    for (const ShownPicture& p : live)
      if (p.counter == counter) return p.atUs;
    return int64_t{-1};
  };
  const ShownPicture& first = played[1];  // the first is shown at once
  const ShownPicture& last = played.back();
  ASSERT_GE(liveAt(first.counter), 0);
  ASSERT_GE(liveAt(last.counter), 0);
  const double liveMs = (liveAt(last.counter) - liveAt(first.counter)) / 1000.0;
  const double playedMs = (last.atUs - first.atUs) / 1000.0;
  EXPECT_GT(liveMs, 1500.0);
  EXPECT_NEAR(playedMs, liveMs, 0.1 * liveMs + 60) << played.size() << " pictures";
  std::remove(path.c_str());
}

#if defined(SIGKILL)
// Every unit reaches the file as it is written: a process killed in the
// middle of a recording leaves a file that plays back to its last whole unit.
TEST(LiveView, ARecordingSurvivesTheProcessBeingKilled) {
  const std::string path = TempPath("killed.kvr");
  std::remove(path.c_str());
  bool unused = false;
  // A process of its own records, then kills itself without any clean-up.
  ASSERT_TRUE(testsupport::RunWithFileSizeLimit(
      uint64_t{1} << 30,
      [&] {
        Rig rig;
        if (rig.Connect() != 1 || !rig.Pictures(3)) return false;
        if (rig.engine->StartRecording(path.c_str()) != 1 || !rig.Pictures(50)) return false;
        std::raise(SIGKILL);
        return true;
      },
      &unused));
  const uint64_t size = FileSize(path);
  ASSERT_GT(size, 20000u);
  Rig rig;
  ASSERT_EQ(rig.engine->SwitchMode(kModePlayer, 4, 4), 1);
  ASSERT_EQ(rig.engine->OpenAndPlay(path.c_str(), 0), 1);
  ASSERT_TRUE(WaitFor([&] { return rig.engine->State() == PlayState::Pause; }, 10000));
  rig.engine->Close();
  const std::vector<ShownPicture> shown = rig.display.Shown();
  EXPECT_GE(shown.size(), 35u);  // from the first full picture on
  // Decoded whole and in order: the burnt-in counter runs on without a gap
  // larger than the queue could drop.
  for (size_t i = 1; i < shown.size(); ++i) {
    EXPECT_GT(shown[i].counter, shown[i - 1].counter);
    EXPECT_EQ(shown[i].camera, 0);
  }
}
#endif

TEST(LiveView, DisconnectIsPromptAndPicturesFlowWhileTheSoundDeviceRefusesEverything) {
  Rig rig;
  rig.sound.RefuseAll(true);
  ASSERT_EQ(rig.Connect(), 1);
  ASSERT_TRUE(rig.Pictures(5));
  // About 25 pictures a second keep coming although no sound is taken.
  const size_t before = rig.display.Count();
  platform::SleepMs(1000);
  EXPECT_GE(rig.display.Count() - before, 18u);
  EXPECT_GT(rig.sound.Attempts(), 10u);
  const uint32_t t0 = platform::TickMs();
  EXPECT_EQ(rig.engine->Disconnect(), 1);
  EXPECT_LT(platform::TickMs() - t0, 400u);
}

TEST(LiveView, WithoutAutoReconnectionALostConnectionEndsTheLiveViewOnce) {
  struct Case {
    const char* what;
    bool drop;  // else ServerClose
  };
  for (const Case c : {Case{"dropped mid-picture", true}, Case{"ServerClose", false}}) {
    SCOPED_TRACE(c.what);
    RecorderStandinOptions o = Standin();
    o.faultSessions = 1;
    if (c.drop) {
      o.dropAfterPictures = 10;
    } else {
      o.serverCloseAfterMs = 500;
    }
    Rig rig(o);
    EXPECT_TRUE(rig.engine->AutoReconnect());
    rig.engine->SetAutoReconnect(false);
    ASSERT_EQ(rig.Connect(), 1);
    ASSERT_TRUE(WaitFor([&] { return rig.notes.Count(kNotifyServerClosed) == 1; }));
    platform::SleepMs(1500);  // longer than the time-out and the reconnect pause
    EXPECT_EQ(rig.notes.Count(kNotifyServerClosed), 1);
    EXPECT_EQ(rig.recorder.Snapshot().sessions, 1);
    EXPECT_FALSE(rig.engine->Client().IsLoggedIn());
    EXPECT_EQ(rig.engine->Client().ConnectionState(), kStateIdle);
    EXPECT_FALSE(rig.engine->Client().IsRunning());
  }
  // On (the default): the same drop is mended without a word.
  RecorderStandinOptions o = Standin();
  o.faultSessions = 1;
  o.dropAfterPictures = 10;
  Rig rig(o);
  ASSERT_EQ(rig.Connect(), 1);
  ASSERT_TRUE(WaitFor([&] { return rig.recorder.Snapshot().sessions >= 2; }));
  ASSERT_TRUE(WaitFor([&] { return rig.engine->Client().IsLoggedIn(); }));
  EXPECT_TRUE(rig.Pictures(10));
  EXPECT_EQ(rig.notes.Count(kNotifyServerClosed), 0);
}

TEST(LiveView, ARecordingThatCannotBeWrittenIsToldOnceAndTheLiveViewGoesOn) {
  Rig rig;
  ASSERT_EQ(rig.Connect(), 1);
  ASSERT_TRUE(rig.Pictures(3));
  const std::string path = TempPath("no_such_folder/x/record.kvr");
  EXPECT_EQ(rig.engine->StartRecording(path.c_str()), 0);
  EXPECT_FALSE(rig.engine->IsRecording());
  EXPECT_EQ(rig.notes.Notices(), 1);
  EXPECT_TRUE(rig.Pictures(10));
  EXPECT_EQ(rig.notes.Notices(), 1);
}

TEST(LiveView, ConnectReplacesAClientStillTryingOrEndedByAFailedLogin) {
  Rig rig;
  // Still trying to reach a recorder that is not there.
  ASSERT_EQ(rig.engine->Connect("127.0.0.1", DeadPort(), "", "pw"), 1);
  platform::SleepMs(300);
  EXPECT_FALSE(rig.engine->Client().IsLoggedIn());
  ASSERT_EQ(rig.Connect(), 1);
  ASSERT_TRUE(WaitFor([&] { return rig.engine->Client().IsLoggedIn(); }));
  ASSERT_TRUE(rig.Pictures(3));

  // A refused login ends the client's thread; the next Connect still counts.
  ASSERT_EQ(rig.Connect("wrong"), 1);
  ASSERT_TRUE(WaitFor([&] { return rig.notes.Count(kNotifyLoginFailed) == 1; }));
  ASSERT_TRUE(WaitFor([&] { return !rig.engine->Client().IsRunning(); }));
  EXPECT_STREQ(rig.engine->Client().ErrorText().c_str(), "Incorrect password.");
  ASSERT_EQ(rig.Connect(), 1);
  ASSERT_TRUE(WaitFor([&] { return rig.engine->Client().IsLoggedIn(); }));
  EXPECT_TRUE(rig.Pictures(3));
}

}  // namespace
}  // namespace marlow::testing
