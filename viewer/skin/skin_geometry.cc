#include "viewer/skin/skin_geometry.h"

#include <cmath>

namespace marlow::viewer {

void ComposeBackground(int w, int h, int W, int H, BackgroundPiece p[kBackgroundPieces]) {
  const int hw = w / 2, hh = h / 2;
  const int right = W - hw - 1, bottom = H - hh - 1;
  // Corners.
  p[0] = {{0, 0, hw, hh}, {0, 0, hw, hh}};
  p[1] = {{right, 0, hw, hh}, {hw, 0, hw, hh}};
  p[2] = {{0, bottom, hw, hh}, {0, hh, hw, hh}};
  p[3] = {{right, bottom, hw, hh}, {hw, hh, hw, hh}};
  // Edges, stretched from strips a tenth of the bitmap.
  p[4] = {{hw, bottom, W - w, hh}, {hw, hh, w / 10, hh}};
  p[5] = {{hw, 0, W - w, hh}, {hw, 0, w / 10, hh}};
  p[6] = {{0, hh, hw, H - h}, {0, hh, hw, h / 10}};
  p[7] = {{right, hh, hw, H - h}, {hw, hh, hw, h / 10}};
}

int SliderUsableLength(const SliderGeometry& g) {
  return g.width - g.rightMargin - g.leftMargin - g.thumbWidth;
}

int SliderThumbCentre(const SliderGeometry& g, int position) {
  const int length = SliderUsableLength(g);
  const double offset = static_cast<double>(position) - g.min;
  const double range = static_cast<double>(g.max) - g.min;
  double travel = 0;
  if (range <= 0) {
    travel = offset;
  } else if (length > 0) {
    travel = std::trunc(offset / range * length);
  }
  return g.leftMargin + static_cast<int>(travel) + g.thumbWidth / 2;
}

int SliderClampPixel(const SliderGeometry& g, int x) {
  const int low = g.leftMargin + g.thumbWidth / 2;
  const int high = g.width - g.thumbWidth / 2 - g.rightMargin;
  if (x > high) x = high;
  if (x < low) x = low;  // a thumb wider than the track stays at the start
  return x;
}

int SliderPositionAtPixel(const SliderGeometry& g, int x) {
  const int length = SliderUsableLength(g);
  if (g.max <= g.min || length <= 0) return g.min;
  x = SliderClampPixel(g, x);
  const double range = static_cast<double>(g.max) - g.min;
  const double value = std::trunc(range * (x - g.thumbWidth / 2 - g.leftMargin) / length + g.min);
  if (value <= g.min) return g.min;
  if (value >= g.max) return g.max;
  return static_cast<int>(value);
}

int SliderKeyPosition(SliderKey key, int position, int min, int max, int pageStep) {
  long long value = position;
  switch (key) {
    case SliderKey::kPageUp:
      value -= pageStep;
      break;
    case SliderKey::kPageDown:
      value += pageStep;
      break;
    case SliderKey::kHome:
      value = min;
      break;
    case SliderKey::kEnd:
      value = max;
      break;
    case SliderKey::kIncrement:
      value += 1;
      break;
    case SliderKey::kDecrement:
      value -= 1;
      break;
  }
  if (value > max) value = max;
  if (value < min) value = min;
  return static_cast<int>(value);
}

FrameSize ButtonFrameSize(int stripWidth, int stripHeight, bool hasMask) {
  return {stripWidth / (hasMask ? 5 : 4), stripHeight};
}

SkinRect ButtonFrameRect(FrameSize size, int frame) {
  return {frame * size.width, 0, size.width, size.height};
}

int ButtonFrameFor(bool enabled, bool pressedOrChecked, bool hovering) {
  if (!enabled) return kFrameDisabled;
  if (pressedOrChecked) return kFramePressed;
  return hovering ? kFrameHover : kFrameNormal;
}

int StatusStateIconRow(int playState) {
  switch (playState) {
    case 2:
    case 4:
      return 16;
    case 3:
    case 5:
      return 32;
    case 6:
      return 48;
    case 7:
      return 80;
    case 0:
    case 1:
      return 64;
    default:
      return 0;
  }
}

SkinRect StatusStateIconSource(int playState) {
  return {0, StatusStateIconRow(playState), kStatusStateIconSize, kStatusStateIconSize};
}

SkinRect StatusConnectionSource(int connectionState) {
  const int row = connectionState >= 0 && connectionState < kStatusConnectionStates
                      ? connectionState * kStatusRowHeight
                      : 0;
  return {kStatusConnectionX, row, kStatusConnectionWidth, kStatusRowHeight};
}

SkinRect StatusChannelSource(int channel, int connectionState) {
  return {kStatusChannelX + kStatusChannelWidth * channel, connectionState == 3 ? 16 : 0,
          kStatusChannelWidth, kStatusRowHeight};
}

SkinRect StatusChannelDest(int channel) {
  return {112 + kStatusChannelWidth * channel, 0, kStatusChannelWidth, kStatusRowHeight};
}

SkinRect StatusAudioSource(int connectionState) {
  return {kStatusAudioX, connectionState == 3 ? 16 : 0, kStatusAudioWidth, kStatusRowHeight};
}

SkinRect StatusAudioDest() {
  return {340, 0, kStatusAudioWidth, kStatusRowHeight};
}

}  // namespace marlow::viewer
