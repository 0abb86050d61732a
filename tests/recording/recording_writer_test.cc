#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "tests/support/file_limit.h"
#include "recording/recording_source.h"
#include "recording/recording_writer.h"
#include "tests/recording/test_util.h"

namespace marlow {
namespace {

using namespace testing_util;

constexpr uint32_t kNow = 1500000000u;

// A live picture in the live layout: byte 4 bit 7 full, bits 6..4 quantiser,
// bits 2..0 channel; bytes 5..6 the sequence number.
Bytes LivePicture(bool full, uint16_t sequence, size_t n, uint8_t byte4 = 0x12) {
  Bytes u = streamkit::MakeVideoUnit(0, full, n, sequence);
  u[3] = 0xF8;
  u[4] = static_cast<uint8_t>((full ? 0x80 : 0) | (byte4 & 0x7F));
  u[5] = static_cast<uint8_t>(sequence >> 8);
  u[6] = static_cast<uint8_t>(sequence);
  return u;
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

class WriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = TempPath(std::string("writer_") +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".kvr");
    w_.Setup(2, 4, 4);
    w_.SetClock([this] { return now_; });
  }
  void TearDown() override {
    w_.StopRecording();
    std::remove(path_.c_str());
  }
  int Video(Bytes u) { return w_.WriteVideo(u.data(), u.size()); }

  RecordingWriter w_;
  std::string path_;
  uint32_t now_ = kNow;
};

TEST_F(WriterTest, NothingIsWrittenBeforeTheFirstFullPicture) {
  ASSERT_EQ(w_.StartRecording(path_.c_str()), 1);
  EXPECT_EQ(w_.StartRecording(path_.c_str()), 0);  // already recording
  EXPECT_TRUE(w_.IsRecording());
  EXPECT_EQ(Video(LivePicture(false, 1, 500)), 0);
  const Bytes samples(300, 0x80);
  EXPECT_EQ(w_.WriteAudio(samples.data(), samples.size()), 0);
  EXPECT_EQ(w_.Total(), 0u);
  EXPECT_EQ(w_.StopRecording(), 1);
  EXPECT_EQ(w_.StopRecording(), 0);
  EXPECT_FALSE(w_.IsRecording());
  EXPECT_EQ(FileBytes(path_).size(), 0u);
  EXPECT_EQ(Video(LivePicture(true, 2, 500)), 0);  // not recording
  EXPECT_EQ(w_.StartRecording(TempPath("no_such_dir/x/y.kvr").c_str()), 0);
}

TEST_F(WriterTest, PictureHeaderBecomesTheRecordingLayout) {
  ASSERT_EQ(w_.StartRecording(path_.c_str()), 1);
  Bytes full = LivePicture(true, 10, 100, 0x1A);  // byte 4 = 0x9A
  ASSERT_EQ(full[4], 0x9A);
  ASSERT_EQ(w_.WriteVideo(full.data(), full.size()), 1);
  EXPECT_EQ(full[3], 0xF9);
  EXPECT_EQ(full[4], 0x34);  // quantiser 3, channel 4
  // An update picture the recorder marked F9 is still recorded as an update.
  Bytes update = LivePicture(false, 11, 100, 0x1A);
  update[3] = 0xF9;
  ASSERT_EQ(w_.WriteVideo(update.data(), update.size()), 1);
  EXPECT_EQ(update[3], 0xF8);
  EXPECT_EQ(update[4], 0x34);
  // With 16 channels the channel bits go to 0 and byte 5 keeps bits 2..0.
  w_.Setup(2, 4, 16);
  Bytes sixteen = LivePicture(true, 0xFF0C, 100, 0x1A);
  ASSERT_EQ(w_.WriteVideo(sixteen.data(), sixteen.size()), 1);
  EXPECT_EQ(sixteen[4], 0x30);
  EXPECT_EQ(sixteen[5], 0x07);
}

TEST_F(WriterTest, FrameSkipFromSequenceNumbers) {
  ASSERT_EQ(w_.StartRecording(path_.c_str()), 1);
  Video(LivePicture(true, 100, 50));
  Video(LivePicture(false, 103, 50));
  EXPECT_EQ(w_.FrameSkip(), 2);
  Video(LivePicture(false, 104, 50));
  EXPECT_EQ(w_.FrameSkip(), 0);
  Video(LivePicture(false, 65535, 50));
  Video(LivePicture(false, 3, 50));  // wrapped
  EXPECT_EQ(w_.FrameSkip(), 0);
  // The skip is written into the header of a block started by this picture.
  Video(LivePicture(false, 10, 4096));
  EXPECT_EQ(w_.FrameSkip(), 6);
  w_.StopRecording();
  const Bytes f = FileBytes(path_);
  ASSERT_GE(f.size(), 8192u);
  BlockHeader h;
  ASSERT_TRUE(ParseBlockHeader(f.data() + 4096, &h));
  EXPECT_EQ(h.frameSkip, 6);
}

TEST_F(WriterTest, BlocksArePaddedAndHeadersStamped) {
  ASSERT_EQ(w_.StartRecording(path_.c_str()), 1);
  Video(LivePicture(true, 1, 3000));
  now_ = kNow + 7;
  Video(LivePicture(false, 2, 2000));
  EXPECT_EQ(w_.Total(), 5000u + 16);
  ASSERT_EQ(w_.StopRecording(), 1);
  const Bytes f = FileBytes(path_);
  ASSERT_EQ(f.size(), 8192u);
  BlockHeader h;
  ASSERT_TRUE(ParseBlockHeader(f.data(), &h));
  EXPECT_EQ(h.time, kNow);
  EXPECT_EQ(h.channelMask, 1);
  ASSERT_TRUE(ParseBlockHeader(f.data() + 4096, &h));
  EXPECT_EQ(h.time, kNow + 7);
  const size_t end = 4096 + 8 + (5000 - 4088);
  for (size_t i = end; i < f.size(); ++i) ASSERT_EQ(f[i], 0) << i;
}

TEST_F(WriterTest, UnitFillingTheBlockLeavesTheNextAfterAHeader) {
  ASSERT_EQ(w_.StartRecording(path_.c_str()), 1);
  Video(LivePicture(true, 1, 4088));
  EXPECT_EQ(w_.Total(), 4096u);
  const Bytes samples = {1, 2, 3};
  ASSERT_EQ(w_.WriteAudio(samples.data(), samples.size()), 1);
  w_.StopRecording();
  const Bytes f = FileBytes(path_);
  ASSERT_EQ(f.size(), 8192u);
  BlockHeader h;
  ASSERT_TRUE(ParseBlockHeader(f.data() + 4096, &h));
  const uint8_t audio[9] = {0, 0, 1, 0xFA, 0, 0, 1, 2, 3};
  EXPECT_EQ(0, std::memcmp(f.data() + 4104, audio, sizeof audio));
}

// What the writer records, a source reads back: pictures whole, sound with
// every sample (the two head bytes make up the six that readers drop).
TEST_F(WriterTest, RecordingReadsBackThroughTheSource) {
  ASSERT_EQ(w_.StartRecording(path_.c_str()), 1);
  std::vector<Bytes> want;
  for (int i = 0; i < 30; ++i) {
    now_ = kNow + static_cast<uint32_t>(i);
    Bytes u = LivePicture(i % 5 == 0, static_cast<uint16_t>(100 + 2 * i), 1000 + 911 * i,
                          static_cast<uint8_t>(0x10 | (i % 4)));
    ASSERT_EQ(w_.WriteVideo(u.data(), u.size()), 1);
    want.push_back(u);  // as rewritten in place
    Bytes samples(200 + i);
    for (size_t k = 0; k < samples.size(); ++k) samples[k] = static_cast<uint8_t>(k * 5 + i);
    ASSERT_EQ(w_.WriteAudio(samples.data(), samples.size()), 1);
    want.push_back(samples);
  }
  ASSERT_EQ(w_.StopRecording(), 1);
  RecordingSource src;
  ASSERT_EQ(src.OpenSource(path_.c_str(), false), 1);
  Bytes buf(kMaxUnitBytes);
  for (size_t k = 0; k + 1 < want.size(); ++k) {
    const uint32_t n = src.ReadForward(buf.data());
    ASSERT_EQ(Bytes(buf.begin(), buf.begin() + n), want[k]) << k;
    ASSERT_EQ(src.LastIsAudio(), k % 2 == 1);
    if (k % 2 == 0) {
      ASSERT_EQ(src.LastChannel(), static_cast<int>((k / 2) % 4) * 2);
    }
    EXPECT_EQ(src.ChannelMask(), 1);
  }
  EXPECT_EQ(src.ReadForward(buf.data()), 0u);  // the last unit is never ended
  src.Close();
}

// A write that fails ends the recording: the file is closed, the writer says
// so, and the file reads up to the last unit that reached it.
TEST_F(WriterTest, FailingWriteStopsCleanly) {
#ifdef _WIN32
  const char* full = "Z:\\dev\\full";
#else
  const char* full = "/dev/full";
#endif
  if (!w_.StartRecording(full)) GTEST_SKIP() << "no full device here";
  EXPECT_EQ(Video(LivePicture(true, 1, 3000)), 0);
  EXPECT_FALSE(w_.IsRecording());
  EXPECT_TRUE(w_.LastWriteFailed());
  EXPECT_EQ(w_.StopRecording(), 0);
  EXPECT_EQ(Video(LivePicture(true, 2, 3000)), 0);
  // A new recording clears the failure.
  ASSERT_EQ(w_.StartRecording(path_.c_str()), 1);
  EXPECT_FALSE(w_.LastWriteFailed());
}

TEST_F(WriterTest, DiskFullMidRecordingKeepsWhatWasWritten) {
  const uint64_t limit = 5 * 4096 + 1000;
  std::vector<Bytes> units;
  for (int i = 0; i < 40; ++i) units.push_back(LivePicture(true, static_cast<uint16_t>(i), 1500));
  bool childOk = false;
  const bool ran = testsupport::RunWithFileSizeLimit(
      limit,
      [&]() {
        RecordingWriter w;
        w.Setup(2, 4, 4);
        if (!w.StartRecording(path_.c_str())) return false;
        int written = 0;
        for (Bytes u : units) {
          if (!w.WriteVideo(u.data(), u.size())) break;
          ++written;
        }
        // Stopped by the failure, not by running out of units.
        return written > 0 && written < 40 && !w.IsRecording() && w.LastWriteFailed() &&
               w.StopRecording() == 0;
      },
      &childOk);
  if (!ran) GTEST_SKIP() << "no file size limit on this system";
  EXPECT_TRUE(childOk);
  const Bytes f = FileBytes(path_);
  EXPECT_LE(f.size(), limit);
  EXPECT_GE(f.size(), 5 * 4096u);
  RecordingSource src;
  ASSERT_EQ(src.OpenSource(path_.c_str(), false), 1);
  const std::vector<Bytes> got = ReadAll(src, false);
  // Every unit ended by a start code in a whole block comes back intact.
  ASSERT_GE(got.size(), 12u);
  for (size_t i = 0; i < got.size(); ++i) {
    Bytes want = units[i];  // with the in-place rewrite the child made
    want[3] = (want[4] & 0x80) ? 0xF9 : 0xF8;
    want[4] = static_cast<uint8_t>(want[4] << 1);
    EXPECT_EQ(got[i], want) << i;
  }
  src.Close();
}

}  // namespace
}  // namespace marlow
