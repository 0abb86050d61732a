#include "viewer/main_layout.h"

#include "viewer/resources/viewer_resource.h"

namespace marlow::viewer {

namespace {
constexpr int kDesignWidth = 608;
constexpr int kDesignHeight = 300;
constexpr int kP = 1, kZ = 2, kBoth = 3;
}  // namespace

const LayoutRow kControlLayout[kLayoutRowCount] = {
    {IDC_WINDOW_ICON, kAnchorTopLeft, 12, 4, kBoth},
    {IDC_TITLE, kAnchorTopLeft, 44, 4, kBoth},
    {IDC_MINIMIZE, kAnchorTopRight, 567, 6, kBoth},
    {IDC_CLOSE, kAnchorTopRight, 584, 6, kBoth},
    {ID_PLAYER_MODE, kAnchorTopLeft, 10, 30, kBoth},
    {ID_VIEWER_MODE, kAnchorTopLeft, 90, 30, kBoth},
    {IDC_STATUS_LINE, kAnchorStretched, 10, 238, kBoth},
    {IDC_POSITION_SLIDER, kAnchorStretched, 10, 238, kP},
    {ID_OPEN_FILE, kAnchorBottomLeft, 10, 262, kP},
    {ID_FAST_REWIND, kAnchorBottomLeft, 49, 262, kP},
    {ID_PLAY_REVERSE, kAnchorBottomLeft, 80, 262, kP},
    {ID_PREVIOUS_FRAME, kAnchorBottomLeft, 111, 262, kP},
    {ID_PAUSE, kAnchorBottomLeft, 142, 262, kP},
    {ID_NEXT_FRAME, kAnchorBottomLeft, 173, 262, kP},
    {ID_PLAY, kAnchorBottomLeft, 204, 262, kP},
    {ID_FAST_FORWARD, kAnchorBottomLeft, 235, 262, kP},
    {IDC_STILL_CAPTURE, kAnchorBottomLeft, 274, 262, kP},
    {IDC_SPLIT1, kAnchorBottomLeft, 305, 262, kP},
    {ID_SPLIT4, kAnchorBottomLeft, 336, 262, kP},
    {ID_SPLIT9, kAnchorBottomLeft, 367, 262, kP},
    {ID_SPLIT16, kAnchorBottomLeft, 398, 262, kP},
    {ID_CONNECT, kAnchorBottomLeft, 10, 262, kZ},
    {ID_DVR_PAUSE, kAnchorBottomLeft, 49, 262, kZ},
    {ID_DVR_REWIND, kAnchorBottomLeft, 80, 262, kZ},
    {ID_DVR_PLAY, kAnchorBottomLeft, 111, 262, kZ},
    {ID_DVR_FAST_FORWARD, kAnchorBottomLeft, 142, 262, kZ},
    {ID_DVR_STOP, kAnchorBottomLeft, 173, 262, kZ},
    {ID_DVR_RECORD, kAnchorBottomLeft, 204, 262, kZ},
    {ID_DVR_SPLIT, kAnchorBottomLeft, 243, 262, kZ},
    {ID_DVR_CHANNEL1, kAnchorBottomLeft, 274, 262, kZ},
    {ID_DVR_CHANNEL2, kAnchorBottomLeft, 305, 262, kZ},
    {ID_DVR_CHANNEL3, kAnchorBottomLeft, 336, 262, kZ},
    {ID_DVR_CHANNEL4, kAnchorBottomLeft, 367, 262, kZ},
    {ID_DVR_MENU, kAnchorBottomLeft, 406, 262, kZ},
    {ID_DVR_UP, kAnchorBottomLeft, 437, 262, kZ},
    {ID_DVR_DOWN, kAnchorBottomLeft, 468, 262, kZ},
    {ID_DVR_SELECT, kAnchorBottomLeft, 499, 262, kZ},
    {ID_MUTE, kAnchorBottomRight, 516, 229, kBoth},
    {IDC_VOLUME_SLIDER, kAnchorBottomRight, 532, 229, kBoth},
};

bool SplitButtonHidden(int control, int channelCount) {
  if (channelCount <= 4) return control == ID_SPLIT9 || control == ID_SPLIT16;
  if (channelCount < 16) return control == ID_SPLIT16;
  return false;
}

Placement PlaceRow(const LayoutRow& row, int mode, int channelCount, int windowWidth,
                   int windowHeight) {
  Placement p;
  if ((row.modes & mode) == 0) return p;
  if (SplitButtonHidden(row.control, channelCount)) return p;
  const int dx = windowWidth - kDesignWidth;
  const int dy = windowHeight - kDesignHeight;
  switch (row.anchor) {
    case kAnchorTopLeft:
      p.move = true;
      p.x = row.x;
      p.y = row.y;
      break;
    case kAnchorTopRight:
      p.move = true;
      p.x = row.x + dx;
      p.y = row.y;
      break;
    case kAnchorBottomLeft:
      p.move = true;
      p.x = row.x;
      p.y = row.y + dy;
      break;
    case kAnchorBottomRight: {
      p.move = true;
      p.x = row.x + dx;
      p.y = row.y + dy;
      const int threshold = mode == kViewerModePlayer ? 517 : 635;
      if (windowWidth <= threshold) return Placement{};
      break;
    }
    case kAnchorStretched:
      if (row.control == IDC_STATUS_LINE) {
        p.move = p.resize = true;
        p.x = 13;
        p.y = windowHeight - 74;
        p.width = windowWidth - 116;
        p.height = 17;
      } else if (row.control == IDC_POSITION_SLIDER) {
        p.move = p.resize = p.keepHeight = true;
        p.x = 13;
        p.y = windowHeight - 52;
        p.width = windowWidth - 26;
      }
      break;
    default:
      break;
  }
  p.show = true;
  return p;
}

void ClampResizeDrag(int pointerX, int pointerY, int offsetX, int offsetY, int* width,
                     int* height) {
  const int w = pointerX + offsetX;
  const int h = pointerY + offsetY;
  *width = w < kMinWindowWidth ? kMinWindowWidth : w;
  *height = h < kMinWindowHeight ? kMinWindowHeight : h;
}

bool InResizeGrip(int x, int y, int clientWidth, int clientHeight) {
  return x > clientWidth - kResizeGrip && y > clientHeight - kResizeGrip;
}

}  // namespace marlow::viewer
