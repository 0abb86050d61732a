// The display's pane geometry: which channels share a page, where each pane
// lies in the drawing area, what a layout request or a double click selects.
// Pure computation, no window; VideoDisplay holds one under its lock.
#pragma once

namespace marlow {

constexpr int kMaxDisplayChannels = 16;

// A rectangle with inclusive left/top and exclusive right/bottom, as the
// window system's rectangles.
struct PaneRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

class DisplayLayout {
 public:
  // One channel, split mode 1, page 0, previous layout (1, 0), empty area.
  DisplayLayout();

  // The source's channel count, 1..16; other values are refused (0) and
  // change nothing. The current layout is kept; panes are recomputed.
  int SetChannelCount(int count);
  int ChannelCount() const { return channelCount_; }

  // Changes the layout: a mode below 1 or above the channel count is refused
  // (0). A page of -1 means the next page of the current mode (wrapping to 0
  // after the last page), or page 0 of a different mode; any other page is
  // taken as given. A mode other than 1 is remembered as the previous layout,
  // which a double click in a single pane returns to. Panes are recomputed.
  int SelectLayout(int splitMode, int page);

  // The double-click rule at point (x, y) of the area: with 4, 9 or 16 panes
  // the lowest-numbered visible channel whose pane holds the point is shown
  // alone; with one pane the previous layout comes back. Returns 1 when the
  // layout changed, 0 when nothing happened.
  int DoubleClick(int x, int y);

  // The drawing area (back surface or client area, origin 0, 0); panes are
  // recomputed. Negative sizes count as 0.
  void SetArea(int width, int height);

  int SplitMode() const { return splitMode_; }
  int Page() const { return page_; }
  int PreviousSplitMode() const { return previousSplitMode_; }
  int PreviousPage() const { return previousPage_; }
  // ceil(channel count / split mode).
  int PageCount() const;
  // Panes per row and column: ceil(sqrt(split mode)).
  int GridSize() const;

  // The channel's pane (empty for channels outside 0..15) and whether its page
  // is the current one.
  PaneRect Pane(int channel) const;
  bool IsVisible(int channel) const;

 private:
  void Recompute();

  int channelCount_ = 1;
  int splitMode_ = 1;
  int page_ = 0;
  int previousSplitMode_ = 1;
  int previousPage_ = 0;
  int areaWidth_ = 0;
  int areaHeight_ = 0;
  PaneRect panes_[kMaxDisplayChannels];
  bool visible_[kMaxDisplayChannels] = {};
};

}  // namespace marlow
