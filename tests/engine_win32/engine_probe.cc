// End-to-end play under Wine: a made 4-channel recording with sound plays
// through the real engine, the real display window (GDI) and the real wave
// output device.
//   engine_probe play          plays, checks each pane's pixels against the
//                              last picture of its channel and that Close
//                              returns within 200 ms while sound plays
//   engine_probe show N MS     plays a made N-channel recording in N panes
//                              for MS milliseconds (for a screenshot)
//   engine_probe check FILE    checks a recording of what the device played
//                              (16-bit mono, 8000 Hz): the 440 Hz tone of the
//                              recording is heard for at least a second
// Run by play_and_record.sh, which records the device's sound sink.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "display/audio_output.h"
#include "display/pixel_convert.h"
#include "display/win32_video_display.h"
#include "engine/playback_engine.h"
#include "tests/audio/tone_analysis.h"
#include "tools/makekvr/recording_maker.h"

namespace {

using namespace marlow;

constexpr int kWidth = 640, kHeight = 544, kChannels = 4;
constexpr size_t kPicture = 640 * 272 * 3 / 2;

// Passes every picture on to the display and keeps a copy of the last one
// of each channel, so the test knows what each pane must show.
class Tap final : public PictureSink {
 public:
  explicit Tap(VideoDisplay& display) : display_(display), last_(kChannels * kPicture) {}
  void ShowPicture(int channel, const TimeRecord& time, const uint8_t* planes, int width,
                   int height) override {
    if (channel >= 0 && channel < kChannels && width == 640 && height == 272) {
      std::lock_guard<std::mutex> lock(mutex_);
      std::memcpy(&last_[static_cast<size_t>(channel) * kPicture], planes, kPicture);
      ++shown_[channel];
    }
    display_.ShowPicture(channel, time, planes, width, height);
  }
  void SetChannelCount(int count) override { display_.SetChannelCount(count); }
  void SetCaptionEnabled(int on) override { display_.SetCaptionEnabled(on); }
  void SetDirectDraw(int on) override { display_.SetDirectDraw(on); }
  void ClearPictures() override { display_.ClearPictures(); }
  int SingleChannel() const override { return display_.SingleChannel(); }

  // Average colour of the middle half of the last picture of channel.
  void Average(int channel, double rgb[3]) {
    std::vector<uint8_t> xrgb(640 * 272 * 4);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ConvertPicture(PixelFormat::Xrgb32, xrgb.data(), 640 * 4,
                     &last_[static_cast<size_t>(channel) * kPicture], 640, 272);
    }
    double sum[3] = {0, 0, 0};
    int n = 0;
    for (int y = 272 / 4; y < 272 * 3 / 4; ++y) {
      for (int x = 640 / 4; x < 640 * 3 / 4; ++x, ++n) {
        const uint8_t* p = &xrgb[(static_cast<size_t>(y) * 640 + x) * 4];
        sum[0] += p[2];
        sum[1] += p[1];
        sum[2] += p[0];
      }
    }
    for (int i = 0; i < 3; ++i) rgb[i] = sum[i] / n;
  }
  int Shown(int channel) {
    std::lock_guard<std::mutex> lock(mutex_);
    return shown_[channel];
  }

 private:
  VideoDisplay& display_;
  std::mutex mutex_;
  std::vector<uint8_t> last_;
  int shown_[kChannels] = {};
};

void Pump(DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
    Sleep(5);
  } while (GetTickCount() - start < ms);
}

// Average colour of the middle half of a pane, read back from the window.
void PaneAverage(HWND window, const PaneRect& pane, double rgb[3]) {
  const int w = pane.Width(), h = pane.Height();
  BITMAPINFO info;
  std::memset(&info, 0, sizeof info);
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC dc = GetDC(window);
  HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, section);
  BitBlt(memory, 0, 0, w, h, dc, pane.left, pane.top, SRCCOPY);
  GdiFlush();
  double sum[3] = {0, 0, 0};
  int n = 0;
  for (int y = h / 4; y < h * 3 / 4; ++y) {
    for (int x = w / 4; x < w * 3 / 4; ++x, ++n) {
      const uint32_t p = static_cast<const uint32_t*>(bits)[static_cast<size_t>(y) * w + x];
      sum[0] += (p >> 16) & 0xFF;
      sum[1] += (p >> 8) & 0xFF;
      sum[2] += p & 0xFF;
    }
  }
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(section);
  ReleaseDC(window, dc);
  for (int i = 0; i < 3; ++i) rgb[i] = n ? sum[i] / n : 0;
}

double Distance(const double a[3], const double b[3]) {
  return std::fabs(a[0] - b[0]) + std::fabs(a[1] - b[1]) + std::fabs(a[2] - b[2]);
}

int Play(int channels, DWORD holdMs) {
  // The recording: 4 cameras, 5 pictures a second each, the test tone.
  RecordingPlan plan;
  plan.channels = channels;
  plan.seconds = 8;
  plan.picturesPerSecond = 5;
  plan.sound = TestSound::kTone;
  streamkit::StreamBuilder builder;
  RecordingStats stats;
  const char* error = nullptr;
  if (!MakeRecording(plan, &builder, &stats, &error) || !builder.WriteFile("engine_probe.kvr")) {
    std::printf("cannot make the recording: %s\n", error ? error : "write failed");
    return 1;
  }

  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "MarlowEngineProbe";
  RegisterClassA(&wc);
  RECT r = {0, 0, kWidth, kHeight};
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
  HWND top =
      CreateWindowA("MarlowEngineProbe", "engine probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                    r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
  VideoDisplay display;
  if (!top || !display.Create(top, 0, 0, kWidth, kHeight, 100)) {
    std::printf("cannot create the windows\n");
    return 1;
  }
  Tap tap(display);
  AudioOutput audio;
  PlaybackEngine engine(tap, audio);
  engine.Initialize(4, channels);
  engine.SwitchMode(kModePlayer, 4, channels);
  display.SelectLayout(channels, 0);
  if (!engine.OpenAndPlay("engine_probe.kvr", 0)) {
    std::printf("cannot open the recording\n");
    return 1;
  }
  if (holdMs) {
    Pump(holdMs);
    engine.Close();
    DestroyWindow(top);
    return 0;
  }
  Pump(5000);  // Wine's device swallows its first second
  engine.Pause();
  Pump(300);
  display.Redraw();
  Pump(200);

  int failures = 0;
  double want[kChannels][3], got[kChannels][3];
  for (int c = 0; c < kChannels; ++c) {
    tap.Average(c, want[c]);
    PaneAverage(display.Window(), display.Pane(c), got[c]);
    std::printf("CH%d: %d pictures; picture %.0f %.0f %.0f, pane %.0f %.0f %.0f\n", c + 1,
                tap.Shown(c), want[c][0], want[c][1], want[c][2], got[c][0], got[c][1], got[c][2]);
    if (tap.Shown(c) < 5) ++failures;
  }
  for (int c = 0; c < kChannels; ++c) {
    // Each pane shows its own channel's picture, not another's.
    if (Distance(want[c], got[c]) > 24) ++failures;
    for (int o = 0; o < kChannels; ++o) {
      if (o != c && Distance(want[o], got[c]) <= Distance(want[c], got[c])) ++failures;
    }
  }

  // Close while sound plays: the thread must be gone within 200 ms.
  engine.Play(1);
  Pump(800);
  const DWORD t0 = GetTickCount();
  engine.Close();
  const DWORD took = GetTickCount() - t0;
  std::printf("Close took %lu ms\n", static_cast<unsigned long>(took));
  if (took >= 200 || engine.State() != PlayState::Ready) ++failures;
  DestroyWindow(top);
  std::printf("%s\n", failures ? "FAILED" : "ok");
  return failures ? 1 : 0;
}

int Check(const char* path) {
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return 1;
  std::vector<int16_t> samples;
  int16_t buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 2, 4096, f)) > 0)
    samples.insert(samples.end(), buffer, buffer + n);
  std::fclose(f);
  double heard = 0;
  for (const auto& b : testing::FindBursts(samples.data(), samples.size(), 8000, 1500, 150)) {
    std::printf("burst at %.0f ms: %.0f ms sounding, %.1f Hz, amplitude %.0f\n", b.startMs,
                b.soundingMs, b.frequency, b.amplitude);
    if (std::fabs(b.frequency - 440) < 8) heard += b.soundingMs;
  }
  std::printf("440 Hz heard for %.0f ms\n", heard);
  return heard >= 1000 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && !std::strcmp(argv[1], "play")) return Play(kChannels, 0);
  if (argc >= 4 && !std::strcmp(argv[1], "show")) {
    const int n = std::atoi(argv[2]);
    if (n == 1 || n == 4 || n == 9 || n == 16)
      return Play(n, static_cast<DWORD>(std::atoi(argv[3])));
  }
  if (argc >= 3 && !std::strcmp(argv[1], "check")) return Check(argv[2]);
  std::printf("usage: engine_probe play | show 1|4|9|16 MS | check FILE\n");
  return 2;
}
