#include "tools/encoder/synthetic_camera.h"

#include <cstring>

namespace marlow {
namespace {

// 5 x 7 digit font, one 5-bit row per entry, bit 4 = leftmost dot.
const uint8_t kFont[10][7] = {
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
};

constexpr int kDigitPitch = 6 * kDigitScale;  // 5 dots and one dot of space
constexpr int kDigitHeight = 7 * kDigitScale;
constexpr int kChannelDigits = 2;
constexpr uint8_t kInk = 235;
constexpr uint8_t kPaper = 16;

// Channel tints: (Cb, Cr) pairs around the colour circle, integers so that
// every build draws the same bytes.
const uint8_t kTint[16][2] = {
    {178, 128}, {174, 147}, {163, 163}, {147, 174}, {128, 178}, {109, 174}, {93, 163}, {82, 147},
    {78, 128},  {82, 109},  {93, 93},   {109, 82},  {128, 78},  {147, 82},  {163, 93}, {174, 109},
};

uint8_t Clamp255(int v) {
  return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Position of an object moving at `speed` pixels per picture and bouncing
// between 0 and `span`.
int Bounce(uint32_t number, int speed, int span, int phase) {
  if (span <= 0) return 0;
  const uint32_t period = 2u * static_cast<uint32_t>(span);
  const uint32_t p =
      (number * static_cast<uint32_t>(speed) + static_cast<uint32_t>(phase)) % period;
  return p < static_cast<uint32_t>(span) ? static_cast<int>(p) : static_cast<int>(period - p);
}

void FillBox(uint8_t* luma, int stride, int width, int height, int x0, int y0, int w, int h,
             uint8_t value) {
  for (int y = y0; y < y0 + h; ++y) {
    if (y < 0 || y >= height) continue;
    for (int x = x0; x < x0 + w; ++x) {
      if (x >= 0 && x < width) luma[y * stride + x] = value;
    }
  }
}

// Recognises one digit cell: samples the middle of each dot square and picks
// the glyph nearest in Hamming distance, if it is near enough and unique.
int ReadDigit(const uint8_t* luma, int stride, int width, int height, int x0, int y0) {
  uint8_t rows[7] = {};
  for (int r = 0; r < 7; ++r) {
    for (int c = 0; c < 5; ++c) {
      const int x = x0 + c * kDigitScale + kDigitScale / 2 - 1;
      const int y = y0 + r * kDigitScale + kDigitScale / 2 - 1;
      if (x < 0 || y < 0 || x + 1 >= width || y + 1 >= height) return -1;
      const int sum = luma[y * stride + x] + luma[y * stride + x + 1] + luma[(y + 1) * stride + x] +
                      luma[(y + 1) * stride + x + 1];
      if (sum >= 4 * 128) rows[r] = static_cast<uint8_t>(rows[r] | (0x10 >> c));
    }
  }
  int best = -1, bestDistance = 99, secondDistance = 99;
  for (int d = 0; d < 10; ++d) {
    int distance = 0;
    for (int r = 0; r < 7; ++r) {
      unsigned diff = static_cast<unsigned>(rows[r] ^ kFont[d][r]);
      for (; diff != 0; diff &= diff - 1) ++distance;
    }
    if (distance < bestDistance) {
      secondDistance = bestDistance;
      bestDistance = distance;
      best = d;
    } else if (distance < secondDistance) {
      secondDistance = distance;
    }
  }
  if (bestDistance > 3 || secondDistance <= bestDistance + 1) return -1;
  return best;
}

long ReadNumber(const uint8_t* luma, int stride, int width, int height, int x, int y, int digits) {
  long value = 0;
  for (int i = 0; i < digits; ++i) {
    const int d = ReadDigit(luma, stride, width, height, x + i * kDigitPitch, y);
    if (d < 0) return -1;
    value = value * 10 + d;
  }
  return value;
}

int ChannelX(int width) {
  return width - 16 - kChannelDigits * kDigitPitch;
}

}  // namespace

void DrawDigits(uint8_t* luma, int stride, int width, int height, int x, int y, uint32_t value,
                int digits) {
  // Paper behind the digits, one dot square wider on every side.
  FillBox(luma, stride, width, height, x - kDigitScale, y - kDigitScale,
          digits * kDigitPitch + kDigitScale, kDigitHeight + 2 * kDigitScale, kPaper);
  for (int i = digits - 1; i >= 0; --i) {
    const int d = static_cast<int>(value % 10);
    value /= 10;
    for (int r = 0; r < 7; ++r) {
      for (int c = 0; c < 5; ++c) {
        if (kFont[d][r] & (0x10 >> c)) {
          FillBox(luma, stride, width, height, x + i * kDigitPitch + c * kDigitScale,
                  y + r * kDigitScale, kDigitScale, kDigitScale, kInk);
        }
      }
    }
  }
}

long ReadBurntInCounter(const uint8_t* luma, int stride, int width, int height) {
  return ReadNumber(luma, stride, width, height, kCounterX, kCounterY, kCounterDigits);
}

int ReadBurntInChannel(const uint8_t* luma, int stride, int width, int height) {
  const long v =
      ReadNumber(luma, stride, width, height, ChannelX(width), kCounterY, kChannelDigits);
  return v < 1 || v > 16 ? -1 : static_cast<int>(v - 1);
}

SyntheticCamera::SyntheticCamera(int channel, int width, int height)
    : channel_(channel & 15), width_(width), height_(height) {}

void SyntheticCamera::Render(uint32_t number, uint8_t* yuv420) const {
  const int w = width_, h = height_, cw = w / 2, ch = h / 2;
  uint8_t* yp = yuv420;
  uint8_t* cb = yuv420 + static_cast<size_t>(w) * h;
  uint8_t* cr = cb + static_cast<size_t>(cw) * ch;

  // Still background: gentle gradients plus a tile pattern whose size differs
  // per channel, so that update pictures have real texture to leave alone.
  const int tile = 24 + 4 * channel_;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int checker = ((x / tile + y / tile) & 1) ? 18 : 0;
      yp[y * w + x] = Clamp255(60 + 70 * x / w + 40 * y / h + checker);
    }
  }
  const uint8_t tb = kTint[channel_][0], tr = kTint[channel_][1];
  std::memset(cb, tb, static_cast<size_t>(cw) * ch);
  std::memset(cr, tr, static_cast<size_t>(cw) * ch);

  // A box sliding left and right, in the opposite tint.
  const int bw = 96, bh = 64;
  const int bx = Bounce(number, 3 + channel_ % 5, w - bw, 37 * channel_);
  const int by = h / 2 - bh / 2 + 8;
  FillBox(yp, w, w, h, bx, by, bw, bh, static_cast<uint8_t>(150 + 5 * (channel_ % 8)));
  for (int y = by / 2; y < (by + bh) / 2; ++y) {
    for (int x = bx / 2; x < (bx + bw) / 2; ++x) {
      cb[y * cw + x] = static_cast<uint8_t>(256 - tb);
      cr[y * cw + x] = static_cast<uint8_t>(256 - tr);
    }
  }

  // A bright disc moving diagonally, neutral colour.
  const int radius = 28;
  const int dx0 = radius + Bounce(number, 2 + channel_ % 3, w - 2 * radius, 53 * channel_);
  const int dy0 = radius + 48 + Bounce(number, 2, h - 2 * radius - 48, 11 * channel_);
  for (int y = dy0 - radius; y <= dy0 + radius; ++y) {
    for (int x = dx0 - radius; x <= dx0 + radius; ++x) {
      const int dx = x - dx0, dy = y - dy0;
      if (x < 0 || y < 0 || x >= w || y >= h || dx * dx + dy * dy > radius * radius) continue;
      yp[y * w + x] = 220;
      cb[(y / 2) * cw + x / 2] = 128;
      cr[(y / 2) * cw + x / 2] = 128;
    }
  }

  // Channel number (1-based, as people count cameras) and picture number on
  // neutral chroma so they read back from luma alone.
  DrawDigits(yp, w, w, h, ChannelX(w), kCounterY, static_cast<uint32_t>(channel_ + 1),
             kChannelDigits);
  DrawDigits(yp, w, w, h, kCounterX, kCounterY, number, kCounterDigits);
}

}  // namespace marlow
