// Finds the tones in a recording of what the sound device played: stretches
// of sound between silences, each with its length, frequency and amplitude.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace marlow::testing {

struct Burst {
  double startMs;
  double lengthMs;    // from the first to the last sounding window
  double soundingMs;  // of that, the windows that sound (dropouts left out)
  double frequency;   // Hz, from the median period between rising zero crossings
  double amplitude;   // peak of the equivalent sine: RMS x sqrt(2)
};

// samples: mono 16-bit at rate. The recording is cut into 10 ms windows; a
// window sounds when its RMS exceeds threshold. Sounding windows less than
// joinMs apart belong to one burst, so a short dropout (the device starved
// for a moment) does not split a tone; bursts sounding less than 50 ms are
// clicks and are left out. Frequency and amplitude come from the sounding
// windows without the first and last 50 ms, where the sound fades in and out.
std::vector<Burst> FindBursts(const int16_t* samples, size_t n, int rate, double threshold,
                              double joinMs);

}  // namespace marlow::testing
