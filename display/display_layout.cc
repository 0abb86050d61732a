#include "display/display_layout.h"

namespace marlow {

DisplayLayout::DisplayLayout() {
  Recompute();
}

int DisplayLayout::SetChannelCount(int count) {
  if (count < 1 || count > kMaxDisplayChannels) return 0;
  channelCount_ = count;
  Recompute();
  return 1;
}

int DisplayLayout::PageCount() const {
  return (channelCount_ + splitMode_ - 1) / splitMode_;
}

int DisplayLayout::GridSize() const {
  int g = 1;
  while (g * g < splitMode_) ++g;
  return g;
}

int DisplayLayout::SelectLayout(int splitMode, int page) {
  if (splitMode < 1 || splitMode > channelCount_) return 0;
  if (page == -1) {
    if (splitMode == splitMode_) {
      const int next = page_ + 1;
      page_ = next >= PageCount() ? 0 : next;
    } else {
      splitMode_ = splitMode;
      page_ = 0;
    }
  } else {
    splitMode_ = splitMode;
    page_ = page;
  }
  if (splitMode_ != 1) {
    previousSplitMode_ = splitMode_;
    previousPage_ = page_;
  }
  Recompute();
  return 1;
}

int DisplayLayout::DoubleClick(int x, int y) {
  if (splitMode_ == 1) return SelectLayout(previousSplitMode_, previousPage_);
  if (splitMode_ != 4 && splitMode_ != 9 && splitMode_ != 16) return 0;
  for (int channel = 0; channel < channelCount_; ++channel) {
    if (visible_[channel] && panes_[channel].Contains(x, y)) return SelectLayout(1, channel);
  }
  return 0;
}

void DisplayLayout::SetArea(int width, int height) {
  areaWidth_ = width > 0 ? width : 0;
  areaHeight_ = height > 0 ? height : 0;
  Recompute();
}

PaneRect DisplayLayout::Pane(int channel) const {
  if (channel < 0 || channel >= kMaxDisplayChannels) return PaneRect{};
  return panes_[channel];
}

bool DisplayLayout::IsVisible(int channel) const {
  return channel >= 0 && channel < kMaxDisplayChannels && visible_[channel];
}

void DisplayLayout::Recompute() {
  // Channels run through the pages in order: page j / mode, cell j mod mode,
  // filled row by row. Cells of a page without a channel stay empty.
  const int g = GridSize();
  const int paneWidth = areaWidth_ / g;
  const int paneHeight = areaHeight_ / g;
  for (int channel = 0; channel < kMaxDisplayChannels; ++channel) {
    const int cell = channel % splitMode_;
    const int column = cell % g;
    const int row = cell / g;
    panes_[channel] = PaneRect{column * paneWidth, row * paneHeight, (column + 1) * paneWidth,
                               (row + 1) * paneHeight};
    visible_[channel] = channel < channelCount_ && channel / splitMode_ == page_;
  }
}

}  // namespace marlow
