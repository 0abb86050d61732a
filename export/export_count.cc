#include "export/export_count.h"

namespace marlow {

bool UnitReadLoop::Next(RecordingSource& source, uint8_t* buffer, uint32_t* length) {
  const uint64_t before = source.Position();
  *length = source.ReadForward(buffer);
  if (*length != 0 || source.LastReadFoundUnit() || source.Position() != before) {
    empty_ = 0;
    return true;
  }
  return ++empty_ < kEmptyReadsAtEnd;
}

void CountRecording(RecordingSource& source, VideoDecoder& decoder, uint8_t* unit,
                    uint16_t channelMask, int variant, ExportCount* out) {
  *out = ExportCount();
  source.SetStreamVariant(variant);
  decoder.Reset(variant);
  source.SetPosition(0);
  bool firstPending[kExportChannels];
  for (bool& f : firstPending) f = true;
  UnitReadLoop loop;
  uint32_t length = 0;
  while (loop.Next(source, unit, &length)) {
    if (!source.LastReadFoundUnit()) continue;
    if (source.LastIsAudio()) {
      out->hasAudio = true;
      const int a = source.LastChannel();
      if (a >= 0 && a < kExportAudioChannels) out->audioBytes[a] += length;
      continue;
    }
    if (!decoder.ParseHeader(unit, length)) continue;
    const int c = decoder.Channel();
    if (c < 0 || c >= kExportChannels) continue;
    ++out->pictures[c];
    if (!firstPending[c] || !(channelMask & (1u << c))) continue;
    firstPending[c] = false;
    out->formatKnown = true;
    out->width = decoder.Width();
    out->height = 2 * decoder.Height();
    out->imageSize = 3 * out->width * out->height;
    out->pictureRate =
        PictureRate(decoder.Height(), decoder.Variant(), source.FrameSkip(), source.ChannelMask());
  }
  source.SetPosition(0);
}

StreamRate ChannelFileRate(const ExportCount& count, int channel, const AviAudioFormat& audio) {
  const uint32_t ms = AudioMilliseconds(count.audioBytes[0], audio.samplesPerSecond);
  return FileRate(count.pictureRate, count.hasAudio, count.pictures[channel], ms);
}

}  // namespace marlow
