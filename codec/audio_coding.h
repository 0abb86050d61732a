// Audio codings of the recorder: G.711 A-law bytes or plain unsigned 8-bit
// PCM, always mono, with the coding and rate fixed by the stream variant.
#pragma once

#include <cstddef>
#include <cstdint>

namespace marlow {

enum class AudioCoding {
  kALaw,  // one A-law byte a sample, expanded to 16-bit signed linear
  kPcm8,  // unsigned 8-bit samples, passed through
};

struct AudioFormat {
  AudioCoding coding;
  int sample_rate;      // Hz
  int bits_per_sample;  // of the samples given to the sound device: 16 or 8
};

// Variants 0, 1, 2, 6-9: A-law 8000 Hz; 3: A-law 13183 Hz; 4: PCM8 8000 Hz;
// 5: PCM8 16000 Hz. Variants outside 0..9 are treated as A-law 8000 Hz.
AudioFormat AudioFormatOf(int variant);

// The G.711 A-law expansion table, indexed by the code byte.
struct ALawTable {
  int16_t v[256];
};
extern const ALawTable kALawTable;

inline int16_t ExpandALaw(uint8_t code) {
  return kALawTable.v[code];
}

// Expands n A-law bytes into n 16-bit samples (2n bytes).
void ExpandALaw(const uint8_t* codes, size_t n, int16_t* samples);

}  // namespace marlow
