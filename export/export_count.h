// The counting pass of an export: one forward read of the whole recording
// that counts each channel's pictures and each audio channel's bytes and
// takes the picture format and rate from the first pictures. Portable: it
// needs only a source and a decoder.
#pragma once

#include <cstdint>

#include "codec/video_decoder.h"
#include "export/export_formats.h"
#include "recording/recording_source.h"

namespace marlow {

constexpr int kExportChannels = 16;
constexpr int kExportAudioChannels = 4;

// Reading "until the recording ends": a read that brings nothing while the
// position still moves (an invalid block was skipped) is damage, not the
// end, so a long damaged stretch cannot cut an export short. The end is 33
// empty reads in a row at one position.
class UnitReadLoop {
 public:
  static constexpr int kEmptyReadsAtEnd = 33;
  // One forward read; false when the recording has ended. Every read comes
  // back to the caller, so a reader that watches a stop event sees it
  // between any two reads. *length is the unit's length; 0 for an empty read
  // or for an audio unit without samples (LastReadFoundUnit tells them
  // apart).
  bool Next(RecordingSource& source, uint8_t* buffer, uint32_t* length);

 private:
  int empty_ = 0;
};

struct ExportCount {
  bool hasAudio = false;
  uint64_t audioBytes[kExportAudioChannels] = {};
  uint32_t pictures[kExportChannels] = {};
  // From the first picture of the last selected channel to be met first.
  bool formatKnown = false;
  unsigned width = 0;
  unsigned height = 0;  // doubled: twice the decoded height
  uint32_t imageSize = 0;
  StreamRate pictureRate;
};

// Counts from position 0 with the decoder Reset to variant; leaves the
// source at position 0. unit: kMaxUnitBytes bytes.
void CountRecording(RecordingSource& source, VideoDecoder& decoder, uint8_t* unit,
                    uint16_t channelMask, int variant, ExportCount* out);

// The rate of channel c's file after the count (see FileRate).
StreamRate ChannelFileRate(const ExportCount& count, int channel, const AviAudioFormat& audio);

}  // namespace marlow
