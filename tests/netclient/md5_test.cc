#include "netclient/md5.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace marlow {
namespace {

std::string Hex(const uint8_t* d, size_t n) {
  std::string s;
  char two[3];
  for (size_t i = 0; i < n; ++i) {
    std::snprintf(two, sizeof two, "%02x", d[i]);
    s += two;
  }
  return s;
}

std::string DigestOf(const std::string& text) {
  uint8_t d[kMd5DigestSize];
  Md5Digest(text.data(), text.size(), d);
  return Hex(d, sizeof d);
}

// The test suite of RFC 1321, appendix A.5.
TEST(Md5, Rfc1321Suite) {
  EXPECT_EQ(DigestOf(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(DigestOf("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(DigestOf("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(DigestOf("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(DigestOf("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(DigestOf("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "d174ab98d277d9f5a5611c2c9f419d9f");
  EXPECT_EQ(DigestOf("1234567890123456789012345678901234567890"
                     "1234567890123456789012345678901234567890"),
            "57edf4a22be3c955ac49da2e2107b67a");
}

// The padding changes shape at 55/56 and 63/64 bytes; feeding in pieces must
// equal the one-shot digest across those block edges.
TEST(Md5, IncrementalEqualsOneShotAcrossBlockEdges) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += static_cast<char>('!' + (i * 7) % 90);
  for (size_t n : {55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 128u, 200u}) {
    uint8_t whole[kMd5DigestSize], pieces[kMd5DigestSize];
    Md5Digest(text.data(), n, whole);
    for (size_t step : {1u, 3u, 17u, 64u}) {
      Md5 md5;
      for (size_t at = 0; at < n; at += step)
        md5.Update(text.data() + at, n - at < step ? n - at : step);
      md5.Final(pieces);
      EXPECT_EQ(Hex(whole, 16), Hex(pieces, 16)) << "n=" << n << " step=" << step;
    }
  }
  // Known value across the 56-byte padding edge.
  EXPECT_EQ(DigestOf(std::string(56, 'a')), "3b0c8ac703f828b04c6c197006d17218");
}

}  // namespace
}  // namespace marlow
