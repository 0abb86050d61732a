#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "recording/recording_source.h"
#include "tests/recording/test_util.h"

namespace marlow {
namespace {

using namespace testing_util;
using streamkit::MakeVideoUnit;
using streamkit::StreamBuilder;

constexpr uint32_t kT0 = 1262304000u;  // 2010-01-01 00:00:00

class SourceTest : public ::testing::TestWithParam<bool> {
 protected:
  // Every case runs with the fast scan (false) and the plain reference (true).
  void SetUp() override { src_.UseReferenceScan(GetParam()); }
  void Open(const StreamBuilder& b, bool disk = false) {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& ch : name) ch = (ch == '/') ? '_' : ch;
    path_ = WriteTemp(b, name, disk);
    ASSERT_EQ(src_.OpenSource(path_.c_str(), disk), 1);
  }
  void TearDown() override {
    src_.Close();
    if (!path_.empty()) std::remove(path_.c_str());
  }
  Read Fwd() { return ReadOne(src_, false, buf_); }
  Read Back() { return ReadOne(src_, true, buf_); }

  RecordingSource src_;
  std::string path_;
  Bytes buf_ = Bytes(kMaxUnitBytes);
};

TEST_P(SourceTest, ForwardBackwardAlternationOverThreeUnits) {
  StreamBuilder b;
  b.SetTime(kT0);
  const Bytes a = MakeVideoUnit(1, true, 300, 1), bb = Audio(2, 200),
              c = MakeVideoUnit(3, false, 500, 3);
  b.AddUnit(a);
  b.AddUnit(bb);
  b.AddUnit(c);
  b.Finish();
  Open(b);
  Read r = Fwd();
  EXPECT_EQ(r.bytes, a);
  EXPECT_FALSE(r.audio);
  EXPECT_EQ(r.channel, 1);
  EXPECT_EQ(r.position, 8u + 300);  // at B's start code
  r = Fwd();
  EXPECT_EQ(r.bytes, Delivered(bb));
  EXPECT_TRUE(r.audio);
  EXPECT_EQ(r.channel, 2);
  r = Back();
  EXPECT_EQ(r.bytes, a);
  EXPECT_EQ(r.position, 8u + 4);  // just past A's start code
  r = Fwd();
  EXPECT_EQ(r.bytes, Delivered(bb));
  // C is never ended by a start code: not returned, and the end stays the end.
  EXPECT_EQ(Fwd().bytes.size(), 0u);
  EXPECT_FALSE(src_.LastReadFoundUnit());
  EXPECT_EQ(Fwd().bytes.size(), 0u);
  // Backwards from the end: B, then A, then nothing before A.
  src_.SetPosition(src_.Size() - 1);
  EXPECT_EQ(Back().bytes, Delivered(bb));
  EXPECT_EQ(Back().bytes, a);
  EXPECT_EQ(Back().bytes.size(), 0u);
  EXPECT_EQ(src_.Position(), 0u);
  EXPECT_EQ(Back().bytes.size(), 0u);
}

TEST_P(SourceTest, OneUnitAndTinyFilesYieldNothing) {
  StreamBuilder b;
  b.AddUnit(MakeVideoUnit(0, true, 1000, 1));
  b.Finish();
  Open(b);
  EXPECT_EQ(Fwd().bytes.size(), 0u);
  src_.SetPosition(0);
  EXPECT_EQ(Back().bytes.size(), 0u);  // from position 0: nothing at once
  src_.Close();

  // Fewer than 4096 bytes: opens with its size, every read is empty.
  const std::string small = TempPath("small.kvr");
  std::FILE* f = std::fopen(small.c_str(), "wb");
  ASSERT_TRUE(f);
  const Bytes half(3000, 0);
  std::fwrite(half.data(), 1, half.size(), f);
  std::fclose(f);
  ASSERT_EQ(src_.OpenSource(small.c_str(), false), 1);
  EXPECT_EQ(src_.Size(), 3000u);
  EXPECT_EQ(Fwd().bytes.size(), 0u);
  src_.SetPosition(2999);
  EXPECT_EQ(Back().bytes.size(), 0u);
  TimeRecord t;
  EXPECT_EQ(src_.CurrentTime(&t), 0);
  src_.Close();
  std::remove(small.c_str());
}

TEST_P(SourceTest, OpenFailuresAndSizeLimits) {
  NoticeCollector notices;
  EXPECT_EQ(src_.OpenSource(TempPath("missing.kvr").c_str(), false), 0);
  EXPECT_FALSE(src_.IsOpen());
  EXPECT_TRUE(notices.texts.empty());
  // A device without geometry, opened as a disk: its size cannot be had.
#ifdef _WIN32
  const char* nullDevice = "NUL";
#else
  const char* nullDevice = "/dev/null";
#endif
  // A device that is no disk is refused quietly, at once.
  EXPECT_EQ(src_.OpenSource(nullDevice, true), 0);
  EXPECT_FALSE(src_.IsOpen());
  EXPECT_TRUE(notices.texts.empty());

  StreamBuilder b;
  b.AddUnit(MakeVideoUnit(0, true, 5000, 1));
  b.Finish();
  Open(b);
  EXPECT_EQ(src_.Size(), 8192u);
  src_.SetPosition(5000);
  src_.SetPosition(8192);  // at or past the size: unchanged
  EXPECT_EQ(src_.Position(), 5000u);
  EXPECT_EQ(src_.SetMark(8192), 0);
  EXPECT_EQ(src_.SetMark(8191), 1);
  EXPECT_EQ(src_.SeekToMark(buf_.data()), 0u);  // mark on the last byte
  src_.Close();
  EXPECT_EQ(src_.Size(), 0u);
  EXPECT_EQ(src_.Position(), 0u);
  EXPECT_EQ(src_.SetMark(0), 0);
  EXPECT_EQ(src_.Path(), "");
}

TEST_P(SourceTest, TimeMaskAndSkipComeFromTheRightBlock) {
  StreamBuilder b;
  b.SetTime(kT0);
  b.SetChannelMask(0x0003);
  b.SetFrameSkip(1);
  const Bytes a = MakeVideoUnit(0, true, 3000, 1), bu = MakeVideoUnit(1, true, 3000, 2),
              c = MakeVideoUnit(2, true, 100, 3);
  b.AddUnit(a);
  b.SetTime(kT0 + 3661);  // block 1 starts inside B
  b.SetChannelMask(0x0007);
  b.SetFrameSkip(2);
  b.AddUnit(bu);
  b.AddUnit(c);
  b.AddUnit(c);
  b.Finish();
  Open(b);
  TimeRecord t;
  EXPECT_EQ(src_.CurrentTime(&t), 0);  // nothing read yet
  ASSERT_EQ(Fwd().bytes, a);
  ASSERT_EQ(src_.CurrentTime(&t), 1);
  EXPECT_EQ(t.hour, 0);
  // Forwards a unit takes the block holding the start code that ends it.
  ASSERT_EQ(Fwd().bytes, bu);
  ASSERT_EQ(src_.CurrentTime(&t), 1);
  EXPECT_EQ(t.year, 2010);
  EXPECT_EQ(t.month, 1);
  EXPECT_EQ(t.day, 1);
  EXPECT_EQ(t.hour, 1);
  EXPECT_EQ(t.minute, 1);
  EXPECT_EQ(t.second, 1);
  EXPECT_EQ(src_.ChannelMask(), 0x0007);
  EXPECT_EQ(src_.FrameSkip(), 2);
  EncodedFrame f;
  src_.Describe(&f);
  EXPECT_EQ(f.kind, UnitKind::kVideo);
  EXPECT_EQ(f.channel, 1);
  EXPECT_EQ(f.length, bu.size());
  EXPECT_EQ(f.channelMask, 0x0007);
  EXPECT_EQ(f.frameSkip, 2);
  EXPECT_EQ(f.time.second, 1);
  ASSERT_EQ(Fwd().bytes, c);
  // Backwards it takes the block holding the unit's own start code.
  ASSERT_EQ(Back().bytes, bu);
  ASSERT_EQ(src_.CurrentTime(&t), 1);
  EXPECT_EQ(t.hour, 0);
  EXPECT_EQ(src_.ChannelMask(), 0x0003);
  EXPECT_EQ(src_.FrameSkip(), 1);
}

TEST_P(SourceTest, BrokenBlockLosesTheUnitAndKeepsLastValidHeader) {
  StreamBuilder b;
  b.SetChannelMask(0x0011);
  b.SetFrameSkip(5);
  const Bytes u1 = MakeVideoUnit(1, true, 1000, 1), u2 = MakeVideoUnit(2, true, 5000, 2),
              u3 = MakeVideoUnit(3, true, 3000, 3), u4 = MakeVideoUnit(4, true, 700, 4);
  b.AddUnit(u1);
  b.SetChannelMask(0x0022);  // block 1, broken, starts inside u2
  b.SetFrameSkip(6);
  b.BreakCheckOfBlock(1);
  b.AddUnit(u2);
  b.SetChannelMask(0x0033);  // block 2 starts inside u3
  b.SetFrameSkip(7);
  b.AddUnit(u3);
  b.AddUnit(u4);
  b.AddUnit(u4);
  b.Finish();
  ASSERT_EQ(b.BlockCount(), 3u);
  Open(b);
  EXPECT_EQ(Fwd().bytes, u1);
  EXPECT_EQ(Fwd().bytes.size(), 0u);  // the broken block ends u2
  EXPECT_EQ(src_.Position(), 8192u);
  EXPECT_EQ(src_.ChannelMask(), 0x0011);  // not taken from the broken block
  EXPECT_EQ(src_.FrameSkip(), 5);
  EXPECT_EQ(Fwd().bytes, u4);  // u3 began in the broken block: lost too
  EXPECT_EQ(src_.ChannelMask(), 0x0033);

  // Backwards: u4, then the broken block ends u3, then u1 (u2 is lost).
  src_.SetPosition(src_.Size() - 1);
  EXPECT_EQ(Back().bytes, u4);
  EXPECT_EQ(Back().bytes.size(), 0u);
  EXPECT_EQ(src_.Position(), 4096u);
  EXPECT_EQ(src_.ChannelMask(), 0x0033);  // block 2, the last valid one read
  EXPECT_EQ(src_.FrameSkip(), 7);
  EXPECT_EQ(Back().bytes, u1);
  EXPECT_EQ(src_.ChannelMask(), 0x0011);

  // A read that starts in the broken block returns 0 and goes on past it.
  src_.SetPosition(5000);
  EXPECT_EQ(Fwd().bytes.size(), 0u);
  EXPECT_EQ(src_.Position(), 8192u);
  EXPECT_EQ(src_.ChannelMask(), 0x0011);
  src_.SetPosition(5000);
  EXPECT_EQ(Back().bytes.size(), 0u);
  EXPECT_EQ(src_.Position(), 4096u);
}

TEST_P(SourceTest, ShortTailIsNotRead) {
  StreamBuilder b;
  const Bytes a = MakeVideoUnit(1, true, 3000, 1), c = MakeVideoUnit(2, true, 3000, 2);
  b.AddUnit(a);
  b.AddUnit(MakeVideoUnit(2, true, 5500, 2));  // ended by c's start code,
  b.AddUnit(c);                                // which lies in the short tail
  b.AddUnit(c);
  b.Finish();
  Bytes bytes = b.Bytes();
  ASSERT_GE(bytes.size(), 3 * 4096u);
  bytes.resize(2 * 4096 + 1000);
  const std::string path = TempPath("tail.kvr");
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(f);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  ASSERT_EQ(src_.OpenSource(path.c_str(), false), 1);
  EXPECT_EQ(Fwd().bytes, a);
  EXPECT_EQ(Fwd().bytes.size(), 0u);
  EXPECT_EQ(src_.Position(), 8192u);  // stays at the short block
  EXPECT_EQ(Fwd().bytes.size(), 0u);
  EXPECT_EQ(src_.Position(), 8192u);
  src_.Close();
  std::remove(path.c_str());
}

// Backward reading from the end of a recording cut anywhere gives exactly
// the units forward reading gives up to the cut, in reverse order.
TEST_P(SourceTest, BackwardFromACutTailMirrorsForward) {
  StreamBuilder b;
  for (int i = 0; i < 24; ++i) {
    if (i % 3 == 2) b.AddUnit(Audio(0, 500, static_cast<uint8_t>(i)));
    b.AddUnit(MakeVideoUnit(1 + i % 4, i % 5 == 0, 900 + 450 * (i % 7), static_cast<uint8_t>(i)));
  }
  b.Finish();
  const Bytes all = b.Bytes();
  const std::string path = TempPath(std::string("cut") + (GetParam() ? "_plain" : "_fast"));
  for (size_t cut = 4096; cut <= all.size(); cut += 1733) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fwrite(all.data(), 1, cut, f);
    std::fclose(f);
    ASSERT_EQ(src_.OpenSource(path.c_str(), false), 1);
    std::vector<Bytes> forward;  // no broken blocks: the first empty read is the end
    for (Read r = Fwd(); !r.bytes.empty(); r = Fwd()) forward.push_back(r.bytes);
    if (cut > 3 * 4096) {
      EXPECT_GE(forward.size(), 2u);
    }
    src_.SetPosition(src_.Size() - 1);
    std::vector<Bytes> backward;
    for (Read r = Back(); !r.bytes.empty(); r = Back()) backward.push_back(r.bytes);
    std::reverse(backward.begin(), backward.end());
    EXPECT_EQ(backward, forward) << "cut at " << cut;
    src_.Close();
  }
  std::remove(path.c_str());
}

// A unit over 131072 bytes comes out as its first 131072 bytes, start code
// included, in both directions.
TEST_P(SourceTest, OverlongUnitsKeepTheirFirstBytes) {
  StreamBuilder b;
  const Bytes small = MakeVideoUnit(1, true, 100, 1);
  const Bytes big = MakeVideoUnit(5, true, 200000, 2);
  Bytes bigAudio = Audio(1, 150000);
  b.AddUnit(small);
  b.AddUnit(big);
  b.AddUnit(bigAudio);
  b.AddUnit(small);
  b.AddUnit(small);
  b.Finish();
  Open(b);
  const std::vector<Bytes> fwd = ReadAll(src_, false);
  ASSERT_EQ(fwd.size(), 4u);
  EXPECT_EQ(fwd[1], Bytes(big.begin(), big.begin() + kMaxUnitBytes));
  EXPECT_EQ(fwd[2], Delivered(bigAudio));
  EXPECT_EQ(fwd[2].size(), kMaxUnitBytes - 6);
  src_.SetPosition(src_.Size() - 1);
  const std::vector<Bytes> back = ReadAll(src_, true);
  ASSERT_EQ(back.size(), 4u);
  EXPECT_EQ(back[2], fwd[1]);
  EXPECT_EQ(back[1], fwd[2]);
  // Exactly 131072 bytes is whole.
  StreamBuilder e;
  const Bytes exact = MakeVideoUnit(2, true, kMaxUnitBytes, 9);
  e.AddUnit(small);
  e.AddUnit(exact);
  e.AddUnit(small);
  e.Finish();
  src_.Close();
  Open(e);
  EXPECT_EQ(ReadAll(src_, false)[1], exact);
  src_.SetPosition(src_.Size() - 1);
  EXPECT_EQ(ReadAll(src_, true)[0], exact);
}

// B's start code cut by the block seam after 1, 2 or 3 of its bytes: no unit
// is lost or changed in either direction, and positions stay on stream bytes.
TEST_P(SourceTest, StartCodeSplitByBlockSeam) {
  for (size_t before = 0; before <= 4; ++before) {
    SCOPED_TRACE(before);
    StreamBuilder b;
    const Bytes a = MakeVideoUnit(1, true, 4088 - before, 1);
    const Bytes bu = Audio(3, 300), c = MakeVideoUnit(2, false, 400, 3);
    b.AddUnit(a);
    b.AddUnit(bu);
    b.AddUnit(c);
    b.AddUnit(a);
    b.Finish();
    src_.Close();
    Open(b);
    Read r = Fwd();
    EXPECT_EQ(r.bytes, a);
    const uint64_t bStart = StreamBuilder::FileOffsetOf(a.size());
    EXPECT_EQ(r.position, bStart);
    r = Fwd();
    EXPECT_EQ(r.bytes, Delivered(bu));
    EXPECT_TRUE(r.audio);
    EXPECT_EQ(r.channel, 3);
    EXPECT_EQ(Back().bytes, a);
    EXPECT_EQ(Fwd().bytes, Delivered(bu));
    EXPECT_EQ(Fwd().bytes, c);
    // Backwards over the seam: B's start code is met whole.
    EXPECT_EQ(Back().bytes, Delivered(bu));
    EXPECT_EQ(src_.Position(), StreamBuilder::FileOffsetOf(a.size() + 3) + 1);
    EXPECT_EQ(Back().bytes, a);
    EXPECT_EQ(Fwd().bytes, Delivered(bu));
    src_.SetPosition(src_.Size() - 1);
    const std::vector<Bytes> back = ReadAll(src_, true);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0], c);
    EXPECT_EQ(back[1], Delivered(bu));
    EXPECT_EQ(back[2], a);
  }
}

// Bytes scanned in one direction never join bytes of the next read into a
// false start code.
TEST_P(SourceTest, DirectionChangeStartsTheScanAfresh) {
  StreamBuilder b;
  const Bytes p = MakeVideoUnit(1, true, 300, 1);
  Bytes a = MakeVideoUnit(2, true, 300, 2);
  a[297] = 0;  // A ends in 00 00 01, right before B's 00 00 01 F9
  a[298] = 0;
  a[299] = 1;
  Bytes bu = MakeVideoUnit(1, true, 300, 3);
  bu[4] = 0x01;  // B's bytes 4, 5 read 01 F9 after its start code
  bu[5] = 0xF9;
  const Bytes c = MakeVideoUnit(3, true, 300, 4);
  b.AddUnit(p);
  b.AddUnit(a);
  b.AddUnit(bu);
  b.AddUnit(c);
  b.AddUnit(p);
  b.Finish();
  Open(b);
  EXPECT_EQ(Fwd().bytes, p);
  EXPECT_EQ(Fwd().bytes, a);
  EXPECT_EQ(Back().bytes, p);  // not a piece of A
  EXPECT_EQ(Fwd().bytes, a);
  EXPECT_EQ(Fwd().bytes, bu);
  EXPECT_EQ(Back().bytes, a);
  EXPECT_EQ(Back().bytes, p);
  // Forward after backward that returned B: next is C, not a false unit
  // starting at B's bytes 2..5 (00 01 + 01 F9).
  EXPECT_EQ(Fwd().bytes, a);
  EXPECT_EQ(Fwd().bytes, bu);
  EXPECT_EQ(Fwd().bytes, c);
  EXPECT_EQ(Back().bytes, bu);
  EXPECT_EQ(Fwd().bytes, c);
}

TEST_P(SourceTest, AudioHeadsVariantsAndTracking) {
  StreamBuilder b;
  const Bytes v = MakeVideoUnit(0x0D, true, 300, 1);
  const Bytes shortAudio = Audio(0, 0);  // start code and head only
  const Bytes a1 = Audio(1, 1);
  b.AddUnit(v);
  b.AddUnit(shortAudio);
  b.AddUnit(a1);
  b.AddUnit(v);
  b.AddUnit(v);
  b.Finish();
  Open(b);
  EXPECT_EQ(src_.ReadForwardTracked(buf_.data()), v.size());
  EXPECT_EQ(src_.LastChannel(), 0x0D);
  EXPECT_FALSE(src_.AudioSeen());
  EXPECT_EQ(src_.ReadForwardTracked(buf_.data()), 0u);  // found, but no samples
  EXPECT_TRUE(src_.LastReadFoundUnit());
  // Still an audio unit read: it neither reads as video nor as no unit.
  EXPECT_TRUE(src_.LastIsAudio());
  EXPECT_TRUE(src_.AudioSeen());
  EXPECT_EQ(src_.ReadForwardTracked(buf_.data()), 1u);
  EXPECT_TRUE(src_.LastIsAudio());
  EXPECT_EQ(src_.LastChannel(), 1);
  EXPECT_TRUE(src_.AudioSeen());
  src_.SetStreamVariant(0);
  EXPECT_EQ(src_.ReadForwardTracked(buf_.data()), v.size());
  EXPECT_EQ(src_.LastChannel(), 0x05);  // bits 2..0 only
  // SeekToMark skips audio to the first video unit after the mark.
  ASSERT_EQ(src_.SetMark(StreamBuilder::FileOffsetOf(301)), 1);
  EXPECT_EQ(src_.SeekToMark(buf_.data()), v.size());
  EXPECT_FALSE(src_.LastIsAudio());
  src_.Close();
  EXPECT_FALSE(src_.AudioSeen());
}

TEST_P(SourceTest, DiskImageInDiskByteOrder) {
  StreamBuilder b;
  b.SetTime(kT0);
  b.SetChannelMask(0x1234);
  std::vector<Bytes> units;
  for (int i = 0; i < 40; ++i) {
    units.push_back(i % 3 == 1 ? Audio(i % 4, 333 + i)
                               : MakeVideoUnit(i % 16, true, 777 * i + 5, i));
    b.AddUnit(units.back());
  }
  b.Finish();
  Open(b, /*disk=*/true);
  EXPECT_TRUE(src_.IsDisk());
  EXPECT_EQ(src_.Size(), b.Bytes().size());
  const std::vector<Bytes> got = ReadAll(src_, false);
  ASSERT_EQ(got.size(), units.size() - 1);
  for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], Delivered(units[i])) << i;
  EXPECT_EQ(src_.ChannelMask(), 0x1234);
  // On the disk the header's first bytes 11 22 33 44 stand as 22 11 44 33.
  StreamBuilder h;
  h.SetTime(0x44332211u);
  h.AddRaw(Bytes(10, 0));
  h.Finish();
  const std::string img = WriteTemp(h, "order.img", true);
  std::FILE* f = std::fopen(img.c_str(), "rb");
  ASSERT_TRUE(f);
  uint8_t head[4];
  ASSERT_EQ(std::fread(head, 1, 4, f), 4u);
  std::fclose(f);
  EXPECT_EQ(head[0], 0x22);
  EXPECT_EQ(head[1], 0x11);
  EXPECT_EQ(head[2], 0x44);
  EXPECT_EQ(head[3], 0x33);
  std::remove(img.c_str());
}

TEST_P(SourceTest, SaveStretchCopiesWholeBlocksInNaturalOrder) {
  StreamBuilder b;
  for (int i = 0; i < 6; ++i) b.AddUnit(MakeVideoUnit(i, true, 3000, i));
  b.Finish();
  ASSERT_EQ(b.BlockCount(), 5u);
  Open(b, /*disk=*/true);
  const std::string out = TempPath("stretch.kvr");
  auto fileBytes = [&]() {
    Bytes got;
    std::FILE* f = std::fopen(out.c_str(), "rb");
    if (!f) return got;
    uint8_t tmp[4096];
    size_t n;
    while ((n = std::fread(tmp, 1, sizeof tmp, f)) > 0) got.insert(got.end(), tmp, tmp + n);
    std::fclose(f);
    return got;
  };
  const Bytes& all = b.Bytes();
  ASSERT_EQ(src_.SaveStretch(4097, 8192, out.c_str()), 1);
  EXPECT_EQ(fileBytes(), Bytes(all.begin() + 4096, all.begin() + 8192));
  ASSERT_EQ(src_.SaveStretch(4096, 8193, out.c_str()), 1);
  EXPECT_EQ(fileBytes(), Bytes(all.begin() + 4096, all.begin() + 12288));
  std::remove(out.c_str());
  EXPECT_EQ(src_.SaveStretch(8192, 8192, out.c_str()), 0);
  EXPECT_EQ(src_.SaveStretch(0, src_.Size(), out.c_str()), 0);
  EXPECT_EQ(fileBytes().size(), 0u);  // nothing created
  // The copy reads as the original does.
  ASSERT_EQ(src_.SaveStretch(0, src_.Size() - 1, out.c_str()), 1);
  RecordingSource copy;
  ASSERT_EQ(copy.OpenSource(out.c_str(), false), 1);
  src_.SetPosition(0);
  EXPECT_EQ(ReadAll(copy, false), ReadAll(src_, false));
  copy.Close();
  std::remove(out.c_str());
}

Bytes FileBytes(const std::string& path) {
  Bytes got;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return got;
  uint8_t tmp[4096];
  size_t n;
  while ((n = std::fread(tmp, 1, sizeof tmp, f)) > 0) got.insert(got.end(), tmp, tmp + n);
  std::fclose(f);
  return got;
}

// A save onto the recording it reads, under any name, is refused before
// anything is created or truncated, and says why.
TEST_P(SourceTest, SaveStretchNeverReplacesItsOwnSource) {
  StreamBuilder b;
  for (int i = 0; i < 4; ++i) b.AddUnit(MakeVideoUnit(i, true, 3000, i));
  b.Finish();
  Open(b);
  const Bytes before = FileBytes(path_);
  std::vector<std::string> names = {path_};
  // The same file through a detour of its folder.
  const std::string dir = std::string(::testing::TempDir());
  const std::string base = path_.substr(dir.size());
  names.push_back(dir + "." + std::string(1, path_[dir.size() - 1]) + base);
#ifdef _WIN32
  std::string upper = path_;
  for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  names.push_back(upper);
#else
  const std::string link = TempPath("hardlink.kvr");
  std::remove(link.c_str());
  ASSERT_EQ(::link(path_.c_str(), link.c_str()), 0);
  names.push_back(link);
#endif
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    EXPECT_EQ(src_.SaveStretch(0, 8192, name.c_str()), 0);
    EXPECT_STREQ(src_.SaveErrorText(),
                 "A stretch cannot be saved onto the recording it is taken from");
    EXPECT_EQ(FileBytes(path_), before);
  }
  // And the source still reads.
  src_.SetPosition(0);
  EXPECT_EQ(ReadAll(src_, false).size(), 3u);
#ifndef _WIN32
  std::remove(link.c_str());
#endif
}

// A source that fails in the middle of a save: 0, and no file that looks
// whole: neither a new one nor a changed older one of that name.
TEST_P(SourceTest, SaveStretchThatCannotReadLeavesNoFile) {
  StreamBuilder b;
  for (int i = 0; i < 6; ++i) b.AddUnit(MakeVideoUnit(i, true, 3000, i));
  b.Finish();
  platform::EnableMemoryFiles(true);
  platform::PutMemoryFile("mem:failing.kvr", b.Bytes().data(), b.Bytes().size());
  ASSERT_EQ(src_.OpenSource("mem:failing.kvr", false), 1);
  platform::FailMemoryFileReadsFrom("mem:failing.kvr", 3 * 4096 + 100);
  EXPECT_EQ(src_.SaveStretch(0, src_.Size() - 1, "mem:out.kvr"), 0);
  EXPECT_STREQ(src_.SaveErrorText(), "The recording could not be read");
  Bytes got;
  EXPECT_FALSE(platform::GetMemoryFile("mem:out.kvr", &got));
  const uint8_t old[] = {9, 9, 9};
  platform::PutMemoryFile("mem:out.kvr", old, sizeof old);
  EXPECT_EQ(src_.SaveStretch(0, src_.Size() - 1, "mem:out.kvr"), 0);
  ASSERT_TRUE(platform::GetMemoryFile("mem:out.kvr", &got));
  EXPECT_EQ(got, Bytes(old, old + 3));
  EXPECT_FALSE(platform::GetMemoryFile("mem:out.kvr.part0", &got));
  // Before the failing stretch the save works, onto the older file.
  EXPECT_EQ(src_.SaveStretch(0, 3 * 4096, "mem:out.kvr"), 1);
  ASSERT_TRUE(platform::GetMemoryFile("mem:out.kvr", &got));
  EXPECT_EQ(got, Bytes(b.Bytes().begin(), b.Bytes().begin() + 3 * 4096));
  EXPECT_STREQ(src_.SaveErrorText(), "");
  src_.Close();
  platform::RemoveAllMemoryFiles();
  platform::EnableMemoryFiles(false);

  // A real file cut short behind the source's back.
  Open(b);
  const std::string out = TempPath("cut_short_out.kvr");
  std::remove(out.c_str());
  std::error_code cut;
  std::filesystem::resize_file(path_, 2 * 4096, cut);
  ASSERT_FALSE(cut) << cut.message();
  EXPECT_EQ(src_.SaveStretch(0, 5 * 4096, out.c_str()), 0);
  std::FILE* g = std::fopen(out.c_str(), "rb");
  EXPECT_EQ(g, nullptr);
  if (g) std::fclose(g);
}

TEST_P(SourceTest, SaveStretchRefusesMoreThanOneGiB) {
  // A sparse file of 1.25 GiB: nothing of it is read for a refused stretch.
  const std::string big = TempPath("sparse.kvr");
  std::FILE* f = std::fopen(big.c_str(), "wb");
  ASSERT_TRUE(f);
  ASSERT_EQ(std::fseek(f, (5L << 28) - 1, SEEK_SET), 0);
  std::fputc(0, f);
  std::fclose(f);
  ASSERT_EQ(src_.OpenSource(big.c_str(), false), 1);
  EXPECT_EQ(src_.Size(), 5ull << 28);
  const std::string out = TempPath("toolong.kvr");
  std::remove(out.c_str());
  EXPECT_EQ(src_.SaveStretch(100, (1ull << 30) + 1, out.c_str()), 0);
  std::FILE* g = std::fopen(out.c_str(), "rb");
  EXPECT_EQ(g, nullptr);
  if (g) std::fclose(g);
  src_.Close();
  std::remove(big.c_str());
}

// Another thread reads position and time while the reading thread moves:
// every value it sees is one the source really held.
TEST_P(SourceTest, PositionAndTimeReadTearFreeFromAnotherThread) {
  StreamBuilder b;
  std::vector<uint32_t> times;
  for (int i = 0; i < 64; ++i) {
    // Times that differ in every calendar field, so a torn mix shows.
    const uint32_t t = kT0 + static_cast<uint32_t>(i) * (400u * 86400 + 3600 + 61);
    times.push_back(t);
    b.SetTime(t);
    b.AddUnit(MakeVideoUnit(i % 16, true, 4088, i));
  }
  b.Finish();
  Open(b);
  std::atomic<bool> stop{false};
  std::atomic<int> bad{0}, seen{0};
  std::thread watcher([&] {
    while (!stop.load()) {
      TimeRecord t;
      if (src_.CurrentTime(&t)) {
        const uint32_t s = SecondsFromTime(t);
        bool known = false;
        for (uint32_t k : times) known |= (k == s);
        const TimeRecord want = BreakDownTime(s);
        if (!known || std::memcmp(&t, &want, sizeof t) != 0) bad.fetch_add(1);
        seen.fetch_add(1);
      }
      if (src_.Position() > src_.Size()) bad.fetch_add(1);
    }
  });
  for (int round = 0; round < 30; ++round) {
    src_.SetPosition(0);
    while (src_.ReadForward(buf_.data()) != 0) {
    }
    while (src_.ReadBackward(buf_.data()) != 0) {
    }
  }
  stop.store(true);
  watcher.join();
  EXPECT_EQ(bad.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(Scans, SourceTest, ::testing::Values(false, true));

}  // namespace
}  // namespace marlow
