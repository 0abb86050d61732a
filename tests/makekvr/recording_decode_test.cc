// A whole made recording through the viewer's decoder: every picture of
// every channel decodes, in order, showing its own channel and number.
#include <gtest/gtest.h>

#include <vector>

#include "codec/video_decoder.h"
#include "recording/block_format.h"
#include "tools/encoder/synthetic_camera.h"
#include "tools/makekvr/recording_maker.h"
#include "tools/streamkit/stream_builder.h"

namespace marlow {
namespace {

TEST(RecordingDecode, EveryChannelShowsItsPicturesInOrder) {
  RecordingPlan plan;
  plan.channels = 4;
  plan.height = 224;
  plan.seconds = 3;
  plan.picturesPerSecond = 5;  // 60 pictures a second at 224 lines: frame skip 2
  plan.fullEvery = 5;
  streamkit::StreamBuilder builder;
  RecordingStats stats;
  const char* error = nullptr;
  ASSERT_EQ(MakeRecording(plan, &builder, &stats, &error), 1);

  // Stream bytes without the block headers, then cut at the unit start codes.
  const std::vector<uint8_t>& file = builder.Bytes();
  std::vector<uint8_t> stream;
  for (size_t b = 0; b + kBlockSize <= file.size(); b += kBlockSize) {
    stream.insert(stream.end(), file.begin() + b + kBlockHeaderSize, file.begin() + b + kBlockSize);
  }
  std::vector<size_t> starts;
  for (size_t i = 0; i + 3 < stream.size(); ++i) {
    if (stream[i] == 0 && stream[i + 1] == 0 && stream[i + 2] == 1 && IsUnitCode(stream[i + 3])) {
      starts.push_back(i);
    }
  }
  starts.push_back(stream.size());

  VideoDecoder decoder;
  decoder.Reset(4);
  std::vector<std::vector<uint8_t>> shown(4, std::vector<uint8_t>(kMaxPictureBytes, 0));
  long expected[4] = {0, 0, 0, 0};
  int pictures = 0;
  // The unit after the last start code never completes (it only ends the
  // last picture).
  for (size_t k = 0; k + 2 < starts.size(); ++k) {
    const uint8_t* unit = stream.data() + starts[k];
    const size_t length = starts[k + 1] - starts[k];
    if (!IsVideoCode(unit[3])) continue;
    ASSERT_NE(decoder.ParseHeader(unit, length), 0u) << "unit " << k;
    const int ch = decoder.Channel();
    ASSERT_LT(ch, 4);
    DecodedPicture picture;
    picture.planes = shown[ch].data();
    ASSERT_EQ(decoder.Decode(unit, length, &picture), 1);
    EXPECT_EQ(ReadBurntInChannel(picture.planes, 640, 640, 224), ch);
    EXPECT_EQ(ReadBurntInCounter(picture.planes, 640, 640, 224), expected[ch]++);
    ++pictures;
  }
  EXPECT_EQ(pictures, stats.pictures);
  EXPECT_EQ(stats.frameSkip, 2);
  // 3 s of 49.998 ms slots: 61 pictures, the first camera has one more.
  EXPECT_EQ(expected[0], 16);
  for (int c = 1; c < 4; ++c) EXPECT_EQ(expected[c], 15);
}

}  // namespace
}  // namespace marlow
