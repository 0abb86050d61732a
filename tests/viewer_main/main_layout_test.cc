// Where Relayout puts the controls for a window size, mode and channel count.
#include <gtest/gtest.h>

#include "viewer/main_layout.h"
#include "viewer/resources/viewer_resource.h"

namespace marlow::viewer {
namespace {

const LayoutRow& Row(int control) {
  for (const LayoutRow& r : kControlLayout) {
    if (r.control == control) return r;
  }
  static LayoutRow none{};
  ADD_FAILURE() << "no row for " << control;
  return none;
}

Placement Place(int control, int mode, int channels, int w, int h) {
  return PlaceRow(Row(control), mode, channels, w, h);
}

TEST(MainLayout, DefaultWindowPlacesEveryAnchorKind) {
  // 640 x 448 video: a 645 x 588 window.
  const int w = WindowWidthFor(640), h = WindowHeightFor(448);
  ASSERT_EQ(w, 645);
  ASSERT_EQ(h, 588);
  EXPECT_EQ(CentredOrigin(1280, w), 317);
  EXPECT_EQ(CentredOrigin(1024, h), 218);

  Placement p = Place(IDC_WINDOW_ICON, 1, 4, w, h);
  EXPECT_TRUE(p.show && p.move && !p.resize);
  EXPECT_EQ(p.x, 12);
  EXPECT_EQ(p.y, 4);
  p = Place(IDC_CLOSE, 1, 4, w, h);  // top-right
  EXPECT_EQ(p.x, 584 + 37);
  EXPECT_EQ(p.y, 6);
  p = Place(ID_PLAY, 1, 4, w, h);  // bottom-left
  EXPECT_EQ(p.x, 204);
  EXPECT_EQ(p.y, 262 + 288);
  p = Place(IDC_VOLUME_SLIDER, 1, 4, w, h);  // bottom-right
  EXPECT_TRUE(p.show);
  EXPECT_EQ(p.x, 532 + 37);
  EXPECT_EQ(p.y, 229 + 288);
  p = Place(IDC_STATUS_LINE, 1, 4, w, h);
  EXPECT_TRUE(p.resize && !p.keepHeight);
  EXPECT_EQ(p.x, 13);
  EXPECT_EQ(p.y, 588 - 74);
  EXPECT_EQ(p.width, 645 - 116);
  EXPECT_EQ(p.height, 17);
  p = Place(IDC_POSITION_SLIDER, 1, 4, w, h);
  EXPECT_TRUE(p.resize && p.keepHeight);
  EXPECT_EQ(p.y, 588 - 52);
  EXPECT_EQ(p.width, 645 - 26);
}

TEST(MainLayout, ModesShowTheirOwnRows) {
  EXPECT_TRUE(Place(ID_PLAY, 1, 4, 645, 588).show);
  EXPECT_FALSE(Place(ID_PLAY, 2, 4, 645, 588).show);
  EXPECT_FALSE(Place(IDC_POSITION_SLIDER, 2, 4, 645, 588).show);
  EXPECT_TRUE(Place(ID_DVR_SELECT, 2, 4, 645, 588).show);
  EXPECT_FALSE(Place(ID_DVR_SELECT, 1, 4, 645, 588).show);
  EXPECT_TRUE(Place(IDC_STATUS_LINE, 2, 4, 645, 588).show);
  int player = 0, live = 0;
  for (const LayoutRow& r : kControlLayout) {
    player += PlaceRow(r, 1, 16, 645, 588).show;
    live += PlaceRow(r, 2, 16, 645, 588).show;
  }
  EXPECT_EQ(player, 23);
  EXPECT_EQ(live, 25);
}

TEST(MainLayout, SplitButtonsFollowTheChannelCount) {
  struct Case {
    int channels;
    bool nine, sixteen;
  } cases[] = {{4, false, false}, {1, false, false}, {5, true, false},
               {9, true, false},  {15, true, false}, {16, true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.channels);
    EXPECT_TRUE(Place(ID_SPLIT4, 1, c.channels, 645, 588).show);
    EXPECT_EQ(Place(ID_SPLIT9, 1, c.channels, 645, 588).show, c.nine);
    EXPECT_EQ(Place(ID_SPLIT16, 1, c.channels, 645, 588).show, c.sixteen);
  }
}

TEST(MainLayout, VolumeRowsNeedWidthAboveTheModesThreshold) {
  for (int control : {ID_MUTE, IDC_VOLUME_SLIDER}) {
    EXPECT_TRUE(Place(control, 1, 4, 600, 486).show);
    EXPECT_FALSE(Place(control, 2, 4, 600, 486).show);
    EXPECT_TRUE(Place(control, 1, 4, 518, 486).show);
    EXPECT_FALSE(Place(control, 1, 4, 517, 486).show);
    EXPECT_FALSE(Place(control, 2, 4, 635, 486).show);
    EXPECT_TRUE(Place(control, 2, 4, 636, 486).show);
  }
}

TEST(MainLayout, ResizeDragIsClampedAndStartsInTheGrip) {
  int w = 0, h = 0;
  ClampResizeDrag(390, 290, 10, 10, &w, &h);
  EXPECT_EQ(w, 578);
  EXPECT_EQ(h, 486);
  ClampResizeDrag(700, 300, 5, 6, &w, &h);
  EXPECT_EQ(w, 705);
  EXPECT_EQ(h, 486);
  EXPECT_TRUE(InResizeGrip(640, 580, 645, 588));
  EXPECT_FALSE(InResizeGrip(629, 580, 645, 588));  // x = width - 16 is outside
  EXPECT_FALSE(InResizeGrip(640, 572, 645, 588));
}

}  // namespace
}  // namespace marlow::viewer
