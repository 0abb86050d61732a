// The DCT coefficient code table (table zero of the MPEG video standards) in
// the form used for every coefficient after the first: "10" ends the block,
// "11" + sign is run 0 level 1, "000001" is the escape, and every other code
// is followed by one sign bit (1 = negative). Codes are at most 16 bits long
// without the sign; a 16-bit look-ahead below 16 (twelve leading zeros)
// starts no code.
//
// The list is public data so that an encoder writes exactly the codes the
// decoder reads. The decoder's lookup tables are derived from it at compile
// time.
#pragma once

#include <cstdint>

namespace marlow {

struct CoefficientCode {
  uint8_t run;     // zero coefficients skipped before this one, 0..31
  uint8_t level;   // magnitude, 1..40
  uint16_t code;   // code bits, right-aligned, without the sign bit
  uint8_t length;  // code length in bits without the sign bit, 2..16
};

inline constexpr int kCoefficientCodeCount = 111;
extern const CoefficientCode kCoefficientCodes[kCoefficientCodeCount];

inline constexpr uint16_t kEndOfBlockCode = 0x2;  // "10"
inline constexpr uint8_t kEndOfBlockLength = 2;
inline constexpr uint16_t kEscapeCode = 0x1;  // "000001"
inline constexpr uint8_t kEscapeLength = 6;

// The code for (run, level), or nullptr when the pair needs the escape.
const CoefficientCode* FindCoefficientCode(int run, int level);

// Decoder lookup. An entry's run is kRunEndOfBlock or kRunEscape for those
// codes; length 0 marks a look-ahead that starts no code.
struct CoefficientEntry {
  uint8_t run;
  uint8_t level;
  uint8_t length;
};
inline constexpr uint8_t kRunEndOfBlock = 64;
inline constexpr uint8_t kRunEscape = 65;

// Eight small tables, each indexed by the 16-bit look-ahead shifted right by
// 12, 8, 6, 4, 3, 2, 1 or 0 bits, for look-ahead ranges from 16384, 1024,
// 512, 256, 128, 64, 32 and 16 up to the next range.
struct CoefficientTables {
  CoefficientEntry from16384[16];  // look-ahead >> 12
  CoefficientEntry from1024[64];   // >> 8
  CoefficientEntry from512[16];    // >> 6
  CoefficientEntry from256[32];    // >> 4
  CoefficientEntry from128[32];    // >> 3
  CoefficientEntry from64[32];     // >> 2
  CoefficientEntry from32[32];     // >> 1
  CoefficientEntry from16[32];     // >> 0
  CoefficientEntry invalid;
};
extern const CoefficientTables kCoefficientTables;

// The entry for a 16-bit look-ahead (the next 16 bits of the stream, MSB
// first). For values below 16 the entry has length 0.
constexpr const CoefficientEntry& LookupCoefficient(uint32_t lookahead) {
  const CoefficientTables& t = kCoefficientTables;
  if (lookahead >= 16384) return t.from16384[lookahead >> 12];
  if (lookahead >= 1024) return t.from1024[lookahead >> 8];
  if (lookahead >= 512) return t.from512[lookahead >> 6];
  if (lookahead >= 256) return t.from256[lookahead >> 4];
  if (lookahead >= 128) return t.from128[lookahead >> 3];
  if (lookahead >= 64) return t.from64[lookahead >> 2];
  if (lookahead >= 32) return t.from32[lookahead >> 1];
  if (lookahead >= 16) return t.from16[lookahead];
  return t.invalid;
}

// Fast lookup in front of the eight tables: one entry for each value of the
// next kFastCoefficientBits bits. Every code of up to kFastCoefficientBits - 1
// bits is there together with its sign bit; so is end of block. The escape,
// the longer codes and the invalid look-aheads have length 0: those go to
// LookupCoefficient, which stays the reference.
inline constexpr int kFastCoefficientBits = 11;
// advance: what a coefficient moves a decoder's position on, counted in
// sixteenths of a scan position ((run + 1) * 16, the coefficient itself
// included), so that position * 16 + level indexes a table of 16 levels per
// scan position; end of block advances kFastEndOfBlockAdvance, past any
// block.
inline constexpr uint32_t kFastEndOfBlockAdvance = 64 * 16;
// One entry in a word, so that the decoder's loop takes it apart with plain
// shifts: bits 0-7 the bits consumed, sign included (0: not in the fast
// table); bits 8-15 the signed level + 8, 1..15 for -7..7 (0 for end of
// block); bits 16-31 the advance, (run + 1) * 16 (kFastEndOfBlockAdvance for
// end of block).
using FastCoefficientEntry = uint32_t;
constexpr FastCoefficientEntry MakeFastCoefficientEntry(uint32_t length, uint32_t level,
                                                        uint32_t advance) {
  return length | level << 8 | advance << 16;
}
constexpr uint32_t FastLength(FastCoefficientEntry e) {
  return e & 0xFF;
}
constexpr uint32_t FastLevel(FastCoefficientEntry e) {
  return (e >> 8) & 0xFF;
}
constexpr uint32_t FastAdvance(FastCoefficientEntry e) {
  return e >> 16;
}
struct FastCoefficientTable {
  FastCoefficientEntry entry[1 << kFastCoefficientBits];  // by the next 11 bits, MSB first
};
extern const FastCoefficientTable kFastCoefficientTable;

}  // namespace marlow
