// Block index, time look-up and damage scan on made recordings: bisection
// and scan agree, the unit cutter cuts as RecordingSource reads, and the
// damage report names exactly the blocks that were broken; the unit counter
// equals the cutter with the decoder's header parse.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "codec/video_decoder.h"
#include "recording/damage_scan.h"
#include "recording/recording_index.h"
#include "recording/recording_source.h"
#include "tools/makekvr/recording_maker.h"
#include "tools/streamkit/stream_builder.h"

namespace marlow {
namespace {

std::string Made(const char* name, const RecordingPlan& plan, bool disk = false,
                 std::vector<uint8_t>* bytes = nullptr) {
  streamkit::StreamBuilder b;
  RecordingStats stats;
  const char* error = nullptr;
  EXPECT_EQ(MakeRecording(plan, &b, &stats, &error), 1) << (error ? error : "");
  const std::string path = ::testing::TempDir() + "/index_" + name + ".kvr";
  EXPECT_TRUE(b.WriteFile(path.c_str(), disk));
  if (bytes) *bytes = b.Bytes();
  return path;
}

struct Unit {
  bool audio;
  int channel;
  std::vector<uint8_t> bytes;
  uint32_t time;
};

class Collect : public UnitSink {
 public:
  void OnUnit(const CutUnit& u) override {
    units.push_back({u.kind == UnitKind::kAudio, u.channel,
                     std::vector<uint8_t>(u.data, u.data + u.length), u.time});
  }
  void OnDropped(uint64_t, uint8_t, uint64_t) override { ++dropped; }
  std::vector<Unit> units;
  int dropped = 0;
};

TEST(RecordingIndex, BisectionFindsWhatTheScanFindsAndDetectsDisorder) {
  RecordingPlan plan;
  plan.channels = 3;
  plan.seconds = 20;
  plan.brokenBlocks = {5, 6, 40};
  for (bool disk : {false, true}) {
    const std::string path = Made(disk ? "bis_disk" : "bis", plan, disk);
    RecordingIndex index;
    ASSERT_EQ(index.Open(path.c_str(), true, ByteOrder::kNatural), 1);
    EXPECT_EQ(index.Order(), disk ? ByteOrder::kDisk : ByteOrder::kNatural);
    for (uint32_t t = plan.startTime - 2; t <= plan.startTime + 22; ++t) {
      TimeHit a, b;
      const int ra = index.FindTimeByBisection(t, &a);
      const int rb = index.FindTimeByScan(t, &b);
      ASSERT_EQ(ra, rb) << t;
      if (ra == 1) {
        EXPECT_EQ(a.block, b.block) << t;
        EXPECT_EQ(a.time, b.time);
        EXPECT_GE(a.time, t);
      }
    }
  }
  // A recording whose clock was set back: the probes notice, the scan finds
  // the first place where the time is reached.
  RecordingPlan later = plan;
  later.brokenBlocks = {};
  later.startTime = plan.startTime + 3600;
  std::vector<uint8_t> first, second;
  Made("late", later, false, &first);
  Made("early", plan, false, &second);
  first.insert(first.end(), second.begin(), second.end());
  const std::string path = ::testing::TempDir() + "/index_jump.kvr";
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(first.data(), 1, first.size(), f);
  std::fclose(f);
  RecordingIndex index;
  ASSERT_EQ(index.Open(path.c_str(), true, ByteOrder::kNatural), 1);
  TimeHit hit;
  EXPECT_EQ(index.FindTimeByBisection(plan.startTime + 10, &hit), -1);
  ASSERT_EQ(index.FindTimeByScan(plan.startTime + 10, &hit), 1);
  EXPECT_GT(hit.block, first.size() / kBlockSize - second.size() / kBlockSize);
  EXPECT_EQ(hit.time, plan.startTime + 10);
}

TEST(DamageScan, NamesExactlyTheBrokenStretchesAndCutsAsTheSourceReads) {
  RecordingPlan plan;
  plan.channels = 16;
  plan.seconds = 8;
  plan.brokenBlocks = {0, 30, 31, 32, 77};
  const std::string path = Made("damage", plan);
  RecordingIndex index;
  ASSERT_EQ(index.Open(path.c_str(), true, ByteOrder::kNatural), 1);
  Collect cut;
  DamageScan scan(index, 60, &cut);
  DamageReport r;
  ASSERT_EQ(scan.Run(&r), 1);
  ASSERT_EQ(r.stretches.size(), 3u);
  const uint64_t want[3][2] = {{0, 1}, {30, 3}, {77, 1}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(r.stretches[i].kind, BlockState::kDamaged);
    EXPECT_EQ(r.stretches[i].firstBlock, want[i][0]);
    EXPECT_EQ(r.stretches[i].blocks, want[i][1]);
  }
  EXPECT_FALSE(r.stretches[0].haveBefore);
  EXPECT_TRUE(r.stretches[1].haveBefore && r.stretches[1].haveAfter);
  EXPECT_EQ(r.damaged, 5u);
  EXPECT_EQ(r.unwritten, 0u);
  EXPECT_EQ(r.backwardJumps + r.gaps, 0u);

  // The source's forward reading, block by block and byte by byte, is the
  // reference the cutter must equal unit for unit.
  RecordingSource src;
  ASSERT_EQ(src.OpenSource(path.c_str(), false), 1);
  src.UseReferenceScan(true);
  std::vector<uint8_t> buf(kMaxUnitBytes);
  std::vector<Unit> ref;
  for (;;) {
    const uint64_t before = src.Position();
    const uint32_t n = src.ReadForward(buf.data());
    if (!src.LastReadFoundUnit()) {
      if (src.Position() == before) break;
      continue;
    }
    ref.push_back({src.LastIsAudio(), src.LastChannel(),
                   std::vector<uint8_t>(buf.begin(), buf.begin() + n),
                   SecondsFromTime(src.BlockTime())});
  }
  ASSERT_EQ(cut.units.size(), ref.size());
  for (size_t i = 0; i < ref.size(); ++i) {
    EXPECT_EQ(cut.units[i].audio, ref[i].audio) << i;
    EXPECT_EQ(cut.units[i].channel, ref[i].channel) << i;
    EXPECT_EQ(cut.units[i].bytes, ref[i].bytes) << i;
    EXPECT_EQ(cut.units[i].time, ref[i].time) << i;
  }
  uint64_t pictures = 0;
  for (uint64_t p : r.pictures) pictures += p;
  EXPECT_EQ(pictures + r.audioUnits[0], ref.size());
}

TEST(DamageScan, OverLongUnitsAndUnwrittenBlocksAreToldApart) {
  streamkit::StreamBuilder b;
  b.SetTime(1704067200);
  b.AddUnit(streamkit::MakeVideoUnit(0, true, 1000, 1));
  b.AddUnit(streamkit::MakeVideoUnit(1, true, kMaxUnitBytes + 5000, 2));
  b.AddUnit(streamkit::MakeVideoUnit(2, true, 1000, 3));
  b.Finish();
  std::vector<uint8_t> bytes = b.Bytes();
  bytes.resize(bytes.size() + 10 * kBlockSize, 0);  // never written
  const std::vector<uint8_t> again = bytes;
  bytes.insert(bytes.end(), again.begin(), again.begin() + 4 * kBlockSize);
  const std::string path = ::testing::TempDir() + "/index_long.kvr";
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  RecordingIndex index;
  ASSERT_EQ(index.Open(path.c_str(), true, ByteOrder::kNatural), 1);
  Collect cut;
  DamageScan scan(index, 60, &cut);
  DamageReport r;
  ASSERT_EQ(scan.Run(&r), 1);
  EXPECT_EQ(r.overLongUnits, 1u);
  ASSERT_EQ(r.stretches.size(), 1u);
  EXPECT_EQ(r.stretches[0].kind, BlockState::kUnwritten);
  EXPECT_EQ(r.stretches[0].blocks, 10u);
  EXPECT_EQ(r.damagedStretches, 0u);
  EXPECT_EQ(r.droppedUnits, 0u);
  EXPECT_EQ(r.droppedBeforeUnwritten, 1u);  // the last unit before the empty stretch
  ASSERT_GE(cut.units.size(), 2u);
  EXPECT_EQ(cut.units[1].bytes.size(), kMaxUnitBytes);  // kept up to the limit
}

// Every unit and dropped unit as a tuple: what the fast scan must equal.
class Facts : public UnitSink {
 public:
  Facts() { decoder_.Reset(4); }
  void OnUnit(const CutUnit& u) override {
    int parses = -1;
    if (u.kind == UnitKind::kVideo)
      parses = u.data ? (decoder_.ParseHeader(u.data, u.length) ? 1 : 0) : u.headerParses;
    seen.emplace_back(u.kind == UnitKind::kAudio, u.code, u.channel, u.length, u.bytes, u.start,
                      u.time, parses);
  }
  void OnDropped(uint64_t start, uint8_t code, uint64_t bytes) override {
    seen.emplace_back(false, code, -1, 0, bytes, start, 0, -2);
  }
  std::vector<std::tuple<bool, int, int, uint32_t, uint64_t, uint64_t, uint32_t, int>> seen;

 private:
  VideoDecoder decoder_;
};

void ExpectCountEqualsCut(const std::string& path, bool bothVerdicts) {
  RecordingIndex index;
  ASSERT_EQ(index.Open(path.c_str(), true, ByteOrder::kNatural), 1);
  Facts cut, counted;
  DamageReport a, b;
  DamageScan plain(index, 60, &cut);
  ASSERT_EQ(plain.Run(&a), 1);
  DamageScan fast(index, 60, &counted);
  fast.SetCountOnly(true);
  ASSERT_EQ(fast.Run(&b), 1);
  ASSERT_EQ(counted.seen.size(), cut.seen.size());
  for (size_t i = 0; i < cut.seen.size(); ++i) ASSERT_EQ(counted.seen[i], cut.seen[i]) << i;
  EXPECT_EQ(a.overLongUnits, b.overLongUnits);
  EXPECT_EQ(a.droppedUnits, b.droppedUnits);
  EXPECT_EQ(a.droppedBeforeUnwritten, b.droppedBeforeUnwritten);
  EXPECT_EQ(a.endsInsideUnit, b.endsInsideUnit);
  for (int c = 0; c < 16; ++c) EXPECT_EQ(a.fullPictures[c], b.fullPictures[c]);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(a.audioBytes[k], b.audioBytes[k]);
  if (!bothVerdicts) return;
  int parses[2] = {};
  for (const auto& f : cut.seen)
    if (std::get<7>(f) >= 0) ++parses[std::get<7>(f)];
  EXPECT_GT(parses[0], 0);
  EXPECT_GT(parses[1], 0);
}

TEST(UnitCounter, EqualsTheCutterAndTheDecodersHeaderParse) {
  // A made recording with broken blocks: real pictures and sound.
  RecordingPlan plan;
  plan.channels = 16;
  plan.seconds = 6;
  plan.brokenBlocks = {3, 40, 41, 90};
  ExpectCountEqualsCut(Made("count", plan), false);

  // Hostile streams: units of every code with heads of every quantiser,
  // 12-19 slice codes among fillers rich in 00 and 01 (codes across block
  // ends), picture-ending FE codes, over-long units, and damaged and
  // unwritten blocks between valid ones.
  std::mt19937 rng(15);
  for (int round = 0; round < 6; ++round) {
    std::vector<uint8_t> stream;
    bool noisy = false;
    auto filler = [&](size_t n) {
      // Rich in 00 and 01 (codes of their own) in one unit of four.
      for (size_t i = 0; i < n; ++i) {
        const unsigned r = rng() % 8;
        stream.push_back(noisy && r < 3 ? 0 : noisy && r < 5 ? 1 : static_cast<uint8_t>(rng()));
      }
    };
    while (stream.size() < 600000) {
      noisy = rng() % 4 == 0;
      // Heads that are often 00, so that codes also begin inside the head.
      stream.insert(stream.end(), {0, 0, 1, static_cast<uint8_t>(0xF8 + rng() % 6),
                                   static_cast<uint8_t>(rng() % 4 ? rng() : 0)});
      filler(rng() % 4);
      const int slices = 13 + static_cast<int>(rng() % 6);
      for (int k = 0; k < slices; ++k) {
        const uint8_t code = rng() % 64 == 0 ? 0xFE : static_cast<uint8_t>(rng() % 0xF0);
        stream.insert(stream.end(), {0, 0, 1, code});
        filler(rng() % 128 == 0 ? 140000 : rng() % 300);
      }
      // A slice code whose code byte is the next unit's first 00.
      if (rng() % 4 == 0) stream.insert(stream.end(), {0, 0, 1});
    }
    std::vector<uint8_t> file;
    uint8_t head[kBlockHeaderSize];
    for (size_t at = 0, n = 0; at + kBlockPayload <= stream.size(); at += kBlockPayload, ++n) {
      BuildBlockHeader(1704067200 + static_cast<uint32_t>(n / 8), 1, 0, head);
      const unsigned kind = rng() % 40;
      if (kind == 0) head[7] ^= 0x5A;  // damaged
      file.insert(file.end(), head, head + kBlockHeaderSize);
      file.insert(file.end(), stream.begin() + at, stream.begin() + at + kBlockPayload);
      if (kind == 1) std::fill(file.end() - kBlockSize, file.end(), 0);  // unwritten
    }
    const std::string path = ::testing::TempDir() + "/index_hostile.kvr";
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
    ExpectCountEqualsCut(path, true);
  }
}

}  // namespace
}  // namespace marlow
