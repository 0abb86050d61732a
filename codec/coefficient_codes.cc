// The coefficient code list and the lookup tables derived from it.
#include "codec/coefficient_codes.h"

namespace marlow {

// {run, level, code, length}; the code bits without the sign, MSB first.
// The declaration in the header gives this definition external linkage.
constexpr CoefficientCode kCoefficientCodes[kCoefficientCodeCount] = {
    {0, 1, 0b11, 2},
    {1, 1, 0b011, 3},
    {0, 2, 0b0100, 4},
    {2, 1, 0b0101, 4},
    {0, 3, 0b00101, 5},
    {3, 1, 0b00111, 5},
    {4, 1, 0b00110, 5},
    {1, 2, 0b000110, 6},
    {5, 1, 0b000111, 6},
    {6, 1, 0b000101, 6},
    {7, 1, 0b000100, 6},
    {0, 4, 0b0000110, 7},
    {2, 2, 0b0000100, 7},
    {8, 1, 0b0000111, 7},
    {9, 1, 0b0000101, 7},
    {0, 5, 0b00100110, 8},
    {0, 6, 0b00100001, 8},
    {1, 3, 0b00100101, 8},
    {3, 2, 0b00100100, 8},
    {10, 1, 0b00100111, 8},
    {11, 1, 0b00100011, 8},
    {12, 1, 0b00100010, 8},
    {13, 1, 0b00100000, 8},
    {0, 7, 0b0000001010, 10},
    {1, 4, 0b0000001100, 10},
    {2, 3, 0b0000001011, 10},
    {4, 2, 0b0000001111, 10},
    {5, 2, 0b0000001001, 10},
    {14, 1, 0b0000001110, 10},
    {15, 1, 0b0000001101, 10},
    {16, 1, 0b0000001000, 10},
    {0, 8, 0b000000011101, 12},
    {0, 9, 0b000000011000, 12},
    {0, 10, 0b000000010011, 12},
    {0, 11, 0b000000010000, 12},
    {1, 5, 0b000000011011, 12},
    {2, 4, 0b000000010100, 12},
    {3, 3, 0b000000011100, 12},
    {4, 3, 0b000000010010, 12},
    {6, 2, 0b000000011110, 12},
    {7, 2, 0b000000010101, 12},
    {8, 2, 0b000000010001, 12},
    {17, 1, 0b000000011111, 12},
    {18, 1, 0b000000011010, 12},
    {19, 1, 0b000000011001, 12},
    {20, 1, 0b000000010111, 12},
    {21, 1, 0b000000010110, 12},
    {0, 12, 0b0000000011010, 13},
    {0, 13, 0b0000000011001, 13},
    {0, 14, 0b0000000011000, 13},
    {0, 15, 0b0000000010111, 13},
    {1, 6, 0b0000000010110, 13},
    {1, 7, 0b0000000010101, 13},
    {2, 5, 0b0000000010100, 13},
    {3, 4, 0b0000000010011, 13},
    {5, 3, 0b0000000010010, 13},
    {9, 2, 0b0000000010001, 13},
    {10, 2, 0b0000000010000, 13},
    {22, 1, 0b0000000011111, 13},
    {23, 1, 0b0000000011110, 13},
    {24, 1, 0b0000000011101, 13},
    {25, 1, 0b0000000011100, 13},
    {26, 1, 0b0000000011011, 13},
    {0, 16, 0b00000000011111, 14},
    {0, 17, 0b00000000011110, 14},
    {0, 18, 0b00000000011101, 14},
    {0, 19, 0b00000000011100, 14},
    {0, 20, 0b00000000011011, 14},
    {0, 21, 0b00000000011010, 14},
    {0, 22, 0b00000000011001, 14},
    {0, 23, 0b00000000011000, 14},
    {0, 24, 0b00000000010111, 14},
    {0, 25, 0b00000000010110, 14},
    {0, 26, 0b00000000010101, 14},
    {0, 27, 0b00000000010100, 14},
    {0, 28, 0b00000000010011, 14},
    {0, 29, 0b00000000010010, 14},
    {0, 30, 0b00000000010001, 14},
    {0, 31, 0b00000000010000, 14},
    {0, 32, 0b000000000011000, 15},
    {0, 33, 0b000000000010111, 15},
    {0, 34, 0b000000000010110, 15},
    {0, 35, 0b000000000010101, 15},
    {0, 36, 0b000000000010100, 15},
    {0, 37, 0b000000000010011, 15},
    {0, 38, 0b000000000010010, 15},
    {0, 39, 0b000000000010001, 15},
    {0, 40, 0b000000000010000, 15},
    {1, 8, 0b000000000011111, 15},
    {1, 9, 0b000000000011110, 15},
    {1, 10, 0b000000000011101, 15},
    {1, 11, 0b000000000011100, 15},
    {1, 12, 0b000000000011011, 15},
    {1, 13, 0b000000000011010, 15},
    {1, 14, 0b000000000011001, 15},
    {1, 15, 0b0000000000010011, 16},
    {1, 16, 0b0000000000010010, 16},
    {1, 17, 0b0000000000010001, 16},
    {1, 18, 0b0000000000010000, 16},
    {6, 3, 0b0000000000010100, 16},
    {11, 2, 0b0000000000011010, 16},
    {12, 2, 0b0000000000011001, 16},
    {13, 2, 0b0000000000011000, 16},
    {14, 2, 0b0000000000010111, 16},
    {15, 2, 0b0000000000010110, 16},
    {16, 2, 0b0000000000010101, 16},
    {27, 1, 0b0000000000011111, 16},
    {28, 1, 0b0000000000011110, 16},
    {29, 1, 0b0000000000011101, 16},
    {30, 1, 0b0000000000011100, 16},
    {31, 1, 0b0000000000011011, 16},
};

namespace {

// The entry whose code is a prefix of the 16-bit look-ahead v.
constexpr CoefficientEntry EntryFor(uint32_t v) {
  if ((v >> 14) == kEndOfBlockCode) return {kRunEndOfBlock, 0, kEndOfBlockLength};
  if ((v >> 10) == kEscapeCode) return {kRunEscape, 0, kEscapeLength};
  for (const CoefficientCode& c : kCoefficientCodes) {
    if ((v >> (16 - c.length)) == c.code) return {c.run, c.level, c.length};
  }
  return {0, 0, 0};
}

template <int N>
constexpr void Fill(CoefficientEntry (&table)[N], uint32_t from, uint32_t to, int shift) {
  for (uint32_t i = from >> shift; i < (to >> shift); ++i) table[i] = EntryFor(i << shift);
}

constexpr CoefficientTables BuildTables() {
  CoefficientTables t{};
  Fill(t.from16384, 16384, 65536, 12);
  Fill(t.from1024, 1024, 16384, 8);
  Fill(t.from512, 512, 1024, 6);
  Fill(t.from256, 256, 512, 4);
  Fill(t.from128, 128, 256, 3);
  Fill(t.from64, 64, 128, 2);
  Fill(t.from32, 32, 64, 1);
  Fill(t.from16, 16, 32, 0);
  return t;
}

// (run, level) -> index into kCoefficientCodes + 1, 0 for none.
struct CodeIndex {
  uint8_t index[32][41];
};

constexpr CodeIndex BuildIndex() {
  CodeIndex x{};
  for (int k = 0; k < kCoefficientCodeCount; ++k) {
    x.index[kCoefficientCodes[k].run][kCoefficientCodes[k].level] = static_cast<uint8_t>(k + 1);
  }
  return x;
}

constexpr CodeIndex kIndex = BuildIndex();

}  // namespace

constexpr CoefficientTables kCoefficientTables = BuildTables();

namespace {

// Derived from the eight tables, so both lookups agree by construction: the
// look-ahead is the window followed by zeros, and an entry is kept only if
// its code and (for a coefficient) its sign bit lie inside the window.
constexpr FastCoefficientTable BuildFastTable() {
  FastCoefficientTable t{};
  constexpr int kBits = kFastCoefficientBits;
  for (uint32_t w = 0; w < (1u << kBits); ++w) {
    const CoefficientEntry& e = LookupCoefficient(w << (16 - kBits));
    if (e.length == 0 || e.run == kRunEscape) continue;
    if (e.run == kRunEndOfBlock) {
      t.entry[w] = MakeFastCoefficientEntry(e.length, 0, kFastEndOfBlockAdvance);
      continue;
    }
    if (e.length + 1 > kBits) continue;
    const bool negative = (w >> (kBits - 1 - e.length)) & 1;
    t.entry[w] = MakeFastCoefficientEntry(e.length + 1u, negative ? 8u - e.level : 8u + e.level,
                                          (e.run + 1u) * 16u);
  }
  return t;
}

}  // namespace

constexpr FastCoefficientTable kFastCoefficientTable = BuildFastTable();

const CoefficientCode* FindCoefficientCode(int run, int level) {
  if (run < 0 || run >= 32 || level < 1 || level > 40) return nullptr;
  const int k = kIndex.index[run][level];
  return k ? &kCoefficientCodes[k - 1] : nullptr;
}

}  // namespace marlow
