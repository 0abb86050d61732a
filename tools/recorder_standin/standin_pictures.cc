#include "tools/recorder_standin/standin_pictures.h"

#include <cmath>
#include <cstring>

namespace marlow {
namespace {

constexpr int kQscale = 6;
constexpr uint32_t kFullEvery = 10;
constexpr int kMenuRows = 4;

void FillRect(uint8_t* luma, int x0, int y0, int w, int h, uint8_t value) {
  for (int y = y0; y < y0 + h && y < kStandinHeight; ++y) {
    std::memset(luma + static_cast<size_t>(y) * kStandinWidth + x0, value, static_cast<size_t>(w));
  }
}

}  // namespace

uint8_t LinearToALaw(int16_t sample) {
  int value = sample;
  uint8_t sign = 0x80;
  if (value < 0) {
    sign = 0;
    value = -value - 1;
  }
  if (value > 32767) value = 32767;
  int exponent = 7;
  for (int mask = 0x4000; (value & mask) == 0 && exponent > 0; mask >>= 1) --exponent;
  const int mantissa = exponent == 0 ? (value >> 4) & 15 : (value >> (exponent + 3)) & 15;
  return static_cast<uint8_t>((sign | exponent << 4 | mantissa) ^ 0x55);
}

StandinPictures::StandinPictures()
    : yuv_(new uint8_t[kStandinWidth * kStandinHeight * 3 / 2]),
      scratch_(new uint8_t[kStandinWidth * kStandinHeight * 3 / 2]) {
  for (int c = 0; c < kStandinCameras; ++c) cameras_.emplace_back(c, kStandinWidth, kStandinHeight);
  encoder_.Configure(3, kStandinWidth, kStandinHeight);
}

void StandinPictures::SetCamera(int camera) {
  camera_ = camera % kStandinCameras;
  split_ = false;
  forceFull_ = true;
}

void StandinPictures::SetSplit(bool on) {
  split_ = on;
  forceFull_ = true;
}

void StandinPictures::SetMenu(bool open, int row) {
  menu_ = open;
  menuRow_ = row;
  forceFull_ = true;
}

// The picture as the recorder's screen shows it: one camera or four halved
// ones, with the menu over it.
void StandinPictures::Compose(uint32_t number) {
  const size_t luma = static_cast<size_t>(kStandinWidth) * kStandinHeight;
  if (!split_) {
    cameras_[static_cast<size_t>(camera_)].Render(number, yuv_.get());
  } else {
    for (int q = 0; q < 4; ++q) {
      cameras_[static_cast<size_t>(q)].Render(number, scratch_.get());
      const int qx = (q & 1) * kStandinWidth / 2, qy = (q >> 1) * kStandinHeight / 2;
      for (int y = 0; y < kStandinHeight / 2; ++y) {
        for (int x = 0; x < kStandinWidth / 2; ++x) {
          yuv_[static_cast<size_t>(qy + y) * kStandinWidth + qx + x] =
              scratch_[static_cast<size_t>(2 * y) * kStandinWidth + 2 * x];
        }
      }
      const int cw = kStandinWidth / 2, ch = kStandinHeight / 2;
      for (int plane = 0; plane < 2; ++plane) {
        uint8_t* dst = yuv_.get() + luma + plane * luma / 4;
        const uint8_t* src = scratch_.get() + luma + plane * luma / 4;
        for (int y = 0; y < ch / 2; ++y) {
          for (int x = 0; x < cw / 2; ++x) {
            dst[static_cast<size_t>(qy / 2 + y) * cw + qx / 2 + x] =
                src[static_cast<size_t>(2 * y) * cw + 2 * x];
          }
        }
      }
    }
  }
  if (menu_) {
    FillRect(yuv_.get(), 192, 64, 256, 144, 24);
    for (int r = 0; r < kMenuRows; ++r) {
      FillRect(yuv_.get(), 208, 80 + r * 32, 224, 16, r == menuRow_ ? 235 : 110);
    }
  }
}

size_t StandinPictures::NextPicture(uint8_t* out, int step) {
  Compose(number_);
  const bool full = forceFull_ || number_ % kFullEvery == 0;
  sequence_ = static_cast<uint16_t>(sequence_ + NextAdvance(step));
  ++number_;
  const size_t n =
      full ? encoder_.EncodeFull(yuv_.get(), 0, kQscale, sequence_, out, kStandinUnitCapacity)
           : encoder_.EncodeUpdate(yuv_.get(), 0, kQscale, sequence_, out, kStandinUnitCapacity);
  if (n != 0 && full) forceFull_ = false;
  return n;
}

size_t StandinPictures::NextAudio(uint8_t* out, size_t samples) {
  out[0] = 0;
  out[1] = 0;
  out[2] = 1;
  out[3] = 0xFA;
  out[4] = 0x12;  // the two head bytes; the client discards them
  out[5] = 0x34;
  for (size_t i = 0; i < samples; ++i, ++phase_) {
    const double t = static_cast<double>(phase_ % 8000) / 8000.0;
    uint8_t a =
        LinearToALaw(static_cast<int16_t>(8000.0 * std::sin(2.0 * 3.14159265358979 * 440.0 * t)));
    // A zero byte could begin a start code with what follows.
    out[6 + i] = a == 0 ? 1 : a;
  }
  return 6 + samples;
}

}  // namespace marlow
