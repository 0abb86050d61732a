// The file header of a still picture: a BMP file is the 14-byte file header
// followed by a device-independent bitmap block (info header, optional masks
// or colour table, pixel bits) exactly as the clipboard renders it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace marlow {

constexpr int kBmpFileHeaderBytes = 14;
constexpr int kDibInfoHeaderBytes = 40;

// Bytes of the DIB before its pixel bits, from its compression, bit count
// and colours-used fields:
//   0 (RGB): 40, plus a colour table when the bit count is 8 or less or
//     colours-used is not 0 (colours-used x 4, or 2^bit count x 4 when 0);
//   3 (bit fields): 52 (three masks) plus colours-used x 4;
//   1, 2 (run-length): 40 plus colours-used x 4, or 2^bit count x 4 when 0;
//   anything else: 40.
// Returns 0 when the result would not fit in 32 bits.
uint32_t DibHeaderPartBytes(uint32_t compression, uint32_t bitCount, uint32_t coloursUsed);

// Fills the 14-byte file header for a DIB block of `dibBytes` bytes starting
// with its info header: "BM", file size dibBytes + 14, two reserved zeros and
// the pixel offset 14 + header part. Returns 1, or 0 (header untouched) when
// the block is shorter than an info header or a size does not fit 32 bits.
int MakeBmpFileHeader(const uint8_t* dib, size_t dibBytes, uint8_t header[kBmpFileHeaderBytes]);

}  // namespace marlow
