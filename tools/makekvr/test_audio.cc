#include "tools/makekvr/test_audio.h"

#include <cmath>

namespace marlow {
namespace {

constexpr double kTwoPi = 6.283185307179586;

uint8_t ToSample(double v) {  // v in about -1..1
  int s = static_cast<int>(std::lround(128.0 + 100.0 * v));
  return static_cast<uint8_t>(s < 2 ? 2 : (s > 253 ? 253 : s));
}

double Tone(uint64_t i) {
  const double t = static_cast<double>(i) / kTestSoundRate;
  const uint64_t inSecond = i % kTestSoundRate;
  if (inSecond < 800) return 0.8 * std::sin(kTwoPi * 1000.0 * t);  // 100 ms pip
  return 0.5 * std::sin(kTwoPi * 440.0 * t);
}

double Speech(uint64_t i) {
  const double t = static_cast<double>(i) / kTestSoundRate;
  // Syllables of 250 ms, every fifth one a pause; a raised-cosine envelope.
  const uint64_t syllable = i / 2000;
  const double within = static_cast<double>(i % 2000) / 2000.0;
  if (syllable % 5 == 4) return 0.0;
  const double envelope = 0.5 - 0.5 * std::cos(kTwoPi * within);
  // Pitch glides between 100 and 140 Hz; formants move per syllable.
  const double pitch = 120.0 + 20.0 * std::sin(kTwoPi * 0.7 * t);
  const double f1 = 400.0 + 300.0 * static_cast<double>(syllable * 7 % 5) / 4.0;
  const double f2 = 1100.0 + 900.0 * static_cast<double>(syllable * 3 % 4) / 3.0;
  double v = 0;
  for (int h = 1; h * pitch < 3400.0; ++h) {
    const double f = h * pitch;
    // Resonance weights around the two formants, falling with frequency.
    const double w1 = 1.0 / (1.0 + ((f - f1) / 150.0) * ((f - f1) / 150.0));
    const double w2 = 0.6 / (1.0 + ((f - f2) / 200.0) * ((f - f2) / 200.0));
    v += (w1 + w2) / h * std::sin(kTwoPi * pitch * h * t);
  }
  return 0.9 * envelope * v;
}

}  // namespace

void RenderTestSound(TestSound kind, uint64_t first, uint8_t* out, size_t n) {
  for (size_t k = 0; k < n; ++k) {
    const uint64_t i = first + k;
    double v = 0;
    if (kind == TestSound::kTone) v = Tone(i);
    if (kind == TestSound::kSpeech) v = Speech(i);
    out[k] = ToSample(v > 1.0 ? 1.0 : (v < -1.0 ? -1.0 : v));
  }
}

}  // namespace marlow
