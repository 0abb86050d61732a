#include "tools/encoder/picture_encoder.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "codec/coefficient_codes.h"
#include "codec/inverse_transform.h"
#include "codec/scan_tables.h"
#include "tools/encoder/bit_writer.h"
#include "tools/encoder/forward_dct.h"

namespace marlow {
namespace {

constexpr int kMaxLevel = 255;  // escapes beyond +-255 could start long zero runs

// Magnitude whose dequantised value (magnitude * m * q) >> 2 lies nearest to
// `target` (>= 0), among 0..kMaxLevel.
int QuantiseMagnitude(double target, int m, int q) {
  const int step = m * q;
  int guess = static_cast<int>(std::floor(4.0 * target / step + 0.5));
  if (guess > kMaxLevel) guess = kMaxLevel;  // saturate rather than drop the coefficient
  int best = 0;
  double bestError = target;
  for (int mag = guess - 1; mag <= guess + 1; ++mag) {
    if (mag <= 0 || mag > kMaxLevel) continue;
    int v = (mag * step) >> 2;
    if (v > 2047) v = 2047;
    const double error = std::fabs(v - target);
    if (error < bestError) {
      bestError = error;
      best = mag;
    }
  }
  return best;
}

// The decoder's dequantisation of one AC coefficient.
int16_t Dequantise(int level, int m, int q) {
  const int mag = std::abs(level);
  const int v = (mag * m * q) >> 2;
  if (level > 0) return static_cast<int16_t>(v > 2047 ? 2047 : v);
  return static_cast<int16_t>(v > 2048 ? -2048 : -v);
}

void PutLevelEscape(BitWriter& bits, int run, int level) {
  bits.Put(kEscapeCode, kEscapeLength);
  bits.Put(static_cast<uint32_t>(run), 6);
  if (level >= 1 && level <= 127) {
    bits.Put(static_cast<uint32_t>(level), 8);
  } else if (level >= -127 && level <= -1) {
    bits.Put(static_cast<uint32_t>(256 + level), 8);
  } else if (level >= 128) {
    bits.Put(0, 8);
    bits.Put(static_cast<uint32_t>(level), 8);
  } else {
    bits.Put(128, 8);
    bits.Put(static_cast<uint32_t>(level + 256), 8);
  }
}

}  // namespace

size_t FindStartCodes(const uint8_t* data, size_t length, size_t from, size_t* offsets,
                      size_t maxOffsets) {
  size_t found = 0;
  for (size_t i = from; i + 2 < length; ++i) {
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) {
      if (found < maxOffsets) offsets[found] = i;
      ++found;
    }
  }
  return found;
}

PictureEncoder::PictureEncoder() = default;
PictureEncoder::~PictureEncoder() = default;

int PictureEncoder::Configure(int layout, int width, int height) {
  if (layout < 1 || layout > 3 || width != 640 || (height != 224 && height != 272)) return 0;
  layout_ = layout;
  width_ = width;
  height_ = height;
  pictureBytes_ = static_cast<size_t>(width) * height * 3 / 2;
  reference_.reset(new uint8_t[pictureBytes_ * kMaxChannels]);
  coded_.reset(new uint8_t[pictureBytes_ * kMaxChannels]);
  scratch_.reset(new uint8_t[pictureBytes_]);
  scratchCoded_.reset(new uint8_t[pictureBytes_]);
  Reset();
  return 1;
}

void PictureEncoder::Reset() {
  if (reference_) std::memset(reference_.get(), 128, pictureBytes_ * kMaxChannels);
  if (coded_) std::memset(coded_.get(), 128, pictureBytes_ * kMaxChannels);
  lastCoded_ = 0;
}

int PictureEncoder::DecodedChannel(int channel) const {
  switch (layout_) {
    case 1:
      return (channel & 7) >= 4 ? 0 : (channel & 7);
    case 2:
      return channel & 15;
    default:
      return 0;
  }
}

const uint8_t* PictureEncoder::Reference(int decodedChannel) const {
  if (!reference_ || decodedChannel < 0 || decodedChannel >= kMaxChannels) return nullptr;
  return reference_.get() + pictureBytes_ * static_cast<size_t>(decodedChannel);
}

size_t PictureEncoder::EncodeFull(const uint8_t* yuv420, int channel, int qscale, uint16_t sequence,
                                  uint8_t* out, size_t capacity) {
  return Encode(yuv420, channel, qscale, sequence, true, out, capacity);
}

size_t PictureEncoder::EncodeUpdate(const uint8_t* yuv420, int channel, int qscale,
                                    uint16_t sequence, uint8_t* out, size_t capacity) {
  return Encode(yuv420, channel, qscale, sequence, false, out, capacity);
}

bool PictureEncoder::BlockChanged(const uint8_t* src, const uint8_t* ref, int stride) const {
  int sum = 0;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) sum += std::abs(src[y * stride + x] - ref[y * stride + x]);
  }
  return threshold_ == 0 ? sum > 0 : sum > threshold_ * 64;
}

void PictureEncoder::CodeBlock(BitWriter& bits, const uint8_t* src, int srcStride, uint8_t* recon,
                               int reconStride, int qscale) {
  uint8_t samples[64];
  for (int y = 0; y < 8; ++y) std::memcpy(samples + y * 8, src + y * srcStride, 8);
  double f[64];
  ForwardDct(samples, f);

  int16_t block[64] = {};
  // DC byte: the block mean, never 0 (see the start-code note in the header).
  int d = static_cast<int>(std::floor(f[0] / 8.0 + 0.5));
  d = d < 1 ? 1 : (d > 255 ? 255 : d);
  bits.Put(static_cast<uint32_t>(d), 8);
  block[0] = static_cast<int16_t>(d * 8);

  int run = 0;
  for (int i = 1; i < 64; ++i) {
    const int j = kZigZag[i];
    const int m = kIntraQuantiserMatrix[j];
    const int mag = QuantiseMagnitude(std::fabs(f[j]), m, qscale);
    if (mag == 0) {
      ++run;
      continue;
    }
    const int level = f[j] < 0 ? -mag : mag;
    if (const CoefficientCode* code = FindCoefficientCode(run, mag)) {
      bits.Put(code->code, code->length);
      bits.Put(level < 0 ? 1 : 0, 1);
    } else {
      PutLevelEscape(bits, run, level);
    }
    block[j] = Dequantise(level, m, qscale);
    run = 0;
  }
  bits.Put(kEndOfBlockCode, kEndOfBlockLength);

  InverseTransform(block);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) recon[y * reconStride + x] = static_cast<uint8_t>(block[y * 8 + x]);
  }
}

size_t PictureEncoder::Encode(const uint8_t* yuv420, int channel, int qscale, uint16_t sequence,
                              bool full, uint8_t* out, size_t capacity) {
  if (!reference_ || !yuv420 || !out || channel < 0 || channel >= kMaxChannels || qscale < 1 ||
      qscale > 14) {
    return 0;
  }
  if (layout_ == 1 && channel > 3) return 0;

  const int w = width_, h = height_, cw = w / 2;
  const size_t lumaBytes = static_cast<size_t>(w) * h;
  const size_t chromaBytes = lumaBytes / 4;
  uint8_t* ref = reference_.get() + pictureBytes_ * static_cast<size_t>(DecodedChannel(channel));
  uint8_t* recon = scratch_.get();
  std::memcpy(recon, ref, pictureBytes_);
  uint8_t* last = coded_.get() + pictureBytes_ * static_cast<size_t>(DecodedChannel(channel));
  uint8_t* lastNew = scratchCoded_.get();
  std::memcpy(lastNew, last, pictureBytes_);

  BitWriter bits(out, capacity);
  const uint8_t start[4] = {0x00, 0x00, 0x01, static_cast<uint8_t>(full ? 0xF9 : 0xF8)};
  bits.PutBytes(start, 4);
  switch (layout_) {
    case 1:
      bits.Put(
          (full ? 0x80u : 0u) | static_cast<uint32_t>(qscale << 3) | static_cast<uint32_t>(channel),
          8);
      break;
    case 2:
      bits.Put(static_cast<uint32_t>(qscale << 4) | static_cast<uint32_t>(channel), 8);
      break;
    default:
      bits.Put((full ? 0x80u : 0u) | static_cast<uint32_t>(qscale << 3), 8);
      bits.Put(sequence, 16);
      break;
  }

  const int rows = h / 16, columns = w / 16;
  size_t sliceOffsets[17];
  int coded = 0;
  for (int row = 0; row < rows; ++row) {
    sliceOffsets[row] = bits.ByteLength();
    const uint8_t prefix[3] = {0x00, 0x00, 0x01};
    bits.PutBytes(prefix, 3);
    bits.Put(static_cast<uint32_t>(row), 5);
    int column = 0;  // the decoder's column after the last coded macroblock
    for (int mb = 0; mb < columns; ++mb) {
      const int lx = mb * 16, ly = row * 16, cx = mb * 8, cy = row * 8;
      const uint8_t* srcY = yuv420 + static_cast<size_t>(ly) * w + lx;
      const uint8_t* srcCb = yuv420 + lumaBytes + static_cast<size_t>(cy) * cw + cx;
      const uint8_t* srcCr = srcCb + chromaBytes;
      uint8_t* recY = recon + static_cast<size_t>(ly) * w + lx;
      uint8_t* recCb = recon + lumaBytes + static_cast<size_t>(cy) * cw + cx;
      uint8_t* recCr = recCb + chromaBytes;
      const size_t atY = static_cast<size_t>(ly) * w + lx;
      const size_t atC = lumaBytes + static_cast<size_t>(cy) * cw + cx;

      int pattern = 15;
      if (!full) {
        pattern = 0;
        for (int b = 0; b < 4; ++b) {
          const size_t at = static_cast<size_t>((b >> 1) * 8) * w + (b & 1) * 8;
          if (BlockChanged(srcY + at, last + atY + at, w)) pattern |= 1 << b;
        }
        if (pattern == 0 && !BlockChanged(srcCb, last + atC, cw) &&
            !BlockChanged(srcCr, last + atC + chromaBytes, cw)) {
          continue;
        }
        bits.Put(static_cast<uint32_t>(mb - column + 1), 6);
        bits.Put(static_cast<uint32_t>(pattern), 4);
      }
      for (int b = 0; b < 4; ++b) {
        if (!(pattern & (1 << b))) continue;
        const size_t at = static_cast<size_t>((b >> 1) * 8) * w + (b & 1) * 8;
        CodeBlock(bits, srcY + at, w, recY + at, w, qscale);
        for (int y = 0; y < 8; ++y) std::memcpy(lastNew + atY + at + y * w, srcY + at + y * w, 8);
      }
      CodeBlock(bits, srcCb, cw, recCb, cw, qscale);
      CodeBlock(bits, srcCr, cw, recCr, cw, qscale);
      for (int y = 0; y < 8; ++y) {
        std::memcpy(lastNew + atC + y * cw, srcCb + y * cw, 8);
        std::memcpy(lastNew + atC + chromaBytes + y * cw, srcCr + y * cw, 8);
      }
      column = mb + 1;
      ++coded;
    }
    if (!full && column < columns) bits.Put(0, 6);  // the rest of the row is unchanged
    bits.AlignZero();
  }
  if (bits.Overflowed()) return 0;

  // Refuse a picture whose bits emulate a start code: every 00 00 01 after
  // the header must be one of our slice starts.
  const size_t length = bits.ByteLength();
  size_t found[18];
  const size_t count = FindStartCodes(out, length, 4, found, 18);
  if (count != static_cast<size_t>(rows)) return 0;
  for (int row = 0; row < rows; ++row) {
    if (found[row] != sliceOffsets[row]) return 0;
  }

  std::memcpy(ref, recon, pictureBytes_);
  std::memcpy(last, lastNew, pictureBytes_);
  lastCoded_ = coded;
  return length;
}

}  // namespace marlow
