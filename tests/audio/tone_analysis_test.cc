// The recording checker of the device test must find what it is shown: a
// made-up recording with known tones, silences and a click.
#include "tests/audio/tone_analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/audio/tone.h"

namespace marlow::testing {
namespace {

void AddTone(std::vector<int16_t>& s, double freq, double amplitude, int ms) {
  const size_t n = static_cast<size_t>(8 * ms);
  for (size_t k = 0; k < n; ++k) {
    s.push_back(static_cast<int16_t>(std::lround(ToneSample(freq, amplitude, 8000, k))));
  }
}

TEST(ToneAnalysisTest, FindsTonesBetweenSilencesAndIgnoresClicks) {
  std::vector<int16_t> s;
  AddTone(s, 0, 0, 300);
  AddTone(s, 1000, 8000, 1000);
  AddTone(s, 0, 0, 500);
  AddTone(s, 440, 16000, 600);
  AddTone(s, 0, 0, 150);  // a dropout shorter than the join joins
  AddTone(s, 440, 16000, 200);
  AddTone(s, 0, 0, 400);
  AddTone(s, 2000, 30000, 20);  // a click
  AddTone(s, 0, 0, 400);
  AddTone(s, 300, 4000, 1000);
  AddTone(s, 0, 0, 100);
  const std::vector<Burst> b = FindBursts(s.data(), s.size(), 8000, 1000, 300);
  ASSERT_EQ(3u, b.size());
  EXPECT_NEAR(300, b[0].startMs, 10);
  EXPECT_NEAR(1000, b[0].lengthMs, 20);
  EXPECT_NEAR(1000, b[0].frequency, 1);
  EXPECT_NEAR(8000, b[0].amplitude, 100);
  EXPECT_NEAR(950, b[1].lengthMs, 20);
  EXPECT_NEAR(800, b[1].soundingMs, 20);
  EXPECT_NEAR(440, b[1].frequency, 1);  // the dropout makes no period
  EXPECT_NEAR(300, b[2].frequency, 0.5);
  EXPECT_NEAR(4000, b[2].amplitude, 100);
}

}  // namespace
}  // namespace marlow::testing
