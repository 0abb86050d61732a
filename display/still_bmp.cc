#include "display/still_bmp.h"

namespace marlow {
namespace {

uint32_t Read16(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
}

uint32_t Read32(const uint8_t* p) {
  return Read16(p) | Read16(p + 2) << 16;
}

void Write32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

// Colour-table bytes: colours-used entries, or 2^bits when none are named.
// Tables past 32 bits come back as 2^40 so that sums stay far from wrapping
// and are refused by the caller.
uint64_t TableBytes(uint32_t bitCount, uint32_t coloursUsed) {
  if (coloursUsed != 0) return static_cast<uint64_t>(coloursUsed) * 4;
  if (bitCount >= 31) return uint64_t{1} << 40;
  return (uint64_t{1} << bitCount) * 4;
}

}  // namespace

uint32_t DibHeaderPartBytes(uint32_t compression, uint32_t bitCount, uint32_t coloursUsed) {
  uint64_t bytes = kDibInfoHeaderBytes;
  switch (compression) {
    case 0:
      if (bitCount <= 8 || coloursUsed != 0) bytes += TableBytes(bitCount, coloursUsed);
      break;
    case 3:
      bytes = 52 + static_cast<uint64_t>(coloursUsed) * 4;
      break;
    case 1:
    case 2:
      bytes += TableBytes(bitCount, coloursUsed);
      break;
    default:
      break;
  }
  return bytes > UINT32_MAX - kBmpFileHeaderBytes ? 0 : static_cast<uint32_t>(bytes);
}

int MakeBmpFileHeader(const uint8_t* dib, size_t dibBytes, uint8_t header[kBmpFileHeaderBytes]) {
  if (dib == nullptr || dibBytes < kDibInfoHeaderBytes ||
      dibBytes > UINT32_MAX - kBmpFileHeaderBytes) {
    return 0;
  }
  const uint32_t bitCount = Read16(dib + 14);
  const uint32_t compression = Read32(dib + 16);
  const uint32_t coloursUsed = Read32(dib + 32);
  const uint32_t part = DibHeaderPartBytes(compression, bitCount, coloursUsed);
  if (part == 0) return 0;
  header[0] = 'B';
  header[1] = 'M';
  Write32(header + 2, static_cast<uint32_t>(dibBytes) + kBmpFileHeaderBytes);
  Write32(header + 6, 0);
  Write32(header + 10, part + kBmpFileHeaderBytes);
  return 1;
}

}  // namespace marlow
