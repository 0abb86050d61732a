// Picture header, slice scan and the slice/macroblock/block decoding loops.
#include "codec/video_decoder.h"

#include <cstdlib>
#include <cstring>

#include "codec/bit_reader.h"
#include "codec/coefficient_codes.h"
#include "codec/dequantise.h"
#include "codec/inverse_transform.h"
#include "codec/scan_tables.h"

namespace marlow {

namespace {

// Fourth bytes of start codes that end a picture's slices: the next picture
// (F8 update, F9 full), the FA unit, and a recorder message (FE) that can
// follow a live picture in the same buffer.
inline bool EndsPicture(uint8_t code) {
  return code == 0xF8 || code == 0xF9 || code == 0xFA || code == 0xFE;
}

// Picture size by slice count: 0-7 -> 320 x 112, 8-9 -> 320 x 128,
// 10-14 -> 640 x 224, 15-17 -> 640 x 272.
void SizeForSlices(int count, unsigned* width, unsigned* height) {
  if (count <= 7) {
    *width = 320, *height = 112;
  } else if (count <= 9) {
    *width = 320, *height = 128;
  } else if (count <= 14) {
    *width = 640, *height = 224;
  } else {
    *width = 640, *height = 272;
  }
}

// The zig-zag scan into a block held column by column (index = column * 8 +
// row), the layout the transform's row pass works in.
struct TransposedScan {
  uint8_t index[64];
};
constexpr TransposedScan MakeTransposedScan() {
  TransposedScan t{};
  for (int i = 0; i < 64; ++i) {
    t.index[i] = static_cast<uint8_t>((kZigZag[i] & 7) * 8 + (kZigZag[i] >> 3));
  }
  return t;
}
constexpr TransposedScan kScan = MakeTransposedScan();

#if defined(__GNUC__)
#define MARLOW_ALWAYS_INLINE inline __attribute__((always_inline))
#define MARLOW_UNROLL_8 _Pragma("GCC unroll 8")
#else
#define MARLOW_ALWAYS_INLINE inline
#define MARLOW_UNROLL_8
#endif

// Every block starts with its 8-bit DC value. A block of DC alone (end of
// block follows at once) is the flat block d, since the transform of
// coefficient 0 = d * 8 is d everywhere: it is stored here and true returned.
// Otherwise the DC coefficient goes into block[0] and the caller reads on.
template <class Bits>
MARLOW_ALWAYS_INLINE bool ReadDc(Bits& bits, int16_t* block, uint8_t* dst, ptrdiff_t stride) {
  bits.RefillIfBelow(10);
  const uint32_t dc = bits.Read(8);
  if (bits.Peek(2) == kEndOfBlockCode) {
    bits.Skip(2);
    // Eight rows of eight bytes dc; unrolled, so the value stays in a
    // register.
    const uint64_t row = dc * 0x0101010101010101ull;
    MARLOW_UNROLL_8
    for (int r = 0; r < 8; ++r) std::memcpy(dst + r * stride, &row, 8);
    return true;
  }
  block[0] = static_cast<int16_t>(dc * 8);
  return false;
}

// The run and level of a code found in the range tables (entry e, already
// skipped): an escape reads a 6-bit run and an 8-bit level, whose values 0
// and 128 announce a second byte (levels 128..255 and -256..-129); any other
// code is followed by its sign bit. Callers have refilled at least 22 bits.
template <class Bits>
MARLOW_ALWAYS_INLINE void ReadRunAndLevel(Bits& bits, const CoefficientEntry& e, int* run,
                                          int* magnitude, int* negative) {
  if (e.run == kRunEscape) {
    *run = static_cast<int>(bits.Read(6));
    int level = static_cast<int>(bits.Read(8));
    if (level == 0) {
      level = static_cast<int>(bits.Read(8));
    } else if (level == 128) {
      level = static_cast<int>(bits.Read(8)) - 256;
    } else if (level > 128) {
      level -= 256;
    }
    *negative = level < 0;
    *magnitude = *negative ? -level : level;
    return;
  }
  *run = e.run;
  *magnitude = e.level;
  *negative = static_cast<int>(bits.Read(1));
}

// Decodes one block's coefficients and writes its 8 x 8 samples through
// `transform`. `block` is all zero on entry and is left all zero; it and
// `scale` are indexed column by column. Returns 0 on an invalid code or a
// coefficient index of 64 or more.
MARLOW_ALWAYS_INLINE int DecodeBlock(BitReader& bits, int16_t* block, const uint16_t* scale,
                                     InverseTransformStoreFunction transform, uint8_t* dst,
                                     ptrdiff_t stride) {
  if (ReadDc(bits, block, dst, stride)) return 1;
  int i = 1;
  for (;;) {
    // The longest code group is the escape: 6 + 6 + 8 + 8 bits.
    bits.RefillIfBelow(28);
    const CoefficientEntry& e = LookupCoefficient(bits.Peek(16));
    if (e.length == 0) break;
    bits.Skip(e.length);
    if (e.run == kRunEndOfBlock) {
      transform(block, dst, stride);
      return 1;
    }
    int run, magnitude, negative;
    ReadRunAndLevel(bits, e, &run, &magnitude, &negative);
    i += run;
    if (i >= 64) break;
    const int j = kScan.index[i];
    block[j] = Dequantise(magnitude, negative, scale[j]);
    ++i;
  }
  std::memset(block, 0, 64 * sizeof(int16_t));
  return 0;
}

// The same decoding as DecodeBlock with the fast lookup in front: a code
// found in the 11-bit window (with its sign) costs one table load, and its
// block index and dequantised value are read from `levelValues` (row scan
// position + 1, entry level + 8); `scan` is the block index by scan position
// for the other codes (the block's layout is the transform's choice). The position is kept in
// sixteenths (k = 16 * (next scan position)), the unit of the table's advance, so that k + level
// indexes `levelValues` directly. Everything else (escape, codes longer than 10 bits, invalid
// look-aheads) takes DecodeBlock's steps. `scanScale` is the dequantiser in scan order.
template <class Bits>
MARLOW_ALWAYS_INLINE int DecodeBlockFast(Bits& bits, int16_t* block, const uint32_t* levelValues,
                                         const uint8_t* scan, const uint16_t* scanScale,
                                         InverseTransformStoreFunction transform, uint8_t* dst,
                                         ptrdiff_t stride) {
  if (ReadDc(bits, block, dst, stride)) return 1;
  const FastCoefficientEntry* const fast = kFastCoefficientTable.entry;
  constexpr size_t kEnd = 65 * 16;  // k of scan position 64: past the block
  size_t k = 16;
  for (;;) {
    bits.RefillIfBelow(kFastCoefficientBits);
    const FastCoefficientEntry e = fast[bits.Peek(kFastCoefficientBits)];
    if (FastLength(e) != 0) {
      bits.Skip(static_cast<int>(FastLength(e)));
      // End of block's advance takes any position past the block: one test
      // for both ways out.
      k += FastAdvance(e);
      if (k >= kEnd) {
        if (FastLevel(e) != 0) break;
        transform(block, dst, stride);
        return 1;
      }
      const uint32_t whereWhat = levelValues[k + FastLevel(e)];
      block[whereWhat >> 16] = static_cast<int16_t>(whereWhat & 0xFFFF);
      continue;
    }
    bits.RefillIfBelow(28);
    const CoefficientEntry& r = LookupCoefficient(bits.Peek(16));
    if (r.length == 0) break;
    bits.Skip(r.length);
    // Not end of block: the fast table holds that one.
    int run, magnitude, negative;
    ReadRunAndLevel(bits, r, &run, &magnitude, &negative);
    const size_t i = k / 16 + static_cast<size_t>(run);
    if (i >= 64) break;
    block[scan[i]] = Dequantise(magnitude, negative, scanScale[i]);
    k = (i + 1) * 16;
  }
  std::memset(block, 0, 64 * sizeof(int16_t));
  return 0;
}

// The reference reader checks the length at every load and has no steps.
inline bool BeginStep(BitReader&) {
  return true;
}
template <class Bits>
inline bool BeginStep(Bits& bits) {
  return bits.BeginStep();
}

bool EnvironmentForcesReference() {
  const char* value = std::getenv("MARLOW_FORCE_REFERENCE");
  return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

}  // namespace

HeaderLayout HeaderLayoutOf(int variant) {
  if (variant == 0) return HeaderLayout::kLayout1;
  if (variant == 1 || variant == 3 || variant == 4) return HeaderLayout::kLayout2;
  return HeaderLayout::kLayout3;
}

VideoDecoder::VideoDecoder() : referencePath_(EnvironmentForcesReference()) {}

int VideoDecoder::Reset(int variant) {
  variant_ = variant;
  width_ = 0;
  height_ = 0;
  quantiser_ = 0;
  sequence_ = 0;
  sliceCount_ = 0;
  std::memset(block_, 0, sizeof block_);
  return 1;
}

size_t VideoDecoder::ParseHeader(const uint8_t* data, size_t length) {
  changedRows_ = 0;
  if (!data || length <= 5) return 0;
  if (data[0] != 0 || data[1] != 0 || data[2] != 1 || (data[3] != 0xF8 && data[3] != 0xF9)) {
    return 0;
  }
  const uint8_t b = data[4];
  switch (HeaderLayoutOf(variant_)) {
    case HeaderLayout::kLayout1:
      full_ = b >> 7;
      quantiser_ = (b >> 3) & 15;
      channel_ = b & 7;
      if (channel_ >= 4) channel_ = 0;
      break;
    case HeaderLayout::kLayout2:
      full_ = data[3] & 1;
      quantiser_ = b >> 4;
      channel_ = b & 15;
      break;
    case HeaderLayout::kLayout3:
      // The sequence number follows in bytes 5-6; a picture too short to
      // hold it cannot hold its slices either.
      if (length < 7) return 0;
      full_ = b >> 7;
      quantiser_ = (b >> 3) & 15;
      channel_ = 0;
      sequence_ = static_cast<uint16_t>((data[5] << 8) | data[6]);
      break;
  }
  if (quantiser_ == 15) return 0;
  for (int j = 0; j < 64; ++j) {
    scale_[(j & 7) * 8 + (j >> 3)] = static_cast<uint16_t>(kIntraQuantiserMatrix[j] * quantiser_);
  }
  for (int i = 0; i < 64; ++i) scanScale_[i] = scale_[kScan.index[i]];
  // Slice scan from offset 5: a start code 00 00 01 xx whose bytes all lie
  // at offset 5 or later. xx ending the picture stops the scan; any other
  // start code is a slice. The 01 byte is found with memchr; its position p
  // lets the code start at p - 2 >= 5 and its fourth byte lie before length.
  int count = 0;
  size_t stop = length;
  size_t p = 7;
  while (p + 1 < length) {
    const void* hit = std::memchr(data + p, 1, length - 1 - p);
    if (!hit) break;
    p = static_cast<size_t>(static_cast<const uint8_t*>(hit) - data);
    if (data[p - 1] == 0 && data[p - 2] == 0) {
      if (EndsPicture(data[p + 1])) {
        stop = p + 1;
        break;
      }
      if (count == kMaxSlices) {
        // An 18th slice: no valid picture has it, the parse fails anyway.
        count = kMaxSlices + 1;
        break;
      }
      sliceOffsets_[count++] = static_cast<uint32_t>(p - 2);
    }
    ++p;
  }
  sliceCount_ = count;
  if (count <= kMaxSlices) SizeForSlices(count, &width_, &height_);
  if (count != 14 && count != 17) return 0;
  return stop;
}

void VideoDecoder::PrepareFastTables(bool paired) {
  const int key = quantiser_ * 2 + (paired ? 1 : 0);
  if (levelValuesFor_ == key) return;
  // About a thousand values, built again only when the scale or the
  // transform's layout changes.
  for (int i = 0; i < 64; ++i) {
    const int row = kZigZag[i] >> 3, column = kZigZag[i] & 7;
    fastScan_[i] = static_cast<uint8_t>(paired ? PairedIndex(row, column) : column * 8 + row);
    for (int level = -7; level <= 7; ++level) {
      const int16_t v = Dequantise(level < 0 ? -level : level, level < 0, scanScale_[i]);
      levelValues_[i + 1][level + 8] = (uint32_t{fastScan_[i]} << 16) | static_cast<uint16_t>(v);
    }
  }
  levelValuesFor_ = key;
}

int VideoDecoder::Decode(const uint8_t* data, size_t length, DecodedPicture* picture) {
  changedRows_ = 0;
  if (!data || length < 5 || quantiser_ == 0 || width_ == 0 || height_ == 0) return 0;
  if (!picture || !picture->planes) return 0;
  picture->width = width_;
  picture->height = height_;
  picture->channel = channel_;
  const int slices = sliceCount_ < kMaxSlices ? sliceCount_ : kMaxSlices;
  InverseTransformStoreFunction transform = InverseTransformStoreTransposedReference;
  if (!referencePath_) {
    // The fast path places coefficients in the layout its transform reads
    // fastest.
    const InverseTransformStoreFunction paired = CurrentInverseTransformStorePaired();
    transform = paired ? paired : CurrentInverseTransformStoreTransposed();
    PrepareFastTables(paired != nullptr);
    tail_.Fill(data, length);
  }
  for (int k = 0; k < slices; ++k) {
    const int ok =
        referencePath_
            ? DecodeSlice<false>(data, length, sliceOffsets_[k], transform, picture->planes)
            : DecodeSlice<true>(data, length, sliceOffsets_[k], transform, picture->planes);
    if (!ok) return 0;
  }
  return 1;
}

template <bool kFast>
int VideoDecoder::DecodeSlice(const uint8_t* data, size_t length, size_t offset,
                              InverseTransformStoreFunction transform, uint8_t* planes) {
  if constexpr (kFast) {
    // A slice found by an earlier parse of longer data starts past the end:
    // its start code reads as zeros.
    if (offset >= length) return 0;
    FastBitReader bits(data, length, offset, tail_);
    return DecodeMacroblocks<kFast>(bits, transform, planes);
  } else {
    BitReader bits(data, length, offset);
    return DecodeMacroblocks<kFast>(bits, transform, planes);
  }
}

template <bool kFast, class Bits>
int VideoDecoder::DecodeMacroblocks(Bits bits, InverseTransformStoreFunction transform,
                                    uint8_t* planes) {
  if (bits.Read(24) != 1) return 0;
  const unsigned row = bits.Read(5);
  if (row >= height_ / 16) return 0;
  const unsigned columns = width_ / 16;
  const ptrdiff_t luma_stride = width_;
  const ptrdiff_t chroma_stride = width_ / 2;
  uint8_t* const luma_row = planes + static_cast<ptrdiff_t>(row) * 16 * luma_stride;
  uint8_t* const cb_row = planes + LumaBytes(width_, height_) + row * 8 * chroma_stride;
  uint8_t* const cr_row = cb_row + LumaBytes(width_, height_) / 4;
  // Each block's place in the slice's first macroblock: luma top left, top
  // right, bottom left, bottom right, then Cb and Cr.
  uint8_t* const rowStart[6] = {
      luma_row, luma_row + 8, luma_row + 8 * luma_stride, luma_row + 8 * luma_stride + 8,
      cb_row,   cr_row};
  for (unsigned column = 0; column < columns; ++column) {
    // Past the input's last bit every bit reads 0: an update picture's
    // increment 0 ends the slice, a full picture's block of DC 0 meets the
    // invalid all-zero code.
    if (!BeginStep(bits)) return full_ ? 0 : 1;
    unsigned pattern = 15;
    if (!full_) {
      bits.RefillIfBelow(10);
      const unsigned increment = bits.Peek(6);
      if (increment == 0) return 1;  // the rest of the row keeps its pixels
      bits.Skip(6);
      column += increment - 1;
      // An increment past the last column leaves the picture: the slice ends
      // there, nothing is written.
      if (column >= columns) return 1;
      pattern = bits.Read(4);
    }
    changedRows_ |= 1u << row;
    // One call site for all six blocks keeps the bit reader in registers.
    // The chroma blocks are always coded.
    pattern |= 0x30;
    for (int b = 0; b < 6; ++b) {
      if (!((pattern >> b) & 1)) continue;
      uint8_t* const dst = rowStart[b] + column * (b < 4 ? 16 : 8);
      const ptrdiff_t stride = b < 4 ? luma_stride : chroma_stride;
      int ok;
      if constexpr (kFast) {
        ok = DecodeBlockFast(bits, block_, &levelValues_[0][0], fastScan_, scanScale_, transform,
                             dst, stride);
      } else {
        ok = DecodeBlock(bits, block_, scale_, transform, dst, stride);
      }
      if (!ok) return 0;
    }
  }
  return 1;
}

}  // namespace marlow
