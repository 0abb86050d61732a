// Layout requests, double clicks, picture sizes and odd window sizes on a
// real display window.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/display_window/display_window_fixture.h"

namespace marlow {
namespace test {
namespace {

using DisplayEdgeTest = DisplayWindowTest;

void DoubleClick(HWND window, const PaneRect& pane) {
  const int x = (pane.left + pane.right) / 2;
  const int y = (pane.top + pane.bottom) / 2;
  SendMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(x, y));
}

TEST_F(DisplayEdgeTest, DefaultsBeforeAnySetting) {
  EXPECT_EQ(1, display_->ChannelCount());
  EXPECT_EQ(1, display_->SplitMode());
  EXPECT_EQ(0, display_->SingleChannel());
  EXPECT_EQ(1, display_->ShowTime());
  EXPECT_EQ(0, display_->CaptionEnabled());
  EXPECT_EQ(0, display_->DirectDrawOption());
  EXPECT_EQ(0, display_->DirectDrawActive());
  EXPECT_EQ("%Y/%m/%d %H:%M:%S", display_->TimeFormat());
  EXPECT_EQ("", display_->LastError());
  // Without any picture the single pane shows black (no logo loaded yet).
  const Grab grab = GrabDisplay();
  EXPECT_EQ((Rgb{0, 0, 0}), grab.At(kWidth / 2, kHeight / 2));
}

TEST_F(DisplayEdgeTest, LayoutRequestsAndPages) {
  display_->SetChannelCount(16);
  ASSERT_EQ(1, display_->SelectLayout(4, 3));
  EXPECT_EQ(1, display_->SelectLayout(4, -1));
  EXPECT_EQ(0, display_->Page());  // page 3 wraps to 0
  EXPECT_EQ(1, display_->SelectLayout(9, -1));
  EXPECT_EQ(9, display_->SplitMode());
  EXPECT_EQ(0, display_->Page());
  EXPECT_EQ(-1, display_->SingleChannel());

  display_->SetChannelCount(4);
  EXPECT_EQ(0, display_->SelectLayout(9, 0));
  EXPECT_EQ(0, display_->SelectLayout(0, 0));
}

TEST_F(DisplayEdgeTest, NineChannelsInFourPanesLeaveTheLastPageMostlyEmpty) {
  ASSERT_EQ(1, display_->LoadLogo(kDisplayLogoResource));
  display_->SetChannelCount(9);
  ShowAll(9);
  ASSERT_EQ(1, display_->SelectLayout(4, 2));
  const Grab grab = GrabDisplay();
  EXPECT_TRUE(display_->IsVisible(8));
  EXPECT_EQ(0, display_->Pane(8).left);
  EXPECT_EQ(0, display_->Pane(8).top);
  const POINT p = Probe(display_->Pane(8));
  EXPECT_EQ(Expected(8), grab.At(p.x, p.y));
  for (int channel = 0; channel < 8; ++channel) EXPECT_FALSE(display_->IsVisible(channel));
  // The three cells without a channel are empty, not left over from the
  // page shown before.
  const Rgb black{0, 0, 0};
  EXPECT_EQ(black, grab.At(kWidth * 3 / 4, kHeight / 4));
  EXPECT_EQ(black, grab.At(kWidth / 4, kHeight * 3 / 4));
  EXPECT_EQ(black, grab.At(kWidth * 3 / 4, kHeight * 3 / 4));
}

TEST_F(DisplayEdgeTest, DoubleClickShowsOneChannelAndBack) {
  display_->SetChannelCount(16);
  ShowAll(16);
  ASSERT_EQ(1, display_->SelectLayout(4, 1));
  DoubleClick(display_->Window(), display_->Pane(6));
  EXPECT_EQ(1, display_->SplitMode());
  EXPECT_EQ(6, display_->SingleChannel());
  Grab grab = GrabDisplay();
  EXPECT_EQ(Expected(6), grab.At(10, kHeight - 10));
  EXPECT_EQ(Expected(6), grab.At(kWidth - 10, kHeight / 2));

  DoubleClick(display_->Window(), display_->Pane(6));
  EXPECT_EQ(4, display_->SplitMode());
  EXPECT_EQ(1, display_->Page());
  grab = GrabDisplay();
  for (int channel = 4; channel < 8; ++channel) {
    const POINT p = Probe(display_->Pane(channel));
    EXPECT_EQ(Expected(channel), grab.At(p.x, p.y)) << channel;
  }
}

TEST_F(DisplayEdgeTest, PictureSizesAndChannelsAreChecked) {
  display_->SetChannelCount(2);
  EXPECT_EQ(0, ShowChannel(2));
  EXPECT_EQ(0, ShowChannel(-1));
  EXPECT_EQ(0, ShowChannel(0, 352, 240));
  EXPECT_EQ(0, ShowChannel(0, 640, 480));
  EXPECT_EQ(0, ShowChannel(0, 320, 240));
  for (int height : {112, 136, 224, 272}) {
    EXPECT_EQ(1, ShowChannel(0, 640, height)) << height;
  }
  // A small picture is stretched over the whole pane.
  EXPECT_EQ(1, ShowChannel(0, 320, 112));
  const Grab grab = GrabDisplay();
  EXPECT_EQ(Expected(0), grab.At(1, 1));
  EXPECT_EQ(Expected(0), grab.At(kWidth - 2, kHeight - 2));
  EXPECT_EQ(Expected(0), grab.At(kWidth / 2, kHeight / 2));
}

TEST_F(DisplayEdgeTest, RejectedPictureLeavesTheStoredOne) {
  ShowChannel(0);
  // A 352 x 240 picture of another colour is refused, so a repaint still
  // shows channel 0's own picture.
  const std::vector<uint8_t> other = SolidPicture(352, 240, 200, 30, 30);
  TimeRecord time = {};
  EXPECT_EQ(0, display_->Show(0, time, other.data(), 352, 240));
  display_->Redraw();
  const Grab grab = GrabDisplay();
  EXPECT_EQ(Expected(0), grab.At(kWidth / 2, kHeight / 2));
}

TEST_F(DisplayEdgeTest, TinyWindowDrawsNothingAndFailsNothing) {
  display_->SetChannelCount(16);
  ASSERT_EQ(1, display_->SelectLayout(16, 0));
  MoveWindow(display_->Window(), 0, 0, 2, 100, TRUE);
  Pump();
  EXPECT_EQ(0, display_->Pane(5).Width());
  display_->SetCaptionEnabled(1);
  EXPECT_EQ(1, ShowChannel(5));
  EXPECT_EQ(1, display_->Redraw());

  display_->SetDirectDraw(1);
  EXPECT_EQ(1, ShowChannel(5));
  EXPECT_EQ(1, display_->Redraw());
}

TEST_F(DisplayEdgeTest, DirectDrawSwitchesOffBackToGdi) {
  display_->SetDirectDraw(1);
  ASSERT_EQ(1, display_->DirectDrawActive()) << display_->LastError();
  EXPECT_EQ(1, display_->DirectDrawOption());
  ShowChannel(0);
  display_->SetDirectDraw(0);
  EXPECT_EQ(0, display_->DirectDrawActive());
  EXPECT_EQ(0, display_->DirectDrawOption());
  const Grab grab = GrabDisplay();
  EXPECT_EQ(Expected(0), grab.At(kWidth / 2, kHeight / 2));
  // And on again: the option re-arms the set-up.
  display_->SetDirectDraw(1);
  EXPECT_EQ(1, display_->DirectDrawActive()) << display_->LastError();
}

TEST_F(DisplayEdgeTest, CaptionColoursAvoidTheTransparentKey) {
  display_->SetDirectDraw(1);
  display_->SetCaptionEnabled(1);
  // Black text would vanish under the colour key; it is drawn as RGB(5, 5, 5).
  display_->SetCaptionTextColour(0);
  display_->SetCaptionOutlineColour(0);
  display_->SetCaptionFont(18, 0, 700, 0, "Arial");
  ShowChannel(0);
  const Grab grab = GrabDisplay();
  const PaneRect bar{0, 0, kCaptionBarMaxWidth, kCaptionBarHeight};
  int nearBlack = 0;
  for (int y = bar.top; y < bar.bottom; ++y) {
    for (int x = bar.left; x < bar.right; ++x) nearBlack += grab.At(x, y) == (Rgb{5, 5, 5});
  }
  EXPECT_GT(nearBlack, 20);
}

TEST_F(DisplayEdgeTest, LogoFromFileAndBadFiles) {
  EXPECT_EQ(0, display_->LoadLogoFile("no-such-logo.bmp"));
  EXPECT_EQ(0, display_->LogoWidth());
  // A 16 x 8 logo of one colour, written by hand.
  const int w = 16, h = 8;
  std::vector<uint8_t> file(54 + w * h * 3, 0);
  auto put32 = [&](int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, static_cast<uint32_t>(file.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, w);
  put32(22, h);
  file[26] = 1;
  file[28] = 24;
  for (int i = 54; i + 2 < static_cast<int>(file.size()); i += 3) {
    file[i] = 40;       // B
    file[i + 1] = 180;  // G
    file[i + 2] = 90;   // R
  }
  const char* path = "display_test_logo.bmp";
  FILE* f = fopen(path, "wb");
  ASSERT_NE(nullptr, f);
  fwrite(file.data(), 1, file.size(), f);
  fclose(f);
  ASSERT_EQ(1, display_->LoadLogoFile(path));
  EXPECT_EQ(16, display_->LogoWidth());
  EXPECT_EQ(8, display_->LogoHeight());
  const Grab grab = GrabDisplay();
  EXPECT_EQ((Rgb{90, 180, 40}), grab.At(kWidth / 2, kHeight / 2));
  EXPECT_EQ((Rgb{0, 0, 0}), grab.At(kWidth / 2 - 9, kHeight / 2));
  DeleteFileA(path);
}

TEST_F(DisplayEdgeTest, PicturesFromAnotherThreadWhileLayoutsChange) {
  display_->SetChannelCount(16);
  display_->SetDirectDraw(1);
  display_->SetCaptionEnabled(1);
  std::atomic<bool> stop{false};
  std::atomic<int> shown{0};
  std::thread engine([&] {
    const std::vector<uint8_t> planes = SolidPicture(640, 224, 120, 60, 200);
    TimeRecord time = {};
    time.year = 2024;
    for (int i = 0; !stop.load(); ++i) {
      shown += display_->Show(i % 16, time, planes.data(), 640, 224);
    }
  });
  for (int round = 0; round < 40; ++round) {
    display_->SelectLayout(round % 3 == 0 ? 16 : round % 3 == 1 ? 4 : 1, -1);
    if (round == 20) display_->SetDirectDraw(0);
    Pump();
  }
  stop = true;
  engine.join();
  EXPECT_GT(shown.load(), 0);
  ASSERT_EQ(1, display_->SelectLayout(16, 0));
  const Grab grab = GrabDisplay();
  const Rgb expected = ConvertedColour(120, 60, 200);
  for (int channel = 0; channel < 16; ++channel) {
    const POINT p = Probe(display_->Pane(channel));
    EXPECT_EQ(expected, grab.At(p.x, p.y)) << channel;
  }
}

}  // namespace
}  // namespace test
}  // namespace marlow
