// The fast scan must give exactly what the plain byte-at-a-time scan gives:
// same units, lengths, kinds, channels, positions and block fields, over
// streams dense in start codes, seams, broken blocks and overlong units.
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
    const size_t blocks = 40 + r.Below(80);
    for (size_t i = 0; i < blocks; ++i) {
      sb.SetTime(1000000 + static_cast<uint32_t>(i) * 977);
      sb.SetChannelMask(static_cast<uint16_t>(r.Next()));
      sb.SetFrameSkip(static_cast<uint8_t>(r.Next()));
      if (r.Below(10) == 0) sb.BreakCheckOfBlock(i);
      sb.AddRaw(DenseStream(r, kBlockPayload));
    }
    const bool disk = seed % 3 == 0;
    const std::string path = WriteTemp(sb, "equiv.kvr", disk);
    RecordingSource plain, fast;
    plain.UseReferenceScan(true);
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

}  // namespace
}  // namespace marlow
