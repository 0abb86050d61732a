// Makes whole test recordings: synthetic camera pictures of 1..16 channels
// coded as the recorder codes them (picture header layout 2: F9 full, F8
// update, byte 4 = quantiser << 4 | channel), test sound in audio units, all
// laid into blocks whose times advance with the pictures.
//
// Timing is a recorder's: one stream of pictures (frameSkip + 1) picture
// intervals apart (the interval of recordings, stream variant 4, for the
// picture height: 12.5 ms at 272 lines, 16.666 ms at 224), taken in turn by
// the cameras in the channel mask. The frame skip follows from the pictures
// asked for per camera; asking for more than the recorder can send is
// refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/makekvr/test_audio.h"
#include "tools/streamkit/stream_builder.h"

namespace marlow {

struct RecordingPlan {
  int channels = 4;       // 1..16 cameras, channels 0..channels-1
  int height = 272;       // 224 or 272 (width is always 640)
  double seconds = 10.0;  // length of the recording
  // Per channel, 1..30: made exact as the recorder's rate ÷ (frame skip +
  // 1) ÷ channels with the nearest frame skip.
  int picturesPerSecond = 5;
  int fullEvery = 10;  // a full picture every N pictures of a channel
  int qscale = 4;      // 1..14
  // Picture header layout 1..3 (the stream variants 0, 4 and 5 read layouts
  // 1, 2 and 3); layout 1 codes channels 0..3 only, layout 3 channel 0 only.
  int headerLayout = 2;
  // -1: the frame skip that gives picturesPerSecond. 0..127: written into
  // every block header whatever the pictures' real rate, for deliberately
  // odd recordings.
  int frameSkip = -1;
  int maskOverride = -1;  // channel mask for the headers; -1: from `channels`
  // From this picture time on (seconds into the recording) the last channel
  // stops: its pictures end and its bit leaves the mask. Negative: never.
  double dropLastChannelAt = -1.0;
  TestSound sound = TestSound::kTone;
  int audioChannel = 0;  // 0..3
  size_t audioUnitSamples = 500;
  uint32_t startTime = streamkit::kDefaultStartTime;
  std::vector<size_t> brokenBlocks;  // blocks whose header check is spoiled
};

struct RecordingStats {
  int frameSkip = 0;              // written into the headers
  double channelRate = 0;         // pictures per second of each camera
  uint32_t pictureSpacingUs = 0;  // between two pictures of the stream
  int pictures = 0;
  int fullPictures = 0;
  int audioUnits = 0;
  size_t videoBytes = 0;
  size_t largestPicture = 0;
};

// Lays the whole recording into `builder`, a fresh one (and Finish()es it). Returns 1, or
// 0 with `error` set when the plan is out of range or asks for more pictures
// than a recorder sends (the text says what is possible; it stays valid
// until the next call).
int MakeRecording(const RecordingPlan& plan, streamkit::StreamBuilder* builder,
                  RecordingStats* stats, const char** error);

}  // namespace marlow
