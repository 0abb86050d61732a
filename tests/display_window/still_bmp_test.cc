#include "display/still_bmp.h"

#include <gtest/gtest.h>

#include <vector>

namespace marlow {
namespace {

uint32_t Le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

std::vector<uint8_t> Dib(uint16_t bitCount, uint32_t compression, uint32_t coloursUsed,
                         size_t total) {
  std::vector<uint8_t> dib(total, 0);
  dib[0] = 40;
  dib[14] = static_cast<uint8_t>(bitCount);
  dib[15] = static_cast<uint8_t>(bitCount >> 8);
  for (int i = 0; i < 4; ++i) {
    dib[16 + i] = static_cast<uint8_t>(compression >> (8 * i));
    dib[32 + i] = static_cast<uint8_t>(coloursUsed >> (8 * i));
  }
  return dib;
}

TEST(StillBmp, HeaderPartFollowsCompressionBitCountAndColours) {
  // Plain RGB without a table: the desktop's 24/32-bit captures.
  EXPECT_EQ(40u, DibHeaderPartBytes(0, 32, 0));
  EXPECT_EQ(40u, DibHeaderPartBytes(0, 24, 0));
  // Bit fields: three masks.
  EXPECT_EQ(52u, DibHeaderPartBytes(3, 32, 0));
  EXPECT_EQ(52u + 16 * 4, DibHeaderPartBytes(3, 16, 16));
  // Palettes: the full table when colours-used is 0, else just the named ones.
  EXPECT_EQ(40u + 256 * 4, DibHeaderPartBytes(0, 8, 0));
  EXPECT_EQ(40u + 2 * 4, DibHeaderPartBytes(0, 1, 0));
  EXPECT_EQ(40u + 20 * 4, DibHeaderPartBytes(0, 8, 20));
  // A true-colour DIB that still names colours carries them.
  EXPECT_EQ(40u + 3 * 4, DibHeaderPartBytes(0, 24, 3));
  // Run-length.
  EXPECT_EQ(40u + 256 * 4, DibHeaderPartBytes(1, 8, 0));
  EXPECT_EQ(40u + 16 * 4, DibHeaderPartBytes(2, 4, 0));
  EXPECT_EQ(40u + 7 * 4, DibHeaderPartBytes(2, 4, 7));
  // Anything else: the bare info header.
  EXPECT_EQ(40u, DibHeaderPartBytes(4, 24, 0));
  EXPECT_EQ(40u, DibHeaderPartBytes(0x12345678, 8, 99));
}

TEST(StillBmp, HeaderPartThatCannotFitIsRefused) {
  EXPECT_EQ(0u, DibHeaderPartBytes(1, 32, 0));
  EXPECT_EQ(0u, DibHeaderPartBytes(0, 8, 0xFFFFFFFF));
  EXPECT_EQ(0u, DibHeaderPartBytes(3, 32, 0x40000000));
}

TEST(StillBmp, FileHeaderOffsetsFor32BitDesktop) {
  const std::vector<uint8_t> plain = Dib(32, 0, 0, 40 + 8 * 4 * 4);
  uint8_t header[kBmpFileHeaderBytes];
  ASSERT_EQ(1, MakeBmpFileHeader(plain.data(), plain.size(), header));
  EXPECT_EQ('B', header[0]);
  EXPECT_EQ('M', header[1]);
  EXPECT_EQ(plain.size() + 14, Le32(header + 2));
  EXPECT_EQ(0u, Le32(header + 6));  // both reserved words
  EXPECT_EQ(54u, Le32(header + 10));

  const std::vector<uint8_t> fields = Dib(32, 3, 0, 52 + 8 * 4 * 4);
  ASSERT_EQ(1, MakeBmpFileHeader(fields.data(), fields.size(), header));
  EXPECT_EQ(66u, Le32(header + 10));
  EXPECT_EQ(fields.size() + 14, Le32(header + 2));
}

TEST(StillBmp, ShortOrMissingBlockWritesNothing) {
  uint8_t header[kBmpFileHeaderBytes];
  for (uint8_t& b : header) b = 0xEE;
  const std::vector<uint8_t> shortDib(39, 0);
  EXPECT_EQ(0, MakeBmpFileHeader(shortDib.data(), shortDib.size(), header));
  EXPECT_EQ(0, MakeBmpFileHeader(nullptr, 100, header));
  const std::vector<uint8_t> huge = Dib(32, 1, 0, 40);
  EXPECT_EQ(0, MakeBmpFileHeader(huge.data(), huge.size(), header));
  for (uint8_t b : header) EXPECT_EQ(0xEE, b);
}

}  // namespace
}  // namespace marlow
