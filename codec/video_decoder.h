// Decoder of the recorder's intra pictures: a 5-byte (or 7-byte) picture
// header, one slice per macroblock row, a fixed 8-bit DC value and the MPEG
// coefficient codes. Pictures that are not full update the output picture in
// place: macroblocks and blocks they do not code keep their previous pixels.
//
// Calling order for each picture: ParseHeader, then (if it succeeded) Decode
// on the same bytes, then Width/Height/Channel describe the result. The
// decoder keeps no reference to the data or the picture after a call; one
// object is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codec/decoded_picture.h"
#include "codec/inverse_transform.h"
#include "codec/padded_bit_reader.h"

namespace marlow {

// Picture header layouts as the stream variant selects them.
enum class HeaderLayout { kLayout1 = 1, kLayout2 = 2, kLayout3 = 3 };
HeaderLayout HeaderLayoutOf(int variant);

class VideoDecoder {
 public:
  // The most slices a valid picture has (640 x 272: 17 macroblock rows).
  static constexpr int kMaxSlices = 17;

  VideoDecoder();

  // Sets the stream variant (0..9; others behave as 9) and forgets the last
  // picture: width, height, quantiser scale, sequence number are 0 again.
  // Channel and full flag keep their values. Returns 1.
  int Reset(int variant);

  // Checks the picture header, takes its fields and finds the slices.
  // Returns the offset at which the slice scan stopped (the fourth byte of
  // the next picture's or message's start code, or length) on success, 0 on
  // failure: short data, a wrong start code, quantiser scale 15, or a slice
  // count other than 14 or 17.
  size_t ParseHeader(const uint8_t* data, size_t length);

  // Decodes the slices found by the last ParseHeader of the same bytes into
  // picture->planes, which must hold kMaxPictureBytes bytes; only the first
  // Width() * Height() * 3 / 2 bytes are written. Also sets the picture's
  // width, height and channel. Returns 1, or 0 on a decoding error; slices
  // decoded before an error stay in the planes. Bytes beyond length read as 0.
  int Decode(const uint8_t* data, size_t length, DecodedPicture* picture);

  // The macroblock rows the last Decode wrote into (bit r: rows 16r to
  // 16r + 15 of luma), also when it failed part way; 0 after ParseHeader.
  // Every row a full
  // picture codes, only the rows with a coded macroblock of an update
  // picture. Pixels outside them are as they were before the call.
  uint32_t ChangedRows() const { return changedRows_; }

  unsigned Width() const { return width_; }
  unsigned Height() const { return height_; }
  int Channel() const { return channel_; }
  int Full() const { return full_; }
  int QuantiserScale() const { return quantiser_; }
  uint16_t Sequence() const { return sequence_; }
  int Variant() const { return variant_; }

  // true: the plain reference throughout: a bit reader that checks the
  // length at every load, coefficient codes found by the eight range tables
  // alone, the scalar inverse transform. false (the default unless
  // MARLOW_FORCE_REFERENCE is set to something other than "" or "0" when the
  // object is made): the padded bit reader, an 11-bit table in front of the
  // range tables and the fastest transform available. Both give the same
  // pictures and the same results.
  void UseReferencePath(bool on) { referencePath_ = on; }
  bool UsesReferencePath() const { return referencePath_; }

  // Slices found by the last scan (18 means "18 or more").
  int SliceCount() const { return sliceCount_; }
  // Byte offset of slice k (k < min(SliceCount(), kMaxSlices)).
  uint32_t SliceOffset(int k) const { return sliceOffsets_[k]; }

 private:
  // The most bits one macroblock takes: a 10-bit macroblock header, then six
  // blocks of an 8-bit DC and at most 64 codes (63 coefficients and the code
  // that ends the block), none longer than an escape's 28 bits. The fast
  // path's bit reader checks the input's end once per macroblock.
  static constexpr size_t kMaxMacroblockBytes = (10 + 6 * (8 + 64 * 28) + 7) / 8;
  using FastBitReader = PaddedBitReader<kMaxMacroblockBytes>;

  void PrepareFastTables(bool paired);
  template <bool kFast>
  int DecodeSlice(const uint8_t* data, size_t length, size_t offset,
                  InverseTransformStoreFunction transform, uint8_t* planes);
  template <bool kFast, class Bits>
  int DecodeMacroblocks(Bits bits, InverseTransformStoreFunction transform, uint8_t* planes);

  int variant_ = 0;
  unsigned width_ = 0;
  unsigned height_ = 0;
  int full_ = 0;
  int channel_ = 0;
  uint16_t sequence_ = 0;
  int quantiser_ = 0;
  int sliceCount_ = 0;
  uint32_t changedRows_ = 0;
  uint32_t sliceOffsets_[kMaxSlices] = {};
  // Dequantiser: matrix entry * quantiser scale, column by column like the
  // block.
  uint16_t scale_[64] = {};
  // The same in scan order (index = position in the zig-zag scan).
  uint16_t scanScale_[64] = {};
  // The fast path's tables, for one quantiser scale and block layout
  // (levelValuesFor_ = scale * 2 + 1 for the paired layout, + 0 for column
  // by column): the block index by scan position, and for row p + 1 (scan
  // position p; row 0 unused), entry level + 8 for each of the fast table's
  // levels -7..7, the block index in the high half and the dequantised value
  // in the low half. One load gives where and what to store.
  uint8_t fastScan_[64] = {};
  uint32_t levelValues_[65][16] = {};
  int levelValuesFor_ = -1;
  bool referencePath_ = false;
  // Coefficients of the block being decoded, column by column (index =
  // column * 8 + row); kept all zero between blocks.
  alignas(32) int16_t block_[64] = {};
  // The picture's last bytes with zeros behind them, for the fast path.
  FastBitReader::Tail tail_;
};

}  // namespace marlow
