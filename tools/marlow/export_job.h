// A batch export of a recording: one file per channel, every channel read
// and decoded on a thread of its own with its own picture, each picture
// doubled to full height and stamped, handed to a writer (FFmpeg's libraries
// natively).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "recording/recording_index.h"

namespace marlow::cli {

// The export file of channel c (0-based): "-CH<c+1>" inserted before the
// last "." of the output name, or appended when there is none.
std::string ExportFileName(const std::string& out, int channel);

struct ChannelPlan {
  bool exported = false;           // selected and has pictures in the stretch
  uint64_t pictures = 0;           // pictures that will be written
  unsigned width = 0, height = 0;  // decoded size; files are width x 2*height
  uint64_t decodeFrom = 0;         // block where decoding starts (its last full picture)
  bool exact = false;              // a full picture precedes its first written picture
  uint64_t rate = 30, scale = 1;   // pictures a second = rate / scale
  std::string file;
};

struct ExportPlan {
  std::string path;
  ByteOrder order = ByteOrder::kNatural;
  uint64_t startBlock = 0, endBlock = 0;  // the stretch exported: [start, end)
  ChannelPlan channels[16];
  bool hasAudio = false;
  int audioChannel = 0;     // the audio channel written into the files
  uint64_t audioBytes = 0;  // of that channel in the stretch (8000 bytes a second)
  int Exported() const;
};

// Counting pass: which channels have pictures in [startBlock, endBlock), of
// what size, where each channel's decoding must start, and the rates: with
// sound each file lasts as long as the sound (rate = pictures * 1000, scale =
// sound milliseconds), without it the recorder's picture rate (50 a second
// for 272-line pictures, 60 for others, shared by the channels in the block's
// mask and divided by frame skip + 1). 1, or 0 with *error set.
int PlanExport(RecordingIndex& index, const std::string& path, uint16_t mask,
               const std::string& out, uint64_t startBlock, uint64_t endBlock, ExportPlan* plan,
               std::string* error);

// What a channel's pictures and sound go to.
class ExportSink {
 public:
  virtual ~ExportSink() = default;
  // One exported picture: width x height bottom-up BGR rows, width * 3 bytes
  // each, tightly packed. 0 ends the channel's export as failed.
  virtual int Picture(const uint8_t* bottomUpBgr, int width, int height) = 0;
  // 8-bit unsigned PCM samples at 8000 a second.
  virtual int Audio(const uint8_t* samples, size_t n) = 0;
};

// Writing pass of one channel: reads the stretch (from the channel's
// decodeFrom block), decodes the channel's pictures onto its one picture,
// doubles and stamps them, and hands pictures (and sound when withAudio) to
// sink. done counts blocks read, for progress. Returns pictures handed on,
// or -1 on a read or sink failure.
int64_t RunChannelExport(const ExportPlan& plan, int channel, bool withAudio, ExportSink* sink,
                         std::atomic<uint64_t>* done);

// The channel's last full picture before block `before`, looked for backwards
// at most maxBack bytes: the start of the block holding its start code.
bool FindFullPictureBefore(const std::string& path, bool disk, uint64_t before, int channel,
                           uint64_t maxBack, uint64_t* blockStart);

}  // namespace marlow::cli
