// Video decoder: header layouts, the slice scan and its picture sizes,
// conditional replenishment, block decoding with escapes and saturation, and
// malformed input. Test pictures are written bit by bit here.
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "codec/coefficient_codes.h"
#include "codec/dequantise.h"
#include "codec/inverse_transform.h"
#include "codec/scan_tables.h"
#include "codec/video_decoder.h"
#include "gtest/gtest.h"

namespace marlow {
namespace {

class BitWriter {
 public:
  void Put(uint32_t value, int bits) {
    for (int k = bits - 1; k >= 0; --k) {
      if (fill_ == 0) bytes_.push_back(0);
      if ((value >> k) & 1) bytes_.back() |= static_cast<uint8_t>(0x80 >> fill_);
      fill_ = (fill_ + 1) & 7;
    }
  }
  void Align() { fill_ = 0; }
  void Byte(uint8_t b) {
    Align();
    bytes_.push_back(b);
  }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  int fill_ = 0;
};

// Writes pictures in the recorder's syntax.
class PictureWriter {
 public:
  // Header: start code with the given fourth byte, byte 4, and for layout 3
  // the sequence number.
  PictureWriter(uint8_t code, uint8_t byte4, bool layout3, uint16_t sequence = 0) {
    for (uint8_t b : {uint8_t{0}, uint8_t{0}, uint8_t{1}, code, byte4}) w_.Byte(b);
    if (layout3) {
      w_.Byte(static_cast<uint8_t>(sequence >> 8));
      w_.Byte(static_cast<uint8_t>(sequence));
    }
  }
  void Slice(unsigned row) {
    w_.Align();
    w_.Put(0x000001, 24);
    w_.Put(row, 5);
  }
  void Increment(unsigned k) { w_.Put(k, 6); }
  void EndSlice() { w_.Put(0, 6); }
  void Pattern(unsigned p) { w_.Put(p, 4); }
  void Dc(unsigned d) { w_.Put(d, 8); }
  void EndOfBlock() { w_.Put(kEndOfBlockCode, kEndOfBlockLength); }
  void FlatBlock(unsigned d) {
    Dc(d);
    EndOfBlock();
  }
  // A table code with its sign.
  void Code(int run, int level, bool negative) {
    const CoefficientCode* c = FindCoefficientCode(run, level);
    ASSERT_NE(c, nullptr);
    w_.Put(c->code, c->length);
    w_.Put(negative ? 1 : 0, 1);
  }
  // An escape with its raw level byte and, where that byte calls for one, the
  // extra byte.
  void Escape(int run, uint8_t level_byte, int extra = -1) {
    w_.Put(kEscapeCode, kEscapeLength);
    w_.Put(static_cast<uint32_t>(run), 6);
    w_.Put(level_byte, 8);
    if (extra >= 0) w_.Put(static_cast<uint32_t>(extra), 8);
  }
  void Bits(uint32_t v, int n) { w_.Put(v, n); }
  void Trailer(uint8_t code) {
    for (uint8_t b : {uint8_t{0}, uint8_t{0}, uint8_t{1}, code}) w_.Byte(b);
  }
  void Byte(uint8_t b) { w_.Byte(b); }
  std::vector<uint8_t> bytes() const { return w_.bytes(); }

 private:
  BitWriter w_;
};

// Byte 4 for layouts 1 and 3.
uint8_t Byte4(int full, int quantiser, int channel = 0) {
  return static_cast<uint8_t>((full << 7) | (quantiser << 3) | channel);
}

// Flat value of block b of macroblock (row, column) in the test pictures.
unsigned FlatValue(unsigned row, unsigned column, int b) {
  return (row * 40 + column * 6 + static_cast<unsigned>(b) * 7) & 255;
}

// A full picture of flat blocks with `rows` slices.
std::vector<uint8_t> FlatFullPicture(unsigned rows, uint8_t code = 0xF9, bool layout3 = true,
                                     uint8_t byte4 = Byte4(1, 4)) {
  PictureWriter p(code, byte4, layout3, 0x1234);
  for (unsigned row = 0; row < rows; ++row) {
    p.Slice(row);
    for (unsigned column = 0; column < 40; ++column) {
      for (int b = 0; b < 6; ++b) p.FlatBlock(FlatValue(row, column, b));
    }
  }
  return p.bytes();
}

struct Planes {
  std::unique_ptr<uint8_t[]> buffer{new uint8_t[kMaxPictureBytes]};
  DecodedPicture picture;
  explicit Planes(uint8_t fill = 0x55) {
    std::memset(buffer.get(), fill, kMaxPictureBytes);
    picture.planes = buffer.get();
  }
  // Top-left of block b of macroblock (row, column) and its stride.
  struct At {
    const uint8_t* p;
    ptrdiff_t stride;
  };
  At Block(unsigned width, unsigned height, unsigned row, unsigned column, int b) const {
    const uint8_t* y = buffer.get();
    if (b < 4) {
      return {y + (row * 16 + (b >> 1) * 8) * width + column * 16 + (b & 1) * 8,
              static_cast<ptrdiff_t>(width)};
    }
    const uint8_t* chroma = y + width * height + (b == 5 ? width * height / 4 : 0);
    return {chroma + row * 8 * (width / 2) + column * 8, static_cast<ptrdiff_t>(width / 2)};
  }
};

bool BlockIsFlat(Planes::At at, unsigned value) {
  for (int r = 0; r < 8; ++r) {
    for (int c = 0; c < 8; ++c) {
      if (at.p[r * at.stride + c] != value) return false;
    }
  }
  return true;
}

// The samples a block of the given coefficients must decode to.
void ExpectBlockEquals(const uint8_t* p, ptrdiff_t stride, const int16_t* coefficients) {
  int16_t expected[64];
  std::memcpy(expected, coefficients, sizeof expected);
  InverseTransformReference(expected);
  for (int k = 0; k < 64; ++k) {
    ASSERT_EQ(p[(k / 8) * stride + k % 8], expected[k]) << "position " << k;
  }
}

// --- Header layouts and picture sizes ---------------------------------------

TEST(VideoDecoderHeaderTest, SliceCountGivesThePictureSize) {
  VideoDecoder d;
  d.Reset(2);
  std::vector<uint8_t> p17 = FlatFullPicture(17);
  EXPECT_EQ(d.ParseHeader(p17.data(), p17.size()), p17.size());
  EXPECT_EQ(d.Width(), 640u);
  EXPECT_EQ(d.Height(), 272u);
  EXPECT_EQ(d.SliceCount(), 17);
  EXPECT_EQ(d.SliceOffset(0), 7u);

  std::vector<uint8_t> p14 = FlatFullPicture(14);
  EXPECT_EQ(d.ParseHeader(p14.data(), p14.size()), p14.size());
  EXPECT_EQ(d.Width(), 640u);
  EXPECT_EQ(d.Height(), 224u);

  // 15 slices: the size follows the table but the parse fails.
  std::vector<uint8_t> p15 = FlatFullPicture(15);
  EXPECT_EQ(d.ParseHeader(p15.data(), p15.size()), 0u);
  EXPECT_EQ(d.Width(), 640u);
  EXPECT_EQ(d.Height(), 272u);

  std::vector<uint8_t> p9 = FlatFullPicture(9);
  EXPECT_EQ(d.ParseHeader(p9.data(), p9.size()), 0u);
  EXPECT_EQ(d.Width(), 320u);
  EXPECT_EQ(d.Height(), 128u);

  // 18 or more: fails and leaves the size alone.
  PictureWriter p18(0xF9, Byte4(1, 4), true);
  for (unsigned row = 0; row < 18; ++row) {
    p18.Slice(row % 17);
    p18.FlatBlock(1);
  }
  const std::vector<uint8_t> b18 = p18.bytes();
  EXPECT_EQ(d.ParseHeader(b18.data(), b18.size()), 0u);
  EXPECT_EQ(d.Width(), 320u);
  EXPECT_EQ(d.Height(), 128u);
}

TEST(VideoDecoderHeaderTest, RejectsShortDataWrongStartCodeAndQuantiser15) {
  VideoDecoder d;
  d.Reset(2);
  std::vector<uint8_t> p = FlatFullPicture(17);
  EXPECT_EQ(d.ParseHeader(p.data(), 5), 0u);
  EXPECT_EQ(d.ParseHeader(nullptr, p.size()), 0u);
  for (uint8_t code : {0xF7, 0xFA, 0xFE, 0x00}) {
    std::vector<uint8_t> q = p;
    q[3] = code;
    EXPECT_EQ(d.ParseHeader(q.data(), q.size()), 0u) << int(code);
  }
  std::vector<uint8_t> q = p;
  q[1] = 1;
  EXPECT_EQ(d.ParseHeader(q.data(), q.size()), 0u);

  std::vector<uint8_t> q15 = FlatFullPicture(17, 0xF9, true, Byte4(1, 15));
  EXPECT_EQ(d.ParseHeader(q15.data(), q15.size()), 0u);

  // Quantiser 0 passes the parse and fails the decode.
  std::vector<uint8_t> q0 = FlatFullPicture(17, 0xF9, true, Byte4(1, 0));
  Planes out;
  EXPECT_NE(d.ParseHeader(q0.data(), q0.size()), 0u);
  EXPECT_EQ(d.QuantiserScale(), 0);
  EXPECT_EQ(d.Decode(q0.data(), q0.size(), &out.picture), 0);
}

TEST(VideoDecoderHeaderTest, LayoutsPlaceFullFlagQuantiserAndChannel) {
  VideoDecoder d;
  // Layout 1 (variant 0): channel field 5 means channel 0, 3 stays 3.
  d.Reset(0);
  std::vector<uint8_t> p = FlatFullPicture(17, 0xF8, false, Byte4(1, 6, 5));
  EXPECT_NE(d.ParseHeader(p.data(), p.size()), 0u);
  EXPECT_EQ(d.Channel(), 0);
  EXPECT_EQ(d.Full(), 1);
  EXPECT_EQ(d.QuantiserScale(), 6);
  p = FlatFullPicture(17, 0xF9, false, Byte4(0, 6, 3));
  EXPECT_NE(d.ParseHeader(p.data(), p.size()), 0u);
  EXPECT_EQ(d.Channel(), 3);
  EXPECT_EQ(d.Full(), 0);

  // Layout 2 (variants 1, 3, 4): quantiser in the high nibble (bit 7
  // included), channel in the low nibble, full flag from the start code.
  for (int variant : {1, 3, 4}) {
    d.Reset(variant);
    p = FlatFullPicture(17, 0xF9, false, 0x9C);
    EXPECT_NE(d.ParseHeader(p.data(), p.size()), 0u) << variant;
    EXPECT_EQ(d.QuantiserScale(), 9);
    EXPECT_EQ(d.Channel(), 12);
    EXPECT_EQ(d.Full(), 1);
    p = FlatFullPicture(17, 0xF8, false, 0x2F);
    EXPECT_NE(d.ParseHeader(p.data(), p.size()), 0u) << variant;
    EXPECT_EQ(d.QuantiserScale(), 2);
    EXPECT_EQ(d.Channel(), 15);
    EXPECT_EQ(d.Full(), 0);
  }
  // In layout 2 a byte 4 of 0xF0 is quantiser 15.
  d.Reset(4);
  p = FlatFullPicture(17, 0xF9, false, 0xF0);
  EXPECT_EQ(d.ParseHeader(p.data(), p.size()), 0u);

  // Layout 3 (variants 2, 5-9): channel always 0, sequence number kept.
  for (int variant : {2, 5, 6, 7, 8, 9}) {
    d.Reset(variant);
    p = FlatFullPicture(17, 0xF8, true, Byte4(1, 3, 6));
    EXPECT_NE(d.ParseHeader(p.data(), p.size()), 0u) << variant;
    EXPECT_EQ(d.Channel(), 0);
    EXPECT_EQ(d.Full(), 1);
    EXPECT_EQ(d.QuantiserScale(), 3);
    EXPECT_EQ(d.Sequence(), 0x1234);
  }
}

TEST(VideoDecoderHeaderTest, ResetForgetsThePictureButKeepsChannelAndFullFlag) {
  VideoDecoder d;
  d.Reset(4);
  std::vector<uint8_t> p = FlatFullPicture(17, 0xF9, false, 0x47);
  ASSERT_NE(d.ParseHeader(p.data(), p.size()), 0u);
  EXPECT_EQ(d.Reset(2), 1);
  EXPECT_EQ(d.Width(), 0u);
  EXPECT_EQ(d.Height(), 0u);
  EXPECT_EQ(d.QuantiserScale(), 0);
  EXPECT_EQ(d.Channel(), 7);
  EXPECT_EQ(d.Full(), 1);
  Planes out;
  EXPECT_EQ(d.Decode(p.data(), p.size(), &out.picture), 0);
}

// --- The slice scan -------------------------------------------------------

TEST(VideoDecoderScanTest, PictureAndMessageStartCodesEndTheScan) {
  for (uint8_t code : {0xF8, 0xF9, 0xFA, 0xFE}) {
    VideoDecoder d;
    d.Reset(2);
    PictureWriter p(0xF9, Byte4(1, 4), true);
    for (unsigned row = 0; row < 17; ++row) {
      p.Slice(row);
      for (unsigned column = 0; column < 40; ++column) {
        for (int b = 0; b < 6; ++b) p.FlatBlock(FlatValue(row, column, b));
      }
    }
    p.Trailer(code);
    const size_t stop = p.bytes().size() - 1;
    // Slices of the next unit follow; they must not be counted.
    for (unsigned row = 0; row < 3; ++row) {
      p.Slice(row);
      p.FlatBlock(9);
    }
    const std::vector<uint8_t> b = p.bytes();
    EXPECT_EQ(d.ParseHeader(b.data(), b.size()), stop) << int(code);
    EXPECT_EQ(d.SliceCount(), 17);
    Planes out;
    EXPECT_EQ(d.Decode(b.data(), b.size(), &out.picture), 1);
  }
}

TEST(VideoDecoderScanTest, LivePictureEndingInAMessageStartCodeDecodes) {
  // A live unit (layout 3) cut where a recorder message begins: its last
  // four bytes are 00 00 01 FE. They are not an eighteenth slice.
  VideoDecoder d;
  d.Reset(2);
  std::vector<uint8_t> b = FlatFullPicture(17, 0xF9, true);
  for (uint8_t x : {0x00, 0x00, 0x01, 0xFE}) b.push_back(x);
  Planes out;
  EXPECT_EQ(d.ParseHeader(b.data(), b.size()), b.size() - 1);
  EXPECT_EQ(d.SliceCount(), 17);
  ASSERT_EQ(d.Decode(b.data(), b.size(), &out.picture), 1);
  EXPECT_TRUE(BlockIsFlat(out.Block(640, 272, 16, 39, 5), FlatValue(16, 39, 5)));
  // The same with 14 slices.
  b = FlatFullPicture(14, 0xF9, true);
  for (uint8_t x : {0x00, 0x00, 0x01, 0xFE}) b.push_back(x);
  EXPECT_EQ(d.ParseHeader(b.data(), b.size()), b.size() - 1);
  EXPECT_EQ(d.Height(), 224u);
}

// The scan as a byte-by-byte register, for comparison with the decoder's.
int NaiveSliceScan(const std::vector<uint8_t>& data, std::vector<uint32_t>* offsets, size_t* stop) {
  uint32_t reg = 0xFFFFFFFFu;
  offsets->clear();
  *stop = data.size();
  for (size_t i = 5; i < data.size(); ++i) {
    reg = (reg << 8) | data[i];
    const uint8_t last = static_cast<uint8_t>(reg);
    if ((reg >> 8) == 1 && (last == 0xF8 || last == 0xF9 || last == 0xFA || last == 0xFE)) {
      *stop = i;
      break;
    }
    if ((reg >> 8) == 1) {
      if (offsets->size() == 17) return 18;
      offsets->push_back(static_cast<uint32_t>(i - 3));
    }
  }
  return static_cast<int>(offsets->size());
}

TEST(VideoDecoderScanTest, FindsTheSameSlicesAsAByteRegister) {
  std::mt19937 gen(77);
  const uint8_t alphabet[] = {0x00, 0x00, 0x00, 0x01, 0x01, 0xF8, 0xF9, 0xFA, 0xFE, 0x37};
  std::uniform_int_distribution<int> pick(0, 9);
  std::uniform_int_distribution<int> size(6, 120);
  VideoDecoder d;
  d.Reset(1);
  for (int n = 0; n < 20000; ++n) {
    std::vector<uint8_t> b(static_cast<size_t>(size(gen)));
    for (uint8_t& x : b) x = alphabet[pick(gen)];
    b[0] = 0;
    b[1] = 0;
    b[2] = 1;
    b[3] = 0xF9;
    b[4] = 0x10;
    std::vector<uint32_t> offsets;
    size_t stop;
    const int count = NaiveSliceScan(b, &offsets, &stop);
    const size_t result = d.ParseHeader(b.data(), b.size());
    ASSERT_EQ(d.SliceCount(), count) << n;
    for (int k = 0; k < count && k < 17; ++k) ASSERT_EQ(d.SliceOffset(k), offsets[k]) << n;
    ASSERT_EQ(result, (count == 14 || count == 17) ? stop : 0u) << n;
  }
}

// --- Decoding -------------------------------------------------------------

TEST(VideoDecoderDecodeTest, FullPictureOfFlatBlocksDecodesEveryBlock) {
  for (unsigned rows : {14u, 17u}) {
    VideoDecoder d;
    d.Reset(2);
    std::vector<uint8_t> b = FlatFullPicture(rows);
    Planes out;
    ASSERT_NE(d.ParseHeader(b.data(), b.size()), 0u);
    ASSERT_EQ(d.Decode(b.data(), b.size(), &out.picture), 1);
    EXPECT_EQ(out.picture.width, 640u);
    EXPECT_EQ(out.picture.height, rows * 16);
    for (unsigned row = 0; row < rows; ++row) {
      for (unsigned column = 0; column < 40; ++column) {
        for (int blk = 0; blk < 6; ++blk) {
          ASSERT_TRUE(
              BlockIsFlat(out.Block(640, rows * 16, row, column, blk), FlatValue(row, column, blk)))
              << row << "/" << column << "/" << blk;
        }
      }
    }
    // Nothing written past the picture.
    const size_t end = 640 * rows * 16 * 3 / 2;
    for (size_t k = end; k < kMaxPictureBytes; ++k) ASSERT_EQ(out.buffer[k], 0x55) << k;
  }
}

// Writes a full 14-row picture whose macroblock (0, 0) block 0 is coded by
// `first`, everything else flat 0; returns the decoded block compared with
// the expected coefficients.
template <typename WriteBlock>
void CheckFirstBlock(int quantiser, WriteBlock first, const int16_t* expected) {
  PictureWriter p(0xF9, Byte4(1, quantiser), true);
  for (unsigned row = 0; row < 14; ++row) {
    p.Slice(row);
    for (unsigned column = 0; column < 40; ++column) {
      for (int b = 0; b < 6; ++b) {
        if (row == 0 && column == 0 && b == 0) {
          first(p);
        } else {
          p.FlatBlock(0);
        }
      }
    }
  }
  const std::vector<uint8_t> bytes = p.bytes();
  VideoDecoder d;
  d.Reset(2);
  Planes out;
  ASSERT_NE(d.ParseHeader(bytes.data(), bytes.size()), 0u);
  ASSERT_EQ(d.Decode(bytes.data(), bytes.size(), &out.picture), 1);
  ExpectBlockEquals(out.buffer.get(), 640, expected);
  EXPECT_TRUE(BlockIsFlat(out.Block(640, 224, 0, 0, 1), 0));
}

TEST(VideoDecoderDecodeTest, TableCodesAndEscapesGiveTheirLevels) {
  // q = 1: coefficient = level * matrix / 4.
  int16_t expected[64] = {};
  expected[0] = 100 * 8;
  expected[kZigZag[1]] = static_cast<int16_t>(200 * kIntraQuantiserMatrix[kZigZag[1]] / 4);
  expected[kZigZag[2]] = static_cast<int16_t>(-(200 * kIntraQuantiserMatrix[kZigZag[2]] / 4));
  expected[kZigZag[3]] = static_cast<int16_t>(-(127 * kIntraQuantiserMatrix[kZigZag[3]] / 4));
  expected[kZigZag[6]] = static_cast<int16_t>(1 * kIntraQuantiserMatrix[kZigZag[6]] / 4);
  expected[kZigZag[7]] = static_cast<int16_t>(-(1 * kIntraQuantiserMatrix[kZigZag[7]] / 4));
  expected[kZigZag[9]] = static_cast<int16_t>(5 * kIntraQuantiserMatrix[kZigZag[9]] / 4);
  CheckFirstBlock(
      1,
      [](PictureWriter& p) {
        p.Dc(100);
        p.Escape(0, 0, 200);   // index 1: level byte 0, then 200: +200
        p.Escape(0, 128, 56);  // index 2: level byte 128, then 56: -200
        p.Escape(0, 129);      // index 3: level byte 129: -127
        p.Code(2, 1, false);   // index 6: +1
        p.Code(0, 1, true);    // index 7: -1
        p.Escape(1, 5);        // index 9: +5
        p.EndOfBlock();
      },
      expected);
}

TEST(VideoDecoderDecodeTest, DequantisedValuesSaturate) {
  // Positive: v above 2047 gives 2047; negative: v above 2048 gives -2048,
  // v = 2048 gives -2048 too, and 2048 positive gives 2047.
  EXPECT_EQ(Dequantise(255, 0, 83 * 14), 2047);
  EXPECT_EQ(Dequantise(255, 1, 83 * 14), -2048);
  EXPECT_EQ(Dequantise(256, 0, 32), 2047);  // v = 2048
  EXPECT_EQ(Dequantise(256, 1, 32), -2048);
  EXPECT_EQ(Dequantise(255, 0, 32), 2040);
  EXPECT_EQ(Dequantise(255, 1, 32), -2040);
  EXPECT_EQ(Dequantise(1, 0, 3), 0);
  EXPECT_EQ(Dequantise(0, 1, 83 * 14), 0);

  // End to end at quantiser 14: escapes 255 and -256 at the last positions.
  int16_t expected[64] = {};
  expected[0] = 37 * 8;
  expected[63] = -2048;
  expected[62] = 2047;
  CheckFirstBlock(
      14,
      [](PictureWriter& p) {
        p.Dc(37);
        p.Escape(61, 0, 255);  // index 62: +255 * 69 * 14 / 4
        p.Escape(0, 128, 0);   // index 63: -256 * 83 * 14 / 4
        p.EndOfBlock();
      },
      expected);
}

TEST(VideoDecoderDecodeTest, UpdatePictureReplenishesOnlyCodedMacroblocksAndBlocks) {
  // Rows of a 17-row update picture: MB 0 with only blocks 0 and 2 coded,
  // increment 3 (MBs 1 and 2 keep their pixels), MB 3 with all blocks, then
  // six zero bits end the row.
  PictureWriter p(0xF8, Byte4(0, 2), true);
  for (unsigned row = 0; row < 17; ++row) {
    p.Slice(row);
    p.Increment(1);
    p.Pattern(0b0101);
    p.FlatBlock(10);
    p.FlatBlock(12);
    p.FlatBlock(14);  // Cb
    p.FlatBlock(15);  // Cr
    p.Increment(3);
    p.Pattern(0b1111);
    for (int b = 0; b < 6; ++b) p.FlatBlock(20 + static_cast<unsigned>(b));
    p.EndSlice();
  }
  const std::vector<uint8_t> bytes = p.bytes();
  VideoDecoder d;
  d.Reset(2);
  Planes out(0x55);
  ASSERT_NE(d.ParseHeader(bytes.data(), bytes.size()), 0u);
  EXPECT_EQ(d.Full(), 0);
  ASSERT_EQ(d.Decode(bytes.data(), bytes.size(), &out.picture), 1);
  for (unsigned row = 0; row < 17; ++row) {
    EXPECT_TRUE(BlockIsFlat(out.Block(640, 272, row, 0, 0), 10));
    EXPECT_TRUE(BlockIsFlat(out.Block(640, 272, row, 0, 1), 0x55));
    EXPECT_TRUE(BlockIsFlat(out.Block(640, 272, row, 0, 2), 12));
    EXPECT_TRUE(BlockIsFlat(out.Block(640, 272, row, 0, 3), 0x55));
    EXPECT_TRUE(BlockIsFlat(out.Block(640, 272, row, 0, 4), 14));
    EXPECT_TRUE(BlockIsFlat(out.Block(640, 272, row, 0, 5), 15));
    for (unsigned column : {1u, 2u}) {
      for (int b = 0; b < 6; ++b) {
        EXPECT_TRUE(BlockIsFlat(out.Block(640, 272, row, column, b), 0x55));
      }
    }
    for (int b = 0; b < 6; ++b) {
      EXPECT_TRUE(BlockIsFlat(out.Block(640, 272, row, 3, b), 20 + unsigned(b)));
    }
    for (unsigned column = 4; column < 40; ++column) {
      for (int b = 0; b < 6; ++b) {
        ASSERT_TRUE(BlockIsFlat(out.Block(640, 272, row, column, b), 0x55));
      }
    }
  }
}

TEST(VideoDecoderDecodeTest, IncrementPastTheLastColumnEndsTheSliceWithoutWriting) {
  PictureWriter p(0xF8, Byte4(0, 2), true);
  for (unsigned row = 0; row < 14; ++row) {
    p.Slice(row);
    p.Increment(39);  // column 38
    p.Pattern(0b0001);
    p.FlatBlock(1);
    p.FlatBlock(2);
    p.FlatBlock(3);
    p.Increment(63);  // column 38 + 63: outside the row
    p.Pattern(0b1111);
    for (int b = 0; b < 6; ++b) p.FlatBlock(99);
  }
  const std::vector<uint8_t> bytes = p.bytes();
  VideoDecoder d;
  d.Reset(2);
  Planes out(0x55);
  ASSERT_NE(d.ParseHeader(bytes.data(), bytes.size()), 0u);
  ASSERT_EQ(d.Decode(bytes.data(), bytes.size(), &out.picture), 1);
  EXPECT_TRUE(BlockIsFlat(out.Block(640, 224, 13, 38, 0), 1));
  EXPECT_TRUE(BlockIsFlat(out.Block(640, 224, 13, 39, 0), 0x55));
  for (size_t k = 0; k < 640 * 224 * 3 / 2; ++k) ASSERT_NE(out.buffer[k], 99) << k;
  for (size_t k = 640 * 224 * 3 / 2; k < kMaxPictureBytes; ++k) ASSERT_EQ(out.buffer[k], 0x55);
}

TEST(VideoDecoderDecodeTest, DecodingErrorsFailThePicture) {
  VideoDecoder d;
  d.Reset(2);
  Planes out;
  auto decode_with_first_block = [&](auto write) {
    PictureWriter p(0xF9, Byte4(1, 4), true);
    for (unsigned row = 0; row < 14; ++row) {
      p.Slice(row);
      if (row == 5) {
        write(p);
      } else {
        for (int b = 0; b < 6 * 40; ++b) p.FlatBlock(0);
      }
    }
    const std::vector<uint8_t> bytes = p.bytes();
    EXPECT_NE(d.ParseHeader(bytes.data(), bytes.size()), 0u);
    return d.Decode(bytes.data(), bytes.size(), &out.picture);
  };
  // Twelve leading zeros (look-ahead below 16) is no code.
  EXPECT_EQ(decode_with_first_block([](PictureWriter& p) {
              p.Dc(4);
              p.Bits(0, 12);
              p.Bits(0xF, 4);
            }),
            0);
  // Run to index 64.
  EXPECT_EQ(decode_with_first_block([](PictureWriter& p) {
              p.Dc(4);
              p.Escape(62, 3);
              p.Escape(0, 3);
            }),
            0);
  // Index 63 is still fine, and the next block decodes from a clean state.
  EXPECT_EQ(decode_with_first_block([](PictureWriter& p) {
              p.Dc(4);
              p.Escape(62, 3);
              p.EndOfBlock();
              for (int b = 1; b < 6 * 40; ++b) p.FlatBlock(0);
            }),
            1);

  // Macroblock row at or beyond height / 16.
  PictureWriter p(0xF9, Byte4(1, 4), true);
  for (unsigned row = 0; row < 14; ++row) {
    p.Slice(row == 3 ? 14 : row);
    for (int b = 0; b < 6 * 40; ++b) p.FlatBlock(0);
  }
  std::vector<uint8_t> bytes = p.bytes();
  ASSERT_NE(d.ParseHeader(bytes.data(), bytes.size()), 0u);
  EXPECT_EQ(d.Decode(bytes.data(), bytes.size(), &out.picture), 0);

  // No picture buffer.
  bytes = FlatFullPicture(14);
  ASSERT_NE(d.ParseHeader(bytes.data(), bytes.size()), 0u);
  DecodedPicture none;
  EXPECT_EQ(d.Decode(bytes.data(), bytes.size(), &none), 0);
  EXPECT_EQ(d.Decode(nullptr, bytes.size(), &out.picture), 0);
  EXPECT_EQ(d.Decode(bytes.data(), 4, &out.picture), 0);
}

// --- Malformed input never leaves the buffers --------------------------------

// Each run copies the input into a heap block of exactly its size, so ASan
// sees any read beyond it. The fast and the reference path must agree on
// damaged input too (result and every byte of the planes), and a decoded
// picture writes nothing past its own size.
void ParseAndDecode(int variant, const std::vector<uint8_t>& input) {
  std::unique_ptr<uint8_t[]> exact(new uint8_t[input.size() ? input.size() : 1]);
  if (!input.empty()) std::memcpy(exact.get(), input.data(), input.size());
  Planes fastOut, referenceOut;
  VideoDecoder fast, reference;
  fast.Reset(variant);
  reference.Reset(variant);
  reference.UseReferencePath(true);
  const size_t parsed = fast.ParseHeader(exact.get(), input.size());
  ASSERT_EQ(reference.ParseHeader(exact.get(), input.size()), parsed);
  if (!parsed) return;
  const int ok = fast.Decode(exact.get(), input.size(), &fastOut.picture);
  ASSERT_EQ(reference.Decode(exact.get(), input.size(), &referenceOut.picture), ok);
  ASSERT_EQ(std::memcmp(fastOut.buffer.get(), referenceOut.buffer.get(), kMaxPictureBytes), 0);
  if (!ok) return;
  const size_t end = size_t{fast.Width()} * fast.Height() * 3 / 2;
  ASSERT_LE(end, kMaxPictureBytes);
  for (size_t k = end; k < kMaxPictureBytes; ++k) ASSERT_EQ(fastOut.buffer[k], 0x55) << k;
}

TEST(VideoDecoderRobustnessTest, TruncatedPicturesAreHandled) {
  for (int variant : {0, 2, 4}) {
    std::vector<uint8_t> full = FlatFullPicture(14, 0xF9, variant == 2, Byte4(1, 4));
    // A picture whose slices end early: all 14 start codes present, then
    // the last slice cut at every length.
    for (size_t cut = full.size() - 300; cut <= full.size(); ++cut) {
      ParseAndDecode(variant, std::vector<uint8_t>(full.begin(), full.begin() + cut));
    }
    for (size_t cut = 0; cut < 64; ++cut) {
      ParseAndDecode(variant, std::vector<uint8_t>(full.begin(), full.begin() + cut));
    }
  }
}

TEST(VideoDecoderRobustnessTest, RandomBytesInsideValidSlicesAreHandled) {
  std::mt19937 gen(4242);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int n = 0; n < 300; ++n) {
    const bool full = n & 1;
    PictureWriter p(full ? 0xF9 : 0xF8, Byte4(full, 1 + n % 14), true);
    for (unsigned row = 0; row < 17; ++row) {
      p.Slice(static_cast<unsigned>(byte(gen)) & 31);
      for (int k = 0; k < 40 + n % 200; ++k) {
        uint8_t b = static_cast<uint8_t>(byte(gen));
        if (b == 0) b = 0x80;  // no accidental start codes
        p.Byte(b);
      }
    }
    // The same bytes read under every layout.
    for (int variant : {2, 0, 4}) ParseAndDecode(variant, p.bytes());
  }
}

}  // namespace
}  // namespace marlow
