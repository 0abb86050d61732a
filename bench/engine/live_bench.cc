// Live view figures through the recorder stand-in on 127.0.0.1, with the
// real engine, network client and decoder and a display that notes when
// each picture arrives:
//   1. glass-to-glass latency: the stand-in sending a picture -> the display
//      getting it (median and 95th percentile), matched by the counter
//      burnt into every picture;
//   2. CPU of this process (stand-in included) for a 25-pictures/s stream
//      with sound, as a share of one core;
//   3. the time from the stand-in sending ServerClose to the notification.
// Usage: live_bench [--seconds N]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/playback_engine.h"
#include "tests/engine_live/live_sinks.h"
#include "tests/support/cpu_time.h"
#include "tools/recorder_standin/recorder_standin.h"

namespace {

using namespace marlow;
using namespace marlow::testing;

class TimedNotifications final : public NotificationSink {
 public:
  void Post(uint32_t message, uintptr_t, intptr_t) override {
    if (message == kNotifyServerClosed && closedAtUs.load() < 0)
      closedAtUs = RecorderStandin::NowUs();
  }
  std::atomic<int64_t> closedAtUs{-1};
};

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[static_cast<size_t>(p * static_cast<double>(v.size() - 1))];
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = 10;
  for (int i = 1; i + 1 < argc; ++i) {
    if (!std::strcmp(argv[i], "--seconds")) seconds = std::atof(argv[i + 1]);
  }
  RecorderStandinOptions o;
  o.password = "pw";
  o.pcm8Audio = true;
  o.pictureIntervalMs = 40;  // 25 pictures a second
  o.faultSessions = 0;
  o.lifetimeMs = static_cast<uint32_t>(seconds * 1000) + 60000;
  RecorderStandin recorder(o);
  if (!recorder.Listen() || recorder.Start() != 1) return 1;
  ChecksumDisplay display;
  CaptureSound sound;
  TimedNotifications notes;
  PlaybackEngine engine(display, sound);
  engine.Initialize(4, 4, &notes);
  engine.SwitchMode(kModeLive, 4, 4);
  if (!engine.Connect("127.0.0.1", recorder.Port(), "", "pw")) return 1;
  WaitFor([&] { return display.Count() >= 10; });
  display.Clear();
  const uint64_t cpu0 = testsupport::ProcessCpuMicroseconds();
  const int64_t wall0 = RecorderStandin::NowUs();
  platform::SleepMs(static_cast<uint32_t>(seconds * 1000));
  const uint64_t cpu1 = testsupport::ProcessCpuMicroseconds();
  const int64_t wall1 = RecorderStandin::NowUs();
  std::vector<double> latency;
  const std::vector<ShownPicture> shown = display.Shown();
  for (const ShownPicture& s : shown) {
    if (s.counter < 0) continue;
    const int64_t sent = recorder.SentAtUs(static_cast<uint32_t>(s.counter));
    if (sent >= 0 && s.atUs >= sent) latency.push_back((s.atUs - sent) / 1000.0);
  }
  std::printf("live: %zu pictures in %.1f s (%.1f a second), %zu bytes of sound\n", shown.size(),
              (wall1 - wall0) / 1e6, shown.size() / ((wall1 - wall0) / 1e6), sound.Bytes().size());
  std::printf(
      "glass-to-glass latency over %zu pictures: median %.2f ms, 95th percentile %.2f ms, "
      "max %.2f ms\n",
      latency.size(), Percentile(latency, 0.5), Percentile(latency, 0.95),
      Percentile(latency, 1.0));
  std::printf("CPU of the process (engine, client and stand-in): %.1f %% of one core\n",
              100.0 * static_cast<double>(cpu1 - cpu0) / static_cast<double>(wall1 - wall0));
  engine.Disconnect();
  recorder.Stop();

  // ServerClose -> notification, a few times.
  std::vector<double> close;
  for (int i = 0; i < 5; ++i) {
    RecorderStandinOptions c = o;
    c.faultSessions = 1;
    c.serverCloseAfterMs = 300;
    RecorderStandin closing(c);
    if (!closing.Listen() || closing.Start() != 1) return 1;
    notes.closedAtUs = -1;
    engine.Connect("127.0.0.1", closing.Port(), "", "pw");
    WaitFor([&] { return notes.closedAtUs.load() >= 0; }, 5000);
    const int64_t sent = closing.Snapshot().serverCloseAtUs;
    if (sent >= 0 && notes.closedAtUs.load() >= sent)
      close.push_back((notes.closedAtUs.load() - sent) / 1000.0);
    engine.Disconnect();
    closing.Stop();
  }
  std::printf("ServerClose -> notification over %zu runs: median %.2f ms, max %.2f ms\n",
              close.size(), Percentile(close, 0.5), Percentile(close, 1.0));
  return 0;
}
