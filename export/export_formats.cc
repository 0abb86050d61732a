#include "export/export_formats.h"

#include <numeric>

#include "recording/picture_interval.h"

namespace marlow {

AviAudioFormat AudioFormatForVariant(int variant) {
  AviAudioFormat f;
  f.formatTag = (variant == 4 || variant == 5) ? 1 : 6;
  f.samplesPerSecond = variant == 3 ? 13183 : variant == 5 ? 16000 : 8000;
  f.bytesPerSecond = f.samplesPerSecond;
  return f;
}

StreamRate PictureRate(unsigned height, int variant, int frameSkip, uint16_t channelMask) {
  int n = 0;
  for (uint16_t m = channelMask; m; m &= static_cast<uint16_t>(m - 1)) ++n;
  if (n == 0) n = 1;
  // At most 33333 us x 128 x 16: well inside 32 bits.
  const uint32_t us = static_cast<uint32_t>(PictureIntervalUs(variant, static_cast<int>(height))) *
                      static_cast<uint32_t>((frameSkip & 0x7F) + 1) * static_cast<uint32_t>(n);
  const uint32_t g = std::gcd(1000000u, us);
  return StreamRate{1000000u / g, us / g};
}

uint32_t AudioMilliseconds(uint64_t audioBytes, uint32_t samplesPerSecond) {
  if (samplesPerSecond == 0) return 0;
  const uint64_t ms = audioBytes * 1000 / samplesPerSecond;
  return ms > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(ms);
}

StreamRate FileRate(StreamRate pictureRate, bool hasAudio, uint32_t pictures, uint32_t audioMs) {
  if (!hasAudio || audioMs == 0 || pictures == 0) return pictureRate;
  const uint64_t rate = static_cast<uint64_t>(pictures) * 1000;
  if (rate > 0xFFFFFFFFu) return pictureRate;
  return StreamRate{static_cast<uint32_t>(rate), audioMs};
}

}  // namespace marlow
