// The coefficient code table: a complete prefix code, spot values of the
// published table, and the eight-table lookup agreeing with the list.
#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "codec/coefficient_codes.h"
#include "codec/scan_tables.h"
#include "gtest/gtest.h"

namespace marlow {
namespace {

struct Code {
  uint32_t bits;
  int length;
};

std::vector<Code> AllCodes() {
  std::vector<Code> codes = {{kEndOfBlockCode, kEndOfBlockLength}, {kEscapeCode, kEscapeLength}};
  for (const CoefficientCode& c : kCoefficientCodes) codes.push_back({c.code, c.length});
  return codes;
}

TEST(CoefficientCodesTest, IsAPrefixCodeCoveringAllButTwelveLeadingZeros) {
  const std::vector<Code> codes = AllCodes();
  ASSERT_EQ(codes.size(), 113u);
  // Kraft sum in units of 2^-16: complete except for the 16 look-ahead values
  // below 16, which start no code.
  uint32_t kraft = 0;
  for (const Code& c : codes) {
    ASSERT_GE(c.length, 2);
    ASSERT_LE(c.length, 16);
    ASSERT_LT(c.bits, 1u << c.length);
    kraft += 1u << (16 - c.length);
  }
  EXPECT_EQ(kraft, 65536u - 16u);
  for (size_t a = 0; a < codes.size(); ++a) {
    for (size_t b = 0; b < codes.size(); ++b) {
      if (a == b || codes[a].length > codes[b].length) continue;
      const uint32_t prefix = codes[b].bits >> (codes[b].length - codes[a].length);
      EXPECT_NE(prefix, codes[a].bits) << "code " << a << " is a prefix of code " << b;
    }
  }
  // Every (run, level) pair appears once.
  std::set<std::pair<int, int>> pairs;
  for (const CoefficientCode& c : kCoefficientCodes) {
    EXPECT_TRUE(pairs.insert({c.run, c.level}).second) << int(c.run) << "/" << int(c.level);
  }
}

TEST(CoefficientCodesTest, SpotValuesOfThePublishedTable) {
  struct Spot {
    int run, level;
    uint16_t code;
    int length;
  };
  const Spot spots[] = {
      {0, 1, 0b11, 2},
      {1, 1, 0b011, 3},
      {0, 2, 0b0100, 4},
      {0, 3, 0b00101, 5},
      {5, 1, 0b000111, 6},
      {0, 4, 0b0000110, 7},
      {0, 5, 0b00100110, 8},
      {13, 1, 0b00100000, 8},
      {16, 1, 0b0000001000, 10},
      {0, 8, 0b000000011101, 12},
      {21, 1, 0b000000010110, 12},
      {0, 12, 0b0000000011010, 13},
      {26, 1, 0b0000000011011, 13},
      {0, 16, 0b00000000011111, 14},
      {0, 31, 0b00000000010000, 14},
      {0, 32, 0b000000000011000, 15},
      {1, 8, 0b000000000011111, 15},
      {1, 18, 0b0000000000010000, 16},
      {6, 3, 0b0000000000010100, 16},
      {31, 1, 0b0000000000011011, 16},
  };
  for (const Spot& s : spots) {
    const CoefficientCode* c = FindCoefficientCode(s.run, s.level);
    ASSERT_NE(c, nullptr) << s.run << "/" << s.level;
    EXPECT_EQ(c->code, s.code) << s.run << "/" << s.level;
    EXPECT_EQ(c->length, s.length) << s.run << "/" << s.level;
  }
  EXPECT_EQ(FindCoefficientCode(0, 41), nullptr);
  EXPECT_EQ(FindCoefficientCode(2, 6), nullptr);
  EXPECT_EQ(FindCoefficientCode(32, 1), nullptr);
  EXPECT_EQ(FindCoefficientCode(0, 0), nullptr);
}

TEST(CoefficientCodesTest, LookupAgreesWithTheListForEveryLookahead) {
  const std::vector<Code> codes = AllCodes();
  for (uint32_t v = 0; v < 65536; ++v) {
    const CoefficientEntry& e = LookupCoefficient(v);
    int match = -1;
    for (size_t k = 0; k < codes.size(); ++k) {
      if ((v >> (16 - codes[k].length)) == codes[k].bits) match = static_cast<int>(k);
    }
    if (v < 16) {
      ASSERT_EQ(match, -1);
      ASSERT_EQ(e.length, 0) << v;
      continue;
    }
    ASSERT_GE(match, 0) << v;
    ASSERT_EQ(e.length, codes[match].length) << v;
    if (match == 0) {
      ASSERT_EQ(e.run, kRunEndOfBlock) << v;
    } else if (match == 1) {
      ASSERT_EQ(e.run, kRunEscape) << v;
    } else {
      ASSERT_EQ(e.run, kCoefficientCodes[match - 2].run) << v;
      ASSERT_EQ(e.level, kCoefficientCodes[match - 2].level) << v;
    }
  }
}

// The 11-bit table against the code list: each entry is the code that
// starts the window, with the sign bit that follows it; every code of up to
// ten bits is reachable, and nothing else (escape, longer codes) is there.
TEST(CoefficientCodesTest, FastTableAgreesWithTheListForEveryWindow) {
  constexpr int kBits = kFastCoefficientBits;
  int coefficient_windows = 0;
  for (uint32_t w = 0; w < (1u << kBits); ++w) {
    const FastCoefficientEntry e = kFastCoefficientTable.entry[w];
    if (w >> (kBits - kEndOfBlockLength) == kEndOfBlockCode) {
      EXPECT_EQ(FastLength(e), kEndOfBlockLength) << w;
      EXPECT_EQ(FastLevel(e), 0u) << w;
      EXPECT_EQ(FastAdvance(e), kFastEndOfBlockAdvance) << w;
      continue;
    }
    const CoefficientCode* found = nullptr;
    for (const CoefficientCode& c : kCoefficientCodes) {
      if (c.length <= kBits && w >> (kBits - c.length) == c.code) found = &c;
    }
    if (!found || found->length + 1 > kBits) {
      EXPECT_EQ(FastLength(e), 0u) << w;
      continue;
    }
    ++coefficient_windows;
    const bool negative = (w >> (kBits - 1 - found->length)) & 1;
    EXPECT_EQ(FastLength(e), found->length + 1u) << w;
    EXPECT_EQ(FastAdvance(e), (found->run + 1u) * 16) << w;
    EXPECT_EQ(FastLevel(e), negative ? 8u - found->level : 8u + found->level) << w;
  }
  // Each code of length n with its sign fills 2^(kBits - n) windows.
  int expected = 0;
  for (const CoefficientCode& c : kCoefficientCodes) {
    if (c.length + 1 <= kBits) expected += 1 << (kBits - c.length);
  }
  EXPECT_EQ(coefficient_windows, expected);
}

TEST(ScanTablesTest, ZigZagIsAPermutationAlongAntiDiagonals) {
  bool seen[64] = {};
  for (int i = 0; i < 64; ++i) {
    ASSERT_FALSE(seen[kZigZag[i]]);
    seen[kZigZag[i]] = true;
    if (i > 0) {
      const int d0 = kZigZag[i - 1] / 8 + kZigZag[i - 1] % 8;
      const int d1 = kZigZag[i] / 8 + kZigZag[i] % 8;
      EXPECT_TRUE(d1 == d0 || d1 == d0 + 1) << i;
    }
  }
  EXPECT_EQ(kZigZag[2], 8);
  EXPECT_EQ(kZigZag[9], 24);
  EXPECT_EQ(kZigZag[61], 55);
  EXPECT_EQ(kIntraQuantiserMatrix[0], 8);
  EXPECT_EQ(kIntraQuantiserMatrix[7], 34);
  EXPECT_EQ(kIntraQuantiserMatrix[56], 27);
  EXPECT_EQ(kIntraQuantiserMatrix[63], 83);
}

}  // namespace
}  // namespace marlow
