// G.711 A-law expansion and the audio format of each stream variant.
#include "codec/audio_coding.h"

namespace marlow {

namespace {

// The rule of G.711: invert the even bits; bit 7 set means positive;
// bits 6-4 are the segment, bits 3-0 the mantissa; the magnitude is the
// middle of the code's quantisation interval.
constexpr int16_t ExpandByRule(uint8_t code) {
  const int v = code ^ 0x55;
  const int segment = (v >> 4) & 7;
  const int mantissa = v & 15;
  const int magnitude = segment == 0 ? mantissa * 16 + 8 : (mantissa * 16 + 264) << (segment - 1);
  return static_cast<int16_t>((v & 0x80) ? magnitude : -magnitude);
}

constexpr ALawTable BuildTable() {
  ALawTable t{};
  for (int c = 0; c < 256; ++c) t.v[c] = ExpandByRule(static_cast<uint8_t>(c));
  return t;
}

}  // namespace

// The declaration in the header gives this definition external linkage.
constexpr ALawTable kALawTable = BuildTable();

AudioFormat AudioFormatOf(int variant) {
  switch (variant) {
    case 3:
      return {AudioCoding::kALaw, 13183, 16};
    case 4:
      return {AudioCoding::kPcm8, 8000, 8};
    case 5:
      return {AudioCoding::kPcm8, 16000, 8};
    default:
      return {AudioCoding::kALaw, 8000, 16};
  }
}

void ExpandALaw(const uint8_t* codes, size_t n, int16_t* samples) {
  for (size_t k = 0; k < n; ++k) samples[k] = kALawTable.v[codes[k]];
}

}  // namespace marlow
