#include "export/export_formats.h"

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
  const bool slow = variant == 0 || variant == 2;
  StreamRate r;
  if (height == 272) {
    r.rate = slow ? 25 : 50;
  } else {
    r.rate = slow ? 30 : 60;
  }
  r.scale = static_cast<uint32_t>((frameSkip + 1) * n);
  return r;
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
