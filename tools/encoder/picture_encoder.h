// Picture encoder for test recordings and live-stream test data: writes
// exactly the picture syntax the viewer's VideoDecoder reads.
//
// Picture: 00 00 01 F8/F9, header byte 4 by layout (layout 3 adds a 2-byte
// big-endian sequence number), then one slice per macroblock row. A slice is
// 00 00 01, the 5-bit row, and the macroblocks with no further alignment;
// each slice is padded with zero bits to a byte boundary.
// Full pictures code every block of every macroblock with no macroblock
// header. Update pictures code only macroblocks that changed against what the
// decoder already shows: a 6-bit address increment (1..63), a 4-bit luma
// coded-block pattern (block 3 first), the changed luma blocks and both
// chroma blocks; six zero bits end a row early.
// Block: 8-bit DC byte (mean sample value), then AC coefficients in zig-zag
// order as (run, level) codes of the MPEG coefficient table, escapes for the
// rest, and end of block.
//
// Start-code emulation: no 00 00 01 may appear inside a slice, or the
// decoder's slice scan would cut the picture there. The longest zero run of
// the coefficient codes is 11 bits, of an escape 14 bits; a DC byte of 0
// could join such runs into 23 zeros, so DC bytes are kept at 1 or more
// (a mean of 0 is coded as 1) and escape levels within -255..255. Every
// picture is still checked after coding and refused if it holds a stray
// start code.
//
// The encoder keeps, per decoded channel, the picture the decoder will show,
// reconstructed with the decoder's own dequantisation and InverseTransform,
// so that update pictures are measured against the decoder's real output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace marlow {

class BitWriter;

class PictureEncoder {
 public:
  static constexpr int kMaxChannels = 16;

  PictureEncoder();
  ~PictureEncoder();
  PictureEncoder(const PictureEncoder&) = delete;
  PictureEncoder& operator=(const PictureEncoder&) = delete;

  // layout: picture header layout 1, 2 or 3. width x height: 640 x 224 or
  // 640 x 272. Clears the reference pictures. Returns 1, or 0 on bad values.
  int Configure(int layout, int width, int height);

  // Encodes a whole picture (planar YUV 4:2:0, width x height luma). channel:
  // 0..15 (layout 1 codes 0..3, layout 3 none: the decoder sees channel 0).
  // qscale: 1..14. sequence: written by layout 3 only. Returns the number of
  // bytes written to `out`, or 0 if the arguments are bad or `capacity` is too
  // small; on 0 the reference picture is left as it was.
  size_t EncodeFull(const uint8_t* yuv420, int channel, int qscale, uint16_t sequence, uint8_t* out,
                    size_t capacity);

  // Encodes an update picture: only blocks whose mean absolute difference
  // from the source last coded for them exceeds the threshold are coded (a
  // macroblock is coded when one of its six blocks is; its chroma is then
  // always coded). Comparing with the last coded source, not with the
  // reconstruction, keeps still parts from being coded again and again for
  // their quantisation error, and lets no slow change creep by unseen.
  // Before any full picture both are mid-grey (all 128).
  size_t EncodeUpdate(const uint8_t* yuv420, int channel, int qscale, uint16_t sequence,
                      uint8_t* out, size_t capacity);

  // Mean absolute sample difference per block above which an update picture
  // codes the block (default 2). 0 codes every block that differs at all.
  void SetUpdateThreshold(int threshold) { threshold_ = threshold < 0 ? 0 : threshold; }

  // Resets every channel's reference picture to mid-grey.
  void Reset();

  // What the decoder shows for the decoded channel after the pictures so far
  // (width x height x 3 / 2 bytes), or null before Configure.
  const uint8_t* Reference(int decodedChannel) const;

  // The channel number the decoder will report for `channel` in this layout.
  int DecodedChannel(int channel) const;

  // Macroblocks coded by the last picture (all of them for a full picture).
  int LastCodedMacroblocks() const { return lastCoded_; }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  size_t Encode(const uint8_t* yuv420, int channel, int qscale, uint16_t sequence, bool full,
                uint8_t* out, size_t capacity);
  bool BlockChanged(const uint8_t* src, const uint8_t* ref, int stride) const;
  // Codes one 8x8 block at `src` and writes its reconstruction to `recon`.
  void CodeBlock(BitWriter& bits, const uint8_t* src, int srcStride, uint8_t* recon,
                 int reconStride, int qscale);

  int layout_ = 0;
  int width_ = 0;
  int height_ = 0;
  int threshold_ = 2;
  int lastCoded_ = 0;
  size_t pictureBytes_ = 0;
  std::unique_ptr<uint8_t[]> reference_;  // kMaxChannels pictures
  std::unique_ptr<uint8_t[]> coded_;      // kMaxChannels pictures: source last coded per block
  std::unique_ptr<uint8_t[]> scratch_;    // reconstruction of the picture being coded
  std::unique_ptr<uint8_t[]> scratchCoded_;
};

// Finds start codes 00 00 01 in `data` from `from` on; writes up to
// `maxOffsets` offsets and returns how many were found in all.
size_t FindStartCodes(const uint8_t* data, size_t length, size_t from, size_t* offsets,
                      size_t maxOffsets);

}  // namespace marlow
