// The display window drawn for real: panes of known colours in every split
// mode, the logo in panes without a picture and the caption bar, on the GDI
// path and on the DirectDraw path.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "display/pixel_convert.h"
#include "tests/display_window/display_window_fixture.h"

namespace marlow {
namespace test {
namespace {

enum class Path { Gdi, DirectDraw };

class DisplayPathTest : public DisplayWindowTest, public ::testing::WithParamInterface<Path> {
 protected:
  void SetUp() override {
    DisplayWindowTest::SetUp();
    if (GetParam() == Path::DirectDraw) {
      display_->SetDirectDraw(1);
      // The X server's 32-bit display passes the hardware check; a failure
      // would have left a notice and GDI in charge.
      ASSERT_EQ(1, display_->DirectDrawActive()) << display_->LastError();
      EXPECT_TRUE(notices_.texts.empty());
    } else {
      ASSERT_EQ(0, display_->DirectDrawActive());
    }
  }
};

TEST_P(DisplayPathTest, EverySplitModeShowsEachChannelInItsPane) {
  display_->SetChannelCount(16);
  ShowAll(16);
  for (int mode : {1, 4, 9, 16}) {
    ASSERT_EQ(1, display_->SelectLayout(mode, 0));
    const Grab grab = GrabDisplay();
    const int g = mode == 1 ? 1 : mode == 4 ? 2 : mode == 9 ? 3 : 4;
    for (int channel = 0; channel < mode; ++channel) {
      const PaneRect pane = display_->Pane(channel);
      EXPECT_EQ(kWidth / g, pane.Width());
      EXPECT_EQ(kHeight / g, pane.Height());
      EXPECT_EQ((channel % g) * (kWidth / g), pane.left);
      const POINT p = Probe(pane);
      EXPECT_EQ(Expected(channel), grab.At(p.x, p.y)) << "mode " << mode << " channel " << channel;
      // The whole pane is the picture: corners too (captions are off).
      EXPECT_EQ(Expected(channel), grab.At(pane.left + 1, pane.top + 1));
      EXPECT_EQ(Expected(channel), grab.At(pane.right - 2, pane.bottom - 2));
    }
  }
  // The next page of 4 panes shows channels 4..7 in the same cells.
  ASSERT_EQ(1, display_->SelectLayout(4, 0));
  ASSERT_EQ(1, display_->SelectLayout(4, -1));
  EXPECT_EQ(1, display_->Page());
  const Grab grab = GrabDisplay();
  for (int channel = 4; channel < 8; ++channel) {
    const POINT p = Probe(display_->Pane(channel));
    EXPECT_EQ(Expected(channel), grab.At(p.x, p.y)) << channel;
  }
}

TEST_P(DisplayPathTest, PicturesArriveIntoTheCurrentLayout) {
  display_->SetChannelCount(9);
  ASSERT_EQ(1, display_->SelectLayout(9, 0));
  ShowAll(9);
  const Grab grab = GrabDisplay();
  for (int channel = 0; channel < 9; ++channel) {
    const POINT p = Probe(display_->Pane(channel));
    EXPECT_EQ(Expected(channel), grab.At(p.x, p.y)) << channel;
  }
  // A channel not on the page is stored but not drawn over the others.
  display_->SetChannelCount(16);
  EXPECT_EQ(1, ShowChannel(12));
  const Grab after = GrabDisplay();
  const POINT p = Probe(display_->Pane(3));
  EXPECT_EQ(Expected(3), after.At(p.x, p.y));
}

TEST_P(DisplayPathTest, EmptyPanesShowTheBuiltInLogo) {
  ASSERT_EQ(1, display_->LoadLogo(kDisplayLogoResource));
  EXPECT_EQ(120, display_->LogoWidth());
  EXPECT_EQ(72, display_->LogoHeight());
  display_->SetChannelCount(4);
  ASSERT_EQ(1, display_->SelectLayout(4, 0));
  display_->ClearPictures();
  ASSERT_EQ(1, ShowChannel(0));
  const Grab grab = GrabDisplay();
  // The logo's centre is its bright lens highlight; it sits in the middle
  // of every empty pane, and the pane around it is dark.
  const Rgb shine{230, 240, 255};
  for (int channel = 1; channel < 4; ++channel) {
    const PaneRect pane = display_->Pane(channel);
    const int cx = pane.left + (pane.Width() - 120) / 2 + 60;
    const int cy = pane.top + (pane.Height() - 72) / 2 + 36;
    EXPECT_EQ(shine, grab.At(cx, cy)) << channel;
    const Rgb corner = grab.At(pane.left + 3, pane.bottom - 3);
    EXPECT_LT(corner.r + corner.g + corner.b, 3 * 16) << channel << " " << corner;
  }
  const POINT p = Probe(display_->Pane(0));
  EXPECT_EQ(Expected(0), grab.At(p.x, p.y));

  // Forgetting the pictures brings the logo back to pane 0 too.
  display_->ClearPictures();
  const Grab cleared = GrabDisplay();
  const PaneRect pane = display_->Pane(0);
  EXPECT_EQ(shine, cleared.At(pane.left + (pane.Width() - 120) / 2 + 60,
                              pane.top + (pane.Height() - 72) / 2 + 36));
}

TEST_P(DisplayPathTest, CaptionBarShowsOnlyWhenEnabled) {
  display_->SetChannelCount(4);
  ASSERT_EQ(1, display_->SelectLayout(4, 0));
  ShowAll(4);
  const PaneRect pane = display_->Pane(1);
  const PaneRect bar{pane.left, pane.top, pane.left + pane.Width(), pane.top + kCaptionBarHeight};
  const PaneRect bottomBar{pane.left, pane.bottom - kCaptionBarHeight, pane.right, pane.bottom};

  Grab grab = GrabDisplay();
  EXPECT_EQ(0, grab.CountDifferent(bar, Expected(1)));

  display_->SetCaptionEnabled(1);
  ShowChannel(1);
  grab = GrabDisplay();
  const int withTime = grab.CountDifferent(bar, Expected(1));
  EXPECT_GT(withTime, 50);
  EXPECT_EQ(0, grab.CountDifferent(bottomBar, Expected(1)));
  // The rest of the pane stays the picture.
  EXPECT_EQ(0, grab.CountDifferent(
                   PaneRect{pane.left, pane.top + kCaptionBarHeight + 2, pane.right, pane.bottom},
                   Expected(1)));

  // Without the time the caption is just "CH2 ": far fewer text pixels.
  display_->SetShowTime(0);
  ShowChannel(1);
  grab = GrabDisplay();
  const int nameOnly = grab.CountDifferent(bar, Expected(1));
  EXPECT_GT(nameOnly, 10);
  EXPECT_LT(nameOnly * 2, withTime);

  // At the bottom of the pane.
  display_->SetCaptionPosition(1);
  ShowChannel(1);
  grab = GrabDisplay();
  EXPECT_EQ(0, grab.CountDifferent(bar, Expected(1)));
  EXPECT_GT(grab.CountDifferent(bottomBar, Expected(1)), 10);

  display_->SetCaptionEnabled(0);
  ShowChannel(1);
  grab = GrabDisplay();
  EXPECT_EQ(0, grab.CountDifferent(bottomBar, Expected(1)));
}

TEST_P(DisplayPathTest, RepaintComesFromTheStoredPictures) {
  display_->SetChannelCount(4);
  ASSERT_EQ(1, display_->SelectLayout(4, 0));
  ShowAll(4);
  // Paint over the window, then let it repaint itself.
  HDC dc = GetDC(display_->Window());
  RECT all = {0, 0, kWidth, kHeight};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  ReleaseDC(display_->Window(), dc);
  InvalidateRect(display_->Window(), nullptr, FALSE);
  UpdateWindow(display_->Window());
  const Grab grab = GrabDisplay();
  for (int channel = 0; channel < 4; ++channel) {
    const POINT p = Probe(display_->Pane(channel));
    EXPECT_EQ(Expected(channel), grab.At(p.x, p.y)) << channel;
  }
}

TEST_P(DisplayPathTest, ResizingKeepsPanesFilled) {
  display_->SetChannelCount(4);
  ASSERT_EQ(1, display_->SelectLayout(4, 0));
  ShowAll(4);
  MoveWindow(display_->Window(), 0, 0, 400, 300, TRUE);
  const Grab grab = GrabDisplay();
  EXPECT_EQ(200, display_->Pane(1).Width());
  EXPECT_EQ(150, display_->Pane(3).Height());
  for (int channel = 0; channel < 4; ++channel) {
    const POINT p = Probe(display_->Pane(channel));
    EXPECT_EQ(Expected(channel), grab.At(p.x, p.y)) << channel;
  }
  EXPECT_EQ(GetParam() == Path::DirectDraw ? 1 : 0, display_->DirectDrawActive());
}

// Pictures that change band by band (as update pictures do), two channels
// interleaved through the one conversion target and one channel alone, and
// a size change told as a one-band change: the window must show what
// converting every picture whole with the reference shows.
TEST_P(DisplayPathTest, ChangedBandsShowAsWholePicturesWould) {
  display_->SetChannelCount(4);
  ASSERT_EQ(1, display_->SelectLayout(4, 0));
  uint32_t seed = 99;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  auto fillBand = [&](std::vector<uint8_t>& p, int height, int band) {
    const int w = 640;
    const uint8_t base = static_cast<uint8_t>(next());
    for (int y = band * 16; y < band * 16 + 16 && y < height; ++y) {
      for (int x = 0; x < w; ++x) p[y * w + x] = static_cast<uint8_t>(base + x / 5 + y);
      uint8_t* cb = p.data() + w * height + (y / 2) * (w / 2);
      for (int x = 0; x < w / 2; ++x) {
        cb[x] = static_cast<uint8_t>(base ^ (x / 9));
        cb[x + w * height / 4] = static_cast<uint8_t>(base + 3 * (x / 7));
      }
    }
  };
  std::vector<uint8_t> planes[2];
  int heights[2] = {224, 224};
  const TimeRecord time = {};
  for (int c = 0; c < 2; ++c) {
    planes[c].assign(640 * 272 * 3 / 2, 0);
    for (int band = 0; band < 17; ++band) fillBand(planes[c], heights[c], band);
    ASSERT_EQ(1, display_->Show(c, time, planes[c].data(), 640, heights[c]));
  }
  for (int step = 0; step < 60; ++step) {
    const int c = step < 20 ? 0 : static_cast<int>(next() % 2);
    if (step == 40) {
      // A new size is a new picture, whatever the bands say.
      heights[1] = 272;
      for (int band = 0; band < 17; ++band) fillBand(planes[1], heights[1], band);
      ASSERT_EQ(1, display_->Show(1, time, planes[1].data(), 640, heights[1], 1u << 3));
      continue;
    }
    uint32_t bands = 0;
    for (int k = static_cast<int>(next() % 3); k >= 0; --k) {
      const int band = static_cast<int>(next() % static_cast<uint32_t>(heights[c] / 16));
      fillBand(planes[c], heights[c], band);
      bands |= 1u << band;
    }
    ASSERT_EQ(1, display_->Show(c, time, planes[c].data(), 640, heights[c], bands));
  }
  const Grab partial = GrabDisplay();
  SetForceReference(true);
  for (int c = 0; c < 2; ++c) {
    ASSERT_EQ(1, display_->Show(c, time, planes[c].data(), 640, heights[c]));
  }
  const Grab whole = GrabDisplay();
  SetForceReference(false);
  int differ = 0;
  for (int y = 0; y < whole.Height(); ++y) {
    for (int x = 0; x < whole.Width(); ++x) differ += partial.At(x, y) != whole.At(x, y);
  }
  EXPECT_EQ(0, differ);
  // The panes show pictures, not the logo or black.
  EXPECT_NE(partial.At(100, 100), partial.At(420, 100));
}

INSTANTIATE_TEST_SUITE_P(Paths, DisplayPathTest, ::testing::Values(Path::Gdi, Path::DirectDraw),
                         [](const ::testing::TestParamInfo<Path>& info) {
                           return info.param == Path::Gdi ? "Gdi" : "DirectDraw";
                         });

}  // namespace
}  // namespace test
}  // namespace marlow
