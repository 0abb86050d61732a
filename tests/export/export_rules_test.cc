// The export's portable rules: file names, sound formats, rates, height
// doubling, the stamp text and the progress scale.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "export/export_formats.h"
#include "export/export_names.h"
#include "export/export_progress.h"
#include "export/height_doubling.h"
#include "export/stamp_text.h"

namespace marlow {
namespace {

TEST(ExportNames, ChannelPartAndProposedNames) {
  EXPECT_EQ(ChannelFileName("C:\\x\\CAPTURE.AVI", 2), "C:\\x\\CAPTURE-CH3.AVI");
  EXPECT_EQ(ChannelFileName("D:\\v\\out", 0), "D:\\v\\out-CH1");
  EXPECT_EQ(ChannelFileName("a.b.avi", 15), "a.b-CH16.avi");
  // A "." in a folder name is not the file's extension.
  EXPECT_EQ(ChannelFileName("D:\\v.1\\out", 0), "D:\\v.1\\out-CH1");
  EXPECT_EQ(PartFileName("C:\\x\\CAPTURE-CH3.AVI", 1), "C:\\x\\CAPTURE-CH3.AVI");
  EXPECT_EQ(PartFileName("C:\\x\\CAPTURE-CH3.AVI", 2), "C:\\x\\CAPTURE-CH3-2.AVI");
  EXPECT_EQ(PartFileName("D:\\v\\out-CH1", 3), "D:\\v\\out-CH1-3");
  EXPECT_EQ(OutputNameFromInput("C:\\KVR\\rec.kvr"), "C:\\AVI\\rec.AVI");
  EXPECT_EQ(OutputNameFromInput("D:\\a.KVR"), "D:\\a.AVI");
  EXPECT_EQ(OutputNameFromInput("D:\\a.Kvr"), "D:\\a.Kvr");
  EXPECT_EQ(OutputNameFromInput("kvrkvr"), "AVIAVI");
}

TEST(ExportFormats, SoundByVariant) {
  for (int v = 0; v <= 9; ++v) {
    const AviAudioFormat f = AudioFormatForVariant(v);
    EXPECT_EQ(f.formatTag, (v == 4 || v == 5) ? 1 : 6) << v;
    EXPECT_EQ(f.samplesPerSecond, v == 3 ? 13183u : v == 5 ? 16000u : 8000u) << v;
    EXPECT_EQ(f.bytesPerSecond, f.samplesPerSecond);
    EXPECT_EQ(f.channels, 1);
    EXPECT_EQ(f.bitsPerSample, 8);
    EXPECT_EQ(f.blockAlign, 1);
  }
}

TEST(ExportFormats, PictureAndFileRates) {
  // One channel's share of the player's table, reduced: variant 4, 224
  // lines (16666 us), four channels, no frame skip: 1e6 / 66664.
  StreamRate r = PictureRate(224, 4, 0, 0x000F);
  EXPECT_EQ(r.rate, 125000u);
  EXPECT_EQ(r.scale, 8333u);
  // 272 lines (12500 us), frame skip 2, two channels: 1e6 / 75000.
  r = PictureRate(272, 4, 2, 0x0003);
  EXPECT_EQ(r.rate, 40u);
  EXPECT_EQ(r.scale, 3u);
  EXPECT_EQ(PictureRate(224, 0, 0, 1).scale, 33333u);
  EXPECT_EQ(PictureRate(272, 2, 0, 1).rate, 40u);
  // The largest scale (frame skip 127, 16 channels) and an empty mask.
  r = PictureRate(224, 0, 127, 0xFFFF);
  EXPECT_EQ(r.rate, 15625u);
  EXPECT_EQ(r.scale, 33333u * 32);
  EXPECT_EQ(PictureRate(224, 4, 1, 0).scale, 8333u);

  EXPECT_EQ(AudioMilliseconds(8000, 8000), 1000u);
  EXPECT_EQ(AudioMilliseconds(13183 * 3 + 13, 13183), 3000u);
  const StreamRate pictures{60, 4};
  // With sound: pictures x 1000 over the sound's milliseconds.
  StreamRate f = FileRate(pictures, true, 150, 10000);
  EXPECT_EQ(f.rate, 150000u);
  EXPECT_EQ(f.scale, 10000u);
  // No sound, or sound only on audio channels 1-3 (0 ms on channel 0): the
  // picture rate stays, never a scale of 0.
  f = FileRate(pictures, false, 150, 10000);
  EXPECT_EQ(f.rate, 60u);
  f = FileRate(pictures, true, 150, 0);
  EXPECT_EQ(f.rate, 60u);
  EXPECT_EQ(f.scale, 4u);
}

TEST(HeightDoubling, RowsAveragedLastCopiedSizesChecked) {
  // 2 x 3 pixels: rows of 6 bytes.
  const std::vector<uint8_t> in = {0,   1,   2,   3,   4,   5,   //
                                   10,  11,  12,  13,  14,  15,  //
                                   255, 254, 253, 252, 251, 250};
  std::vector<uint8_t> out(36, 0xAA);
  ASSERT_EQ(DoubleHeightReference(in.data(), 18, 2, 3, out.data(), 36), 1);
  const std::vector<uint8_t> want = {0,   1,   2,   3,   4,   5,     //
                                     5,   6,   7,   8,   9,   10,    // (0+10)/2 ...
                                     10,  11,  12,  13,  14,  15,    //
                                     132, 132, 132, 132, 132, 132,   // (10+255)/2 = 132
                                     255, 254, 253, 252, 251, 250,   //
                                     255, 254, 253, 252, 251, 250};  // last row copied
  EXPECT_EQ(out, want);
  EXPECT_EQ(DoubleHeight(in.data(), 18, 2, 3, out.data(), 35), 0);
  EXPECT_EQ(DoubleHeight(in.data(), 17, 2, 3, out.data(), 34), 0);
  EXPECT_EQ(DoubleHeight(in.data(), 18, 3, 2, out.data(), 36), 1);  // same bytes, other shape
  EXPECT_EQ(DoubleHeight(in.data(), 18, 2, 2, out.data(), 36), 0);
  EXPECT_EQ(DoubleHeight(nullptr, 18, 2, 3, out.data(), 36), 0);
}

TEST(HeightDoubling, FastEqualsReferenceAndSwitchForcesIt) {
  std::mt19937 random(7);
  for (unsigned width : {640u, 5u, 1u}) {
    for (unsigned height : {272u, 1u, 3u}) {
      const size_t bytes = static_cast<size_t>(width) * height * 3;
      std::vector<uint8_t> in(bytes);
      for (uint8_t& b : in) b = static_cast<uint8_t>(random());
      std::vector<uint8_t> a(2 * bytes), b(2 * bytes);
      ASSERT_EQ(DoubleHeightReference(in.data(), bytes, width, height, a.data(), 2 * bytes), 1);
      ASSERT_EQ(DoubleHeightFast(in.data(), bytes, width, height, b.data(), 2 * bytes), 1);
      EXPECT_EQ(a, b) << width << "x" << height;
    }
  }
  const bool was = DoublingReference();
  SetDoublingReference(true);
  EXPECT_TRUE(DoublingReference());
  SetDoublingReference(was);
}

TEST(StampText, FieldsTwoDigitsYearWhole) {
  char text[kStampTextBytes];
  TimeRecord t;
  t.year = 2008;
  t.month = 5;
  t.day = 17;
  t.hour = 13;
  t.minute = 45;
  t.second = 2;
  EXPECT_EQ(FormatStampText(t, text), 19);
  EXPECT_STREQ(text, "2008/05/17 13:45:02");
  t = TimeRecord();
  t.year = 65535;
  t.month = 65535;
  FormatStampText(t, text);
  EXPECT_STREQ(text, "65535/65535/00 00:00:00");
}

TEST(ExportProgress, LargeSourcesStayInRangeAndInStep) {
  ProgressScale s = ScaleForSize(1000);
  EXPECT_EQ(s.shift, 0);
  EXPECT_EQ(s.range, 1000);
  EXPECT_EQ(ScaledPosition(s, 500), 500);
  // 2 GiB and more: the range fits a signed 32-bit value and positions
  // scale with it.
  for (uint64_t size : {1ull << 31, (1ull << 31) + 1, 5ull << 30, 1ull << 40, ~0ull}) {
    s = ScaleForSize(size);
    EXPECT_GT(s.range, 0x3FFFFFFF) << size;
    EXPECT_EQ(ScaledPosition(s, size), s.range);
    EXPECT_NEAR(ScaledPosition(s, size / 2), s.range / 2, 1);
    if (size != ~0ull) {
      EXPECT_EQ(ScaledPosition(s, size + 1), s.range);
    }
    EXPECT_EQ(ProgressPercent(size / 2, size), 49 + (size % 2 == 0 ? 1 : 0));
    EXPECT_EQ(ProgressPercent(size - 1, size), 99);
    EXPECT_EQ(ProgressPercent(size, size), 100);
  }
  EXPECT_EQ(ProgressPercent(5, 0), 0);
  EXPECT_EQ(ProgressPercent(3ull << 32, 4ull << 32), 75);
}

}  // namespace
}  // namespace marlow
