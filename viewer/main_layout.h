// Where the main window puts its controls. The control table is laid out in a
// design window of 608 x 300 pixels; each row is anchored to a corner of the
// window (or stretched with it), and a row belongs to Player mode, to
// ZorIzovur mode or to both. These rules are pure arithmetic so that the
// Windows side only moves, shows and hides what they give.
#pragma once

#include <cstddef>

namespace marlow::viewer {

constexpr int kViewerModePlayer = 1;
constexpr int kViewerModeLive = 2;

// The window is the video area plus 5 pixels across and 140 down.
constexpr int kFrameExtraWidth = 5;
constexpr int kFrameExtraHeight = 140;
// The video display's place inside the window.
constexpr int kVideoLeft = 2;
constexpr int kVideoTop = 65;
// Smallest window a resize drag gives.
constexpr int kMinWindowWidth = 578;
constexpr int kMinWindowHeight = 486;
// The bottom-right grip of the resize drag.
constexpr int kResizeGrip = 16;

enum LayoutAnchor : int {
  kAnchorTopLeft = 0,
  kAnchorTopRight = 2,
  kAnchorBottomLeft = 3,
  kAnchorStretched = 4,
  kAnchorBottomRight = 5,
};

struct LayoutRow {
  int control;
  int anchor;
  int x, y;
  int modes;  // bit 1 Player, bit 2 ZorIzovur
};

constexpr size_t kLayoutRowCount = 39;
extern const LayoutRow kControlLayout[kLayoutRowCount];

// What Relayout does with one control.
struct Placement {
  bool show = false;
  bool move = false;        // move to (x, y)
  bool resize = false;      // also give it width x height
  bool keepHeight = false;  // resize the width only
  int x = 0, y = 0, width = 0, height = 0;
};

// The place of row `row` for a window of windowWidth x windowHeight pixels
// in `mode` with `channelCount` channels (full screen hides every row and is
// handled by the caller).
Placement PlaceRow(const LayoutRow& row, int mode, int channelCount, int windowWidth,
                   int windowHeight);

// The split buttons a channel count hides: 9 and 16 up to 4 channels, 16 up
// to 15 channels.
bool SplitButtonHidden(int control, int channelCount);

// Window size for a video area, and the video area of a window.
inline int WindowWidthFor(int videoWidth) {
  return videoWidth + kFrameExtraWidth;
}
inline int WindowHeightFor(int videoHeight) {
  return videoHeight + kFrameExtraHeight;
}
inline int VideoWidthOf(int windowWidth) {
  return windowWidth - kFrameExtraWidth;
}
inline int VideoHeightOf(int windowHeight) {
  return windowHeight - kFrameExtraHeight;
}
// Left or top of a window of `size` centred on a screen of `screen` pixels.
inline int CentredOrigin(int screen, int size) {
  return (screen - size) / 2;
}

// The window size during a resize drag: pointer plus the grip offset, at
// least the minimum.
void ClampResizeDrag(int pointerX, int pointerY, int offsetX, int offsetY, int* width, int* height);
// True when a client point lies in the bottom-right grip.
bool InResizeGrip(int x, int y, int clientWidth, int clientHeight);

}  // namespace marlow::viewer
