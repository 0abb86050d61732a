// Pages, panes, layout requests and the double-click rule of the display.
#include <vector>

#include <gtest/gtest.h>

#include "display/display_layout.h"

namespace marlow {
namespace {

std::vector<int> VisibleChannels(const DisplayLayout& layout) {
  std::vector<int> channels;
  for (int ch = 0; ch < kMaxDisplayChannels; ++ch)
    if (layout.IsVisible(ch)) channels.push_back(ch);
  return channels;
}

TEST(DisplayLayout, DefaultsShowChannelOneAlone) {
  DisplayLayout layout;
  layout.SetArea(640, 480);
  EXPECT_EQ(1, layout.ChannelCount());
  EXPECT_EQ(1, layout.SplitMode());
  EXPECT_EQ(0, layout.Page());
  EXPECT_EQ(1, layout.PreviousSplitMode());
  EXPECT_EQ(0, layout.PreviousPage());
  EXPECT_EQ(std::vector<int>{0}, VisibleChannels(layout));
  const PaneRect p = layout.Pane(0);
  EXPECT_EQ(0, p.left);
  EXPECT_EQ(0, p.top);
  EXPECT_EQ(640, p.right);
  EXPECT_EQ(480, p.bottom);
}

TEST(DisplayLayout, SixteenChannelsInFourPanesPageThroughAndWrap) {
  DisplayLayout layout;
  ASSERT_EQ(1, layout.SetChannelCount(16));
  layout.SetArea(800, 600);
  ASSERT_EQ(1, layout.SelectLayout(4, 0));
  EXPECT_EQ(4, layout.PageCount());
  EXPECT_EQ(2, layout.GridSize());
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), VisibleChannels(layout));
  for (int expectedPage : {1, 2, 3, 0}) {
    ASSERT_EQ(1, layout.SelectLayout(4, -1));
    EXPECT_EQ(expectedPage, layout.Page());
  }
  ASSERT_EQ(1, layout.SelectLayout(4, 3));
  EXPECT_EQ((std::vector<int>{12, 13, 14, 15}), VisibleChannels(layout));
  // Channel 13 is cell 1: column 1, row 0 of a 2 x 2 grid of 400 x 300 panes.
  const PaneRect p = layout.Pane(13);
  EXPECT_EQ(400, p.left);
  EXPECT_EQ(0, p.top);
  EXPECT_EQ(800, p.right);
  EXPECT_EQ(300, p.bottom);
  // Another mode with page -1 starts at its page 0.
  ASSERT_EQ(1, layout.SelectLayout(9, -1));
  EXPECT_EQ(9, layout.SplitMode());
  EXPECT_EQ(0, layout.Page());
  EXPECT_EQ(2, layout.PageCount());
}

TEST(DisplayLayout, NineChannelsInFourPanesLeaveEmptyCells) {
  DisplayLayout layout;
  layout.SetChannelCount(9);
  layout.SetArea(640, 480);
  ASSERT_EQ(1, layout.SelectLayout(4, 2));
  EXPECT_EQ(3, layout.PageCount());
  EXPECT_EQ(std::vector<int>{8}, VisibleChannels(layout));
  const PaneRect p = layout.Pane(8);
  EXPECT_EQ(0, p.left);
  EXPECT_EQ(0, p.top);
  EXPECT_EQ(320, p.right);
  EXPECT_EQ(240, p.bottom);
}

TEST(DisplayLayout, ModeOutsideOneToChannelCountIsRefused) {
  DisplayLayout layout;
  layout.SetChannelCount(4);
  ASSERT_EQ(1, layout.SelectLayout(4, 0));
  EXPECT_EQ(0, layout.SelectLayout(9, 0));
  EXPECT_EQ(0, layout.SelectLayout(0, 0));
  EXPECT_EQ(0, layout.SelectLayout(-1, -1));
  EXPECT_EQ(4, layout.SplitMode());
  EXPECT_EQ(0, layout.Page());
  EXPECT_EQ(0, layout.SetChannelCount(0));
  EXPECT_EQ(0, layout.SetChannelCount(17));
  EXPECT_EQ(4, layout.ChannelCount());
}

TEST(DisplayLayout, SinglePaneModeShowsChannelOfThePageAndDoesNotBecomePrevious) {
  DisplayLayout layout;
  layout.SetChannelCount(16);
  layout.SetArea(640, 480);
  ASSERT_EQ(1, layout.SelectLayout(9, 1));
  ASSERT_EQ(1, layout.SelectLayout(1, 5));
  EXPECT_EQ(std::vector<int>{5}, VisibleChannels(layout));
  EXPECT_EQ(640, layout.Pane(5).Width());
  EXPECT_EQ(9, layout.PreviousSplitMode());
  EXPECT_EQ(1, layout.PreviousPage());
  // Next page in mode 1 is the next channel, wrapping after the last.
  ASSERT_EQ(1, layout.SelectLayout(1, 15));
  ASSERT_EQ(1, layout.SelectLayout(1, -1));
  EXPECT_EQ(0, layout.Page());
}

TEST(DisplayLayout, DoubleClickShowsChannelAloneAndReturns) {
  DisplayLayout layout;
  layout.SetChannelCount(16);
  layout.SetArea(640, 480);
  ASSERT_EQ(1, layout.SelectLayout(4, 1));  // channels 4..7
  // Channel 6 is cell 2: column 0, row 1.
  ASSERT_EQ(1, layout.DoubleClick(10, 250));
  EXPECT_EQ(1, layout.SplitMode());
  EXPECT_EQ(6, layout.Page());
  EXPECT_EQ(std::vector<int>{6}, VisibleChannels(layout));
  ASSERT_EQ(1, layout.DoubleClick(0, 0));
  EXPECT_EQ(4, layout.SplitMode());
  EXPECT_EQ(1, layout.Page());
}

TEST(DisplayLayout, DoubleClickOutsideEveryPaneDoesNothing) {
  DisplayLayout layout;
  layout.SetChannelCount(9);
  layout.SetArea(641, 481);  // panes 320 x 240, one spare column and row
  ASSERT_EQ(1, layout.SelectLayout(4, 2));
  EXPECT_EQ(0, layout.DoubleClick(400, 100));  // empty cell: no channel there
  EXPECT_EQ(0, layout.DoubleClick(640, 10));   // spare column right of the grid
  EXPECT_EQ(0, layout.DoubleClick(320, 10));   // right edge is exclusive
  EXPECT_EQ(4, layout.SplitMode());
  ASSERT_EQ(1, layout.DoubleClick(319, 239));
  EXPECT_EQ(8, layout.Page());
}

TEST(DisplayLayout, DoubleClickInSinglePaneWithoutEarlierGridShowsChannelOne) {
  DisplayLayout layout;
  layout.SetChannelCount(4);
  layout.SetArea(640, 480);
  ASSERT_EQ(1, layout.SelectLayout(1, 3));
  ASSERT_EQ(1, layout.DoubleClick(5, 5));  // previous layout is still (1, 0)
  EXPECT_EQ(1, layout.SplitMode());
  EXPECT_EQ(0, layout.Page());
}

TEST(DisplayLayout, TinyAreaGivesEmptyPanes) {
  DisplayLayout layout;
  layout.SetChannelCount(16);
  layout.SetArea(2, 2);
  ASSERT_EQ(1, layout.SelectLayout(16, 0));
  for (int ch = 0; ch < 16; ++ch) {
    EXPECT_TRUE(layout.IsVisible(ch));
    EXPECT_EQ(0, layout.Pane(ch).Width());
    EXPECT_EQ(0, layout.Pane(ch).Height());
  }
  EXPECT_EQ(0, layout.DoubleClick(0, 0));
  layout.SetArea(-5, 100);
  EXPECT_EQ(0, layout.Pane(0).Width());
}

TEST(DisplayLayout, PanesFollowAreaChanges) {
  DisplayLayout layout;
  layout.SetChannelCount(16);
  ASSERT_EQ(1, layout.SelectLayout(16, 0));
  layout.SetArea(1000, 750);
  const PaneRect p = layout.Pane(15);  // column 3, row 3 of 250 x 187 panes
  EXPECT_EQ(750, p.left);
  EXPECT_EQ(561, p.top);
  EXPECT_EQ(1000, p.right);
  EXPECT_EQ(748, p.bottom);
  EXPECT_EQ(0, layout.Pane(16).Width());
  EXPECT_FALSE(layout.IsVisible(-1));
}

}  // namespace
}  // namespace marlow
