// The formats and rates of exported files, as pure rules: the sound format
// of a stream variant and the picture rate of the video streams.
#pragma once

#include <cstdint>

namespace marlow {

// The fields of the files' WAVEFORMATEX (18 bytes with cbSize 0).
struct AviAudioFormat {
  uint16_t formatTag = 1;  // 1 PCM, 6 A-law
  uint16_t channels = 1;
  uint32_t samplesPerSecond = 8000;
  uint32_t bytesPerSecond = 8000;
  uint16_t blockAlign = 1;
  uint16_t bitsPerSample = 8;
};

// Mono, 8 bits a sample: PCM for variants 4 and 5, A-law for the others;
// 13183 Hz for variant 3, 16000 Hz for variant 5, 8000 Hz otherwise.
AviAudioFormat AudioFormatForVariant(int variant);

struct StreamRate {
  uint32_t rate = 30;
  uint32_t scale = 1;
};

// The picture rate of one channel from a recording's first picture: the
// recorder sends one picture every (frameSkip + 1) picture intervals (the
// table the player paces by, recording/picture_interval.h), shared in turn
// by the channels of the block's mask. rate / scale = 1e6 / (interval *
// (frameSkip + 1) * channels), reduced. A mask without any bit counts as one
// channel, so the scale is never 0.
StreamRate PictureRate(unsigned height, int variant, int frameSkip, uint16_t channelMask);

// Milliseconds of audioBytes samples at samplesPerSecond (integer division).
uint32_t AudioMilliseconds(uint64_t audioBytes, uint32_t samplesPerSecond);

// The rate of one channel's file. With sound (hasAudio) the pictures are
// spread over the sound's length: rate = pictures * 1000, scale = audio
// milliseconds, so picture and sound end together. When that length is 0
// (the sound is all on audio channels 1-3, or too short for a millisecond)
// the picture rate is kept: a scale of 0 would make the file invalid.
StreamRate FileRate(StreamRate pictureRate, bool hasAudio, uint32_t pictures, uint32_t audioMs);

}  // namespace marlow
