#include <gtest/gtest.h>

#include <cstring>

#include "recording/block_format.h"
#include "tools/streamkit/stream_builder.h"

namespace marlow {
namespace {

TEST(HeaderCheck, KnownValues) {
  const uint8_t zeros[7] = {};
  EXPECT_EQ(HeaderCheck(zeros, 7), 0x0C);
  EXPECT_EQ(HeaderCheck(reinterpret_cast<const uint8_t*>("abc"), 3), 0x59);
}

TEST(HeaderCheck, BuiltHeaderParsesAndAnyBitFlipIsCaught) {
  uint8_t h[8];
  BuildBlockHeader(0x12345678u, 0xBEEF, 0xFF, h);
  EXPECT_EQ(h[6], 0x7F);  // bit 7 of the frame skip is written 0
  BlockHeader parsed;
  ASSERT_TRUE(ParseBlockHeader(h, &parsed));
  EXPECT_EQ(parsed.time, 0x12345678u);
  EXPECT_EQ(parsed.channelMask, 0xBEEF);
  EXPECT_EQ(parsed.frameSkip, 0x7F);
  for (int bit = 0; bit < 64; ++bit) {
    uint8_t b[8];
    memcpy(b, h, 8);
    b[bit / 8] ^= static_cast<uint8_t>(1 << (bit % 8));
    EXPECT_FALSE(ParseBlockHeader(b, &parsed)) << bit;
  }
}

TEST(HeaderCheck, ReaderIgnoresFrameSkipBit7) {
  uint8_t h[8] = {1, 2, 3, 4, 5, 6, 0x85, 0};
  h[7] = HeaderCheck(h, 7);
  BlockHeader parsed;
  ASSERT_TRUE(ParseBlockHeader(h, &parsed));
  EXPECT_EQ(parsed.frameSkip, 5);
}

TEST(Calendar, BreakDownWithoutZoneOffset) {
  TimeRecord t = BreakDownTime(0);
  EXPECT_EQ(t.year, 1970);
  EXPECT_EQ(t.month, 1);
  EXPECT_EQ(t.day, 1);
  EXPECT_EQ(t.hour, 0);
  t = BreakDownTime(951782400u + 86399);  // 2000-02-29 23:59:59, a leap day
  EXPECT_EQ(t.year, 2000);
  EXPECT_EQ(t.month, 2);
  EXPECT_EQ(t.day, 29);
  EXPECT_EQ(t.hour, 23);
  EXPECT_EQ(t.minute, 59);
  EXPECT_EQ(t.second, 59);
  EXPECT_EQ(t.dayOfWeek, 0);
  EXPECT_EQ(t.milliseconds, 0);
  t = BreakDownTime(0xFFFFFFFFu);  // 2106-02-07 06:28:15
  EXPECT_EQ(t.year, 2106);
  EXPECT_EQ(t.month, 2);
  EXPECT_EQ(t.day, 7);
  EXPECT_EQ(t.hour, 6);
  EXPECT_EQ(t.minute, 28);
  EXPECT_EQ(t.second, 15);
}

TEST(Calendar, RoundTripsEveryDayAcrossCenturyYears) {
  // 1970 .. 2106 day by day (covers 2000 leap and 2100 non-leap).
  int prevDay = 31, prevMonth = 12;
  for (uint64_t s = 0; s <= 0xFFFFFFFFull; s += 86400) {
    const TimeRecord t = BreakDownTime(static_cast<uint32_t>(s + 3723));
    ASSERT_EQ(SecondsFromTime(t), s + 3723);
    ASSERT_EQ(t.hour * 3600 + t.minute * 60 + t.second, 3723);
    if (t.day != 1) {
      ASSERT_EQ(t.day, prevDay + 1);
    } else {
      ASSERT_EQ(t.month, prevMonth % 12 + 1);
    }
    if (t.year % 4 != 0 || t.year == 2100) {
      ASSERT_FALSE(t.month == 2 && t.day == 29);
    }
    prevDay = t.day;
    prevMonth = t.month;
  }
}

TEST(ByteOrder, DiskExchangesBytesWithinWords) {
  uint8_t b[6] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
  SwapWordBytes(b, sizeof b);
  const uint8_t want[6] = {0x22, 0x11, 0x44, 0x33, 0x66, 0x55};
  EXPECT_EQ(0, memcmp(b, want, 6));
}

TEST(StartCode, OnlyF8ToFdStartUnits) {
  EXPECT_FALSE(IsUnitStart(0x000001F7u));
  for (uint32_t xx = 0xF8; xx <= 0xFD; ++xx) EXPECT_TRUE(IsUnitStart(0x00000100u | xx));
  EXPECT_FALSE(IsUnitStart(0x000001FEu));
  EXPECT_FALSE(IsUnitStart(0x000001B3u));  // a slice code belongs to its unit
  EXPECT_FALSE(IsUnitStart(0x010001F9u));
}

TEST(StreamOffsets, StepOverBlockHeaders) {
  EXPECT_EQ(StreamNext(4095), 4096u + 8);
  EXPECT_EQ(StreamPrev(4096 + 8), 4095u);
  EXPECT_EQ(StreamNext(100), 101u);
  for (uint64_t i = 0; i < 10000; ++i) {
    EXPECT_EQ(StreamNext(streamkit::StreamBuilder::FileOffsetOf(i)),
              streamkit::StreamBuilder::FileOffsetOf(i + 1));
  }
}

TEST(SaveStretchPlan, RoundsToWholeBlocksAndCapsAtOneGiB) {
  uint64_t a = 0, b = 0;
  ASSERT_TRUE(PlanStretch(4097, 8192, 20000, &a, &b));
  EXPECT_EQ(a, 4096u);
  EXPECT_EQ(b, 8192u);
  ASSERT_TRUE(PlanStretch(4096, 8193, 20000, &a, &b));
  EXPECT_EQ(a, 4096u);
  EXPECT_EQ(b, 12288u);
  EXPECT_FALSE(PlanStretch(5000, 5000, 20000, &a, &b));
  EXPECT_FALSE(PlanStretch(0, 20000, 20000, &a, &b));  // end must lie inside
  const uint64_t big = 4ull << 30;
  ASSERT_TRUE(PlanStretch(0, (1ull << 30) - 1, big, &a, &b));  // exactly 1 GiB
  EXPECT_EQ(b - a, 1ull << 30);
  EXPECT_FALSE(PlanStretch(0, (1ull << 30) + 1, big, &a, &b));
  EXPECT_FALSE(PlanStretch(4095, (1ull << 30) + 1, big, &a, &b));
  ASSERT_TRUE(PlanStretch(4096, (1ull << 30) + 1, big, &a, &b));
}

TEST(StreamBuilder, LaysUnitsIntoValidBlocks) {
  streamkit::StreamBuilder sb;
  sb.SetTime(1000);
  sb.SetChannelMask(0x8001);
  sb.SetFrameSkip(3);
  std::vector<uint8_t> unit = streamkit::MakeVideoUnit(2, true, 5000, 1);
  sb.AddUnit(unit);
  sb.SetTime(2000);
  sb.BreakCheckOfBlock(1);  // already started: broken now
  sb.BreakCheckOfBlock(2);  // started later: broken then
  sb.AddUnit(unit);
  sb.Finish();
  const auto& b = sb.Bytes();
  ASSERT_EQ(b.size(), 3 * kBlockSize);
  EXPECT_EQ(sb.StreamBytes(), 10000u);
  BlockHeader h;
  ASSERT_TRUE(ParseBlockHeader(b.data(), &h));
  EXPECT_EQ(h.time, 1000u);
  EXPECT_EQ(h.channelMask, 0x8001);
  EXPECT_EQ(h.frameSkip, 3);
  EXPECT_FALSE(ParseBlockHeader(b.data() + 4096, &h));
  EXPECT_FALSE(ParseBlockHeader(b.data() + 8192, &h));
  EXPECT_EQ(h.time, 2000u);
  EXPECT_EQ(0, memcmp(b.data() + 8, unit.data(), 4088));
  EXPECT_EQ(0, memcmp(b.data() + 4096 + 8, unit.data() + 4088, 5000 - 4088));
}

// Left to itself the builder writes what a recorder would: times from the
// pictures' due times, the timing's frame skip and, in every block (also
// those laid before the later cameras' first pictures), all cameras.
TEST(StreamBuilder, HeadersFollowThePictures) {
  streamkit::StreamBuilder sb;
  sb.SetTiming(streamkit::RecorderTiming{272, 3});  // 50 ms apart
  sb.SetStartTime(5000);
  sb.BreakCheckOfBlock(5);
  for (uint32_t k = 0; k < 300; ++k)
    sb.AddUnit(streamkit::MakeVideoUnit(k % 3, k % 9 == 0, 1500, k));
  sb.Finish();
  const auto& b = sb.Bytes();
  for (size_t block = 0; block < sb.BlockCount(); ++block) {
    BlockHeader h;
    ASSERT_EQ(ParseBlockHeader(b.data() + block * kBlockSize, &h), block != 5) << block;
    if (block == 5) continue;
    const uint64_t picture = block * 4088 / 1500;  // being laid when the block starts
    EXPECT_EQ(h.time, 5000 + picture / 20) << block;
    EXPECT_EQ(h.channelMask, 0x0007) << block;
    EXPECT_EQ(h.frameSkip, 3) << block;
  }
  EXPECT_EQ(sb.NextPictureUs(), 300u * 50000);
}

TEST(StreamBuilder, FillerNeverFormsAUnitStartCode) {
  std::vector<uint8_t> u = streamkit::MakeVideoUnit(1, false, 200000, 7);
  uint32_t reg = 0xFFFFFFFFu;
  int starts = 0;
  for (uint8_t b : u) {
    reg = reg << 8 | b;
    starts += IsUnitStart(reg);
  }
  EXPECT_EQ(starts, 1);
}

}  // namespace
}  // namespace marlow
