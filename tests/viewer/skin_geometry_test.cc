#include "viewer/skin/skin_geometry.h"

#include <gtest/gtest.h>

namespace marlow::viewer {
namespace {

TEST(SkinGeometry, BackgroundCornersAndEdgesOfA40By30BitmapOnA200By100Client) {
  BackgroundPiece p[kBackgroundPieces];
  ComposeBackground(40, 30, 200, 100, p);
  // Corners: 20 x 15, unscaled, from the bitmap's quarters.
  EXPECT_EQ(p[0].dest, (SkinRect{0, 0, 20, 15}));
  EXPECT_EQ(p[1].dest, (SkinRect{179, 0, 20, 15}));
  EXPECT_EQ(p[2].dest, (SkinRect{0, 84, 20, 15}));
  EXPECT_EQ(p[3].dest, (SkinRect{179, 84, 20, 15}));
  EXPECT_EQ(p[3].source, (SkinRect{20, 15, 20, 15}));
  // Edges: bottom, top, left, right, stretched from strips a tenth wide.
  EXPECT_EQ(p[4].dest, (SkinRect{20, 84, 160, 15}));
  EXPECT_EQ(p[5].dest, (SkinRect{20, 0, 160, 15}));
  EXPECT_EQ(p[5].source, (SkinRect{20, 0, 4, 15}));
  EXPECT_EQ(p[6].dest, (SkinRect{0, 15, 20, 70}));
  EXPECT_EQ(p[6].source, (SkinRect{0, 15, 20, 3}));
  EXPECT_EQ(p[7].dest, (SkinRect{179, 15, 20, 70}));
}

TEST(SkinGeometry, SliderThumbCentreAndPixelToPosition) {
  SliderGeometry g;
  g.width = 100;
  g.leftMargin = 4;
  g.rightMargin = 4;
  g.thumbWidth = 10;
  g.min = 0;
  g.max = 65535;
  EXPECT_EQ(SliderUsableLength(g), 82);
  EXPECT_EQ(SliderThumbCentre(g, 32768), 50);
  EXPECT_EQ(SliderThumbCentre(g, 0), 9);
  EXPECT_EQ(SliderThumbCentre(g, 65535), 91);
  // Pixels clamp to the travel; the ends give the ends of the range.
  EXPECT_EQ(SliderPositionAtPixel(g, -50), 0);
  EXPECT_EQ(SliderPositionAtPixel(g, 9), 0);
  EXPECT_EQ(SliderPositionAtPixel(g, 91), 65535);
  EXPECT_EQ(SliderPositionAtPixel(g, 500), 65535);
  // Every pixel of the travel gives a value whose thumb sits on that pixel
  // or one to the left (both directions truncate), and values never go back.
  int last = -1;
  for (int x = 9; x <= 91; ++x) {
    const int value = SliderPositionAtPixel(g, x);
    EXPECT_GE(value, last);
    const int centre = SliderThumbCentre(g, value);
    EXPECT_TRUE(centre == x || centre == x - 1) << x;
    last = value;
  }
}

TEST(SkinGeometry, SliderDegenerateRangesAndTracks) {
  SliderGeometry g;
  g.width = 100;
  g.thumbWidth = 10;
  g.min = 5;
  g.max = 5;
  EXPECT_EQ(SliderPositionAtPixel(g, 60), 5);
  // A range that is not positive places the thumb by the unscaled offset.
  g.max = 2;
  EXPECT_EQ(SliderThumbCentre(g, 8), 3 + 5);
  // A thumb wider than the track: no travel, the start, no division by zero.
  g.max = 100;
  g.thumbWidth = 120;
  EXPECT_EQ(SliderPositionAtPixel(g, 60), 5);
  EXPECT_EQ(SliderThumbCentre(g, 50), 60);
  EXPECT_EQ(SliderClampPixel(g, 200), 60);
}

TEST(SkinGeometry, SliderKeysStepAndClamp) {
  EXPECT_EQ(SliderKeyPosition(SliderKey::kPageDown, 90, 0, 100, 20), 100);
  EXPECT_EQ(SliderKeyPosition(SliderKey::kPageUp, 10, 0, 100, 20), 0);
  EXPECT_EQ(SliderKeyPosition(SliderKey::kPageDown, 30, 0, 100, 20), 50);
  EXPECT_EQ(SliderKeyPosition(SliderKey::kHome, 30, 7, 100, 20), 7);
  EXPECT_EQ(SliderKeyPosition(SliderKey::kEnd, 30, 0, 100, 20), 100);
  EXPECT_EQ(SliderKeyPosition(SliderKey::kIncrement, 100, 0, 100, 20), 100);
  EXPECT_EQ(SliderKeyPosition(SliderKey::kDecrement, 0, 0, 100, 20), 0);
  EXPECT_EQ(SliderKeyPosition(SliderKey::kDecrement, 31, 0, 100, 20), 30);
  // No overflow at the ends of int.
  EXPECT_EQ(SliderKeyPosition(SliderKey::kPageDown, 2147483640, 0, 2147483647, 20), 2147483647);
}

TEST(SkinGeometry, ButtonFramesOfStrips) {
  const FrameSize masked = ButtonFrameSize(100, 20, true);
  EXPECT_EQ(masked.width, 20);
  EXPECT_EQ(masked.height, 20);
  const FrameSize plain = ButtonFrameSize(100, 20, false);
  EXPECT_EQ(plain.width, 25);
  EXPECT_EQ(ButtonFrameRect(masked, kFrameMask), (SkinRect{80, 0, 20, 20}));
  EXPECT_EQ(ButtonFrameFor(false, true, true), kFrameDisabled);
  EXPECT_EQ(ButtonFrameFor(true, true, true), kFramePressed);
  EXPECT_EQ(ButtonFrameFor(true, false, true), kFrameHover);
  EXPECT_EQ(ButtonFrameFor(true, false, false), kFrameNormal);
}

TEST(SkinGeometry, StatusStripAddressing) {
  const int rows[] = {64, 64, 16, 32, 16, 32, 48, 80, 0, 0};
  for (int state = 0; state < 10; ++state) EXPECT_EQ(StatusStateIconRow(state), rows[state]);
  EXPECT_EQ(StatusStateIconRow(-1), 0);
  EXPECT_EQ(StatusConnectionSource(3), (SkinRect{16, 48, 102, 16}));
  EXPECT_EQ(StatusConnectionSource(9), (SkinRect{16, 0, 102, 16}));
  EXPECT_EQ(StatusChannelSource(2, 3), (SkinRect{176, 16, 24, 16}));
  EXPECT_EQ(StatusChannelSource(2, 1), (SkinRect{176, 0, 24, 16}));
  EXPECT_EQ(StatusChannelDest(2), (SkinRect{160, 0, 24, 16}));
  EXPECT_EQ(StatusAudioSource(3), (SkinRect{356, 16, 21, 16}));
  EXPECT_EQ(StatusAudioDest(), (SkinRect{340, 0, 21, 16}));
  // Every picture the status line addresses lies inside the strip.
  for (int ch = 0; ch < 16; ++ch) {
    const SkinRect r = StatusChannelSource(ch, 3);
    EXPECT_LE(r.x + r.width, kStatusStripWidth);
  }
  EXPECT_LE(StatusConnectionSource(6).y + 16, kStatusStripHeight);
}

}  // namespace
}  // namespace marlow::viewer
