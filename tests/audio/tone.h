// Test tones: sine waves as 16-bit samples, as A-law codes (the nearest code
// to each sample) and as unsigned 8-bit PCM.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "codec/audio_coding.h"

namespace marlow::testing {

inline double ToneSample(double freq, double amplitude, int rate, size_t k) {
  const double kPi = 3.14159265358979323846;
  return amplitude * std::sin(2 * kPi * freq * static_cast<double>(k) / rate);
}

// The A-law code whose expansion lies nearest to sample.
inline uint8_t NearestALaw(int sample) {
  int best = 0;
  int bestError = 1 << 30;
  for (int c = 0; c < 256; ++c) {
    const int error = std::abs(ExpandALaw(static_cast<uint8_t>(c)) - sample);
    if (error < bestError) {
      bestError = error;
      best = c;
    }
  }
  return static_cast<uint8_t>(best);
}

// n A-law codes of a tone; amplitude in 16-bit sample units.
inline std::vector<uint8_t> ALawTone(double freq, double amplitude, int rate, size_t n) {
  std::vector<uint8_t> codes(n);
  for (size_t k = 0; k < n; ++k) {
    codes[k] = NearestALaw(static_cast<int>(std::lround(ToneSample(freq, amplitude, rate, k))));
  }
  return codes;
}

// n unsigned 8-bit samples of a tone; amplitude in 8-bit units (at most 127).
inline std::vector<uint8_t> Pcm8Tone(double freq, double amplitude, int rate, size_t n) {
  std::vector<uint8_t> bytes(n);
  for (size_t k = 0; k < n; ++k) {
    bytes[k] = static_cast<uint8_t>(128 + std::lround(ToneSample(freq, amplitude, rate, k)));
  }
  return bytes;
}

}  // namespace marlow::testing
