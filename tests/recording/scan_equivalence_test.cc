// The fast scan reading ahead must give exactly what the plain
// byte-at-a-time scan reading block by block gives: same units, lengths,
// kinds, channels, positions and block fields, over streams dense in start
// codes, seams, broken blocks and overlong units, and over a recording that
// grows while it is read.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "recording/recording_source.h"
#include "tests/recording/test_util.h"

namespace marlow {
namespace {

using namespace testing_util;

struct Rng {
  uint32_t s;
  uint32_t Next() {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
  }
  uint32_t Below(uint32_t n) { return Next() % n; }
};

// Stream bytes dense in zeros, 01s and codes F7..FE, so start codes (true and
// near-miss) fall on every offset, seams included.
Bytes DenseStream(Rng& r, size_t n) {
  Bytes b;
  while (b.size() < n) {
    switch (r.Below(8)) {
      case 0:
      case 1: {
        const uint8_t code[4] = {0, 0, 1, static_cast<uint8_t>(0xF7 + r.Below(8))};
        b.insert(b.end(), code, code + 4);
        break;
      }
      case 2:
        b.push_back(0);
        break;
      case 3:
        b.push_back(1);
        break;
      default: {
        const size_t run = r.Below(60) == 0  ? 131000 + r.Below(9000)
                           : r.Below(4) == 0 ? r.Below(40000)
                                             : r.Below(300);
        for (size_t i = 0; i < run; ++i) b.push_back(static_cast<uint8_t>(r.Next() >> 24));
      }
    }
  }
  return b;
}

void ExpectSameState(const RecordingSource& a, const RecordingSource& b, uint32_t na, uint32_t nb,
                     const Bytes& ba, const Bytes& bb, int step) {
  ASSERT_EQ(na, nb) << step;
  ASSERT_EQ(0, std::memcmp(ba.data(), bb.data(), na)) << step;
  ASSERT_EQ(a.Position(), b.Position()) << step;
  ASSERT_EQ(a.LastReadFoundUnit(), b.LastReadFoundUnit()) << step;
  ASSERT_EQ(a.LastIsAudio(), b.LastIsAudio()) << step;
  ASSERT_EQ(a.LastChannel(), b.LastChannel()) << step;
  ASSERT_EQ(a.FrameSkip(), b.FrameSkip()) << step;
  ASSERT_EQ(a.ChannelMask(), b.ChannelMask()) << step;
  const TimeRecord ta = a.BlockTime(), tb = b.BlockTime();
  ASSERT_EQ(0, std::memcmp(&ta, &tb, sizeof ta)) << step;
}

TEST(ScanEquivalence, FastScanEqualsPlainScan) {
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE(seed);
    Rng r{seed * 7919u};
    streamkit::StreamBuilder sb;
    // Some recordings span several read-ahead chunks of the default size.
    const size_t blocks = seed % 4 == 0 ? 260 + r.Below(60) : 40 + r.Below(80);
    for (size_t i = 0; i < blocks; ++i) {
      sb.SetTime(1000000 + static_cast<uint32_t>(i) * 977);
      sb.SetChannelMask(static_cast<uint16_t>(r.Next()));
      sb.SetFrameSkip(static_cast<uint8_t>(r.Next()));
      if (r.Below(10) == 0) sb.BreakCheckOfBlock(i);
      sb.AddRaw(DenseStream(r, kBlockPayload));
    }
    const bool disk = seed % 3 == 0;
    const std::string path = WriteTemp(sb, "equiv.kvr", disk);
    // The fast source reads ahead, in chunks of the default size or of a
    // few blocks (many seams); the plain one reads block by block.
    RecordingSource plain, fast(seed % 2 ? RecordingSource::kReadAheadBytes : 3 * kBlockSize);
    plain.UseReferenceScan(true);
    plain.UsePlainReads(true);
    ASSERT_EQ(plain.OpenSource(path.c_str(), disk), 1);
    ASSERT_EQ(fast.OpenSource(path.c_str(), disk), 1);
    Bytes bp(kMaxUnitBytes), bf(kMaxUnitBytes);
    for (int step = 0; step < 3000; ++step) {
      const uint32_t op = r.Below(20);
      uint32_t np = 0, nf = 0;
      if (op == 0) {
        const uint64_t p = r.Next() % (plain.Size() + 10);
        plain.SetPosition(p);
        fast.SetPosition(p);
      } else if (op == 2) {
        // Near the last start code met, so scans begin inside start codes.
        const uint64_t p = plain.Position() + r.Below(9);
        plain.SetPosition(p < 4 ? 0 : p - 4);
        fast.SetPosition(p < 4 ? 0 : p - 4);
      } else if (op == 1) {
        const uint64_t m = r.Next() % plain.Size();
        plain.SetMark(m);
        fast.SetMark(m);
        np = plain.SeekToMark(bp.data());
        nf = fast.SeekToMark(bf.data());
      } else if (op < 11) {
        np = plain.ReadForward(bp.data());
        nf = fast.ReadForward(bf.data());
      } else {
        np = plain.ReadBackward(bp.data());
        nf = fast.ReadBackward(bf.data());
      }
      ExpectSameState(plain, fast, np, nf, bp, bf, step);
      if (HasFatalFailure()) return;
    }
    plain.Close();
    fast.Close();
    std::remove(path.c_str());
  }
}

// A recording still being written: the file is appended to in pieces that
// end anywhere (inside blocks too) while the sources read forwards.
// Read-ahead must never keep a chunk that came up short
// as if the file ended there.
TEST(ScanEquivalence, GrowingRecordingReadsAsBlockByBlock) {
  Rng r{4242};
  streamkit::StreamBuilder sb;
  for (size_t i = 0; i < 300; ++i) {
    sb.SetTime(2000000 + static_cast<uint32_t>(i));
    sb.AddRaw(DenseStream(r, kBlockPayload));
  }
  sb.Finish();
  const Bytes& all = sb.Bytes();
  const std::string path = TempPath("equiv_growing.kvr");
  std::FILE* out = std::fopen(path.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  size_t written = 1 + r.Below(3 * kBlockSize);
  ASSERT_EQ(std::fwrite(all.data(), 1, written, out), written);
  std::fflush(out);
  RecordingSource plain, fast(5 * kBlockSize), big;
  plain.UseReferenceScan(true);
  plain.UsePlainReads(true);
  ASSERT_EQ(plain.OpenSource(path.c_str(), false), 1);
  ASSERT_EQ(fast.OpenSource(path.c_str(), false), 1);
  ASSERT_EQ(big.OpenSource(path.c_str(), false), 1);
  Bytes bp(kMaxUnitBytes), bf(kMaxUnitBytes), bb(kMaxUnitBytes);
  uint64_t units = 0;
  for (int step = 0; step < 40000 && (written < all.size() || plain.LastReadFoundUnit()); ++step) {
    if (r.Below(6) == 0 && written < all.size()) {
      size_t more = 1 + r.Below(r.Below(4) == 0 ? 40000 : 3000);
      if (more > all.size() - written) more = all.size() - written;
      ASSERT_EQ(std::fwrite(all.data() + written, 1, more, out), more);
      std::fflush(out);
      written += more;
    }
    const uint32_t np = plain.ReadForward(bp.data());
    const uint32_t nf = fast.ReadForward(bf.data());
    const uint32_t nb = big.ReadForward(bb.data());
    ExpectSameState(plain, fast, np, nf, bp, bf, step);
    ExpectSameState(plain, big, np, nb, bp, bb, step);
    if (HasFatalFailure()) break;
    units += plain.LastReadFoundUnit();
  }
  std::fclose(out);
  // The reading went on to the end of the grown file.
  EXPECT_GT(units, 200u);
  EXPECT_GT(plain.Position(), all.size() - 2 * kBlockSize);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace marlow
