// A real display window for the tests: a top-level window on the X server
// holding a VideoDisplay child, solid-colour pictures whose conversion gives
// known RGB, and a read-back of what the window shows.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "display/win32_video_display.h"
#include "platform/notice.h"

namespace marlow {
namespace test {

struct Rgb {
  int r = 0, g = 0, b = 0;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
  bool operator!=(const Rgb& o) const { return !(*this == o); }
};
std::ostream& operator<<(std::ostream& out, const Rgb& c);

// A picture of one colour: every Y sample `y`, every chroma pair (cb, cr).
std::vector<uint8_t> SolidPicture(int width, int height, int y, int cb, int cr);
// What the display's converter makes of (y, cb, cr).
Rgb ConvertedColour(int y, int cb, int cr);

// A distinct colour per channel, as (y, cb, cr) and as RGB.
struct ChannelColour {
  int y, cb, cr;
};
ChannelColour ColourOfChannel(int channel);

// Records the notices the display shows instead of message boxes.
class NoticeLog : public platform::NoticeSink {
 public:
  void Notice(const char* text, const char* caption) override;
  std::vector<std::string> texts;
};

// A 32-bit top-down copy of a window's client area.
class Grab {
 public:
  Grab() = default;
  // fromScreen: read the screen at the window's client area instead of the
  // window's own device context. DirectDraw puts its pictures on the screen
  // (the primary surface), which the window's context need not see.
  Grab(HWND window, bool fromScreen);
  Rgb At(int x, int y) const;
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Counts the pixels of the rectangle that differ from `colour`.
  int CountDifferent(const PaneRect& r, const Rgb& colour) const;

 private:
  int width_ = 0, height_ = 0;
  std::vector<uint32_t> pixels_;
};

class DisplayWindowTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 640;
  static constexpr int kHeight = 480;

  void SetUp() override;
  void TearDown() override;

  // Handles every waiting window message.
  void Pump();
  Grab GrabDisplay();
  // Shows a picture of the channel's own colour; returns ShowPicture's result.
  int ShowChannel(int channel, int width = 640, int height = 224, int year = 2024);
  // Shows every channel 0 .. count - 1 in its colour.
  void ShowAll(int count);
  Rgb Expected(int channel) const;
  // The centre of the lower half of a pane: clear of the caption bar.
  static POINT Probe(const PaneRect& pane);

  HANDLE screen_ = nullptr;
  HWND parent_ = nullptr;
  std::unique_ptr<VideoDisplay> display_;
  NoticeLog notices_;
  platform::NoticeSink* previousSink_ = nullptr;
};

}  // namespace test
}  // namespace marlow
