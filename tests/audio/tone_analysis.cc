#include "tests/audio/tone_analysis.h"

#include <algorithm>
#include <cmath>

namespace marlow::testing {

namespace {

constexpr int kEdgeWindows = 5;  // 50 ms at each end of a burst

// windows: indexes of the burst's sounding windows, in order.
Burst Measure(const int16_t* s, const std::vector<size_t>& windows, size_t window, int rate) {
  Burst b{};
  b.startMs = 1000.0 * windows.front() * window / rate;
  b.lengthMs = 1000.0 * (windows.back() - windows.front() + 1) * window / rate;
  b.soundingMs = 1000.0 * windows.size() * window / rate;
  size_t from = 0, to = windows.size();
  if (to > 4 * kEdgeWindows) {
    from += kEdgeWindows;
    to -= kEdgeWindows;
  }
  double energy = 0;
  size_t count = 0;
  std::vector<double> periods;
  double lastCrossing = -1;
  size_t lastWindow = 0;
  for (size_t w = from; w < to; ++w) {
    const size_t begin = windows[w] * window;
    // A crossing pairs only with one in the same or the adjacent window, so
    // a dropout never makes a period.
    if (w > from && windows[w] != lastWindow + 1) lastCrossing = -1;
    lastWindow = windows[w];
    for (size_t k = begin; k < begin + window; ++k) {
      energy += static_cast<double>(s[k]) * s[k];
      ++count;
      if (k > begin && s[k - 1] < 0 && s[k] >= 0) {
        // Rising zero crossing, placed between the samples by interpolation.
        const double at =
            static_cast<double>(k - 1) + static_cast<double>(-s[k - 1]) / (s[k] - s[k - 1]);
        if (lastCrossing >= 0) periods.push_back(at - lastCrossing);
        lastCrossing = at;
      }
    }
  }
  b.amplitude = count ? std::sqrt(2 * energy / static_cast<double>(count)) : 0;
  if (!periods.empty()) {
    std::nth_element(periods.begin(), periods.begin() + periods.size() / 2, periods.end());
    b.frequency = rate / periods[periods.size() / 2];
  }
  return b;
}

}  // namespace

std::vector<Burst> FindBursts(const int16_t* samples, size_t n, int rate, double threshold,
                              double joinMs) {
  const size_t window = static_cast<size_t>(rate / 100);
  const size_t join = static_cast<size_t>(joinMs / 10);
  std::vector<std::vector<size_t>> runs;
  for (size_t w = 0; (w + 1) * window <= n; ++w) {
    double energy = 0;
    for (size_t k = w * window; k < (w + 1) * window; ++k) {
      energy += static_cast<double>(samples[k]) * samples[k];
    }
    if (std::sqrt(energy / window) <= threshold) continue;
    if (runs.empty() || w - runs.back().back() > join) runs.emplace_back();
    runs.back().push_back(w);
  }
  std::vector<Burst> bursts;
  for (const auto& run : runs) {
    if (run.size() < 5) continue;
    bursts.push_back(Measure(samples, run, window, rate));
  }
  return bursts;
}

}  // namespace marlow::testing
