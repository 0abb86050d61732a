#include "tools/streamkit/recorder_timing.h"

#include <cmath>
#include <cstdio>

#include "recording/picture_interval.h"

namespace marlow::streamkit {
namespace {
constexpr int kRecordingVariant = 4;

// The recorder's pictures a second in all (no frame skip) at this height.
double RecorderPictureRate(int height) {
  return 1e6 / PictureIntervalUs(kRecordingVariant, height);
}
}  // namespace

uint32_t RecorderTiming::SpacingUs() const {
  return static_cast<uint32_t>((frameSkip & 0x7F) + 1) *
         static_cast<uint32_t>(PictureIntervalUs(kRecordingVariant, height));
}

int TimingForRate(int height, int cameras, double perCamera, RecorderTiming* out,
                  const char** error) {
  const double rate = RecorderPictureRate(height);
  const double wanted = perCamera * cameras;
  if (cameras < 1 || !(perCamera > 0) || wanted > rate * 1.0001) {
    static char why[160];
    std::snprintf(why, sizeof why,
                  "%d cameras of %d lines share %.0f pictures a second: at most %.3g each", cameras,
                  height, rate, rate / (cameras < 1 ? 1 : cameras));
    *error = why;
    return 0;
  }
  long skip = std::lround(rate / wanted) - 1;
  if (skip < 0) skip = 0;
  if (skip > 127) skip = 127;
  out->height = height;
  out->frameSkip = static_cast<int>(skip);
  return 1;
}

}  // namespace marlow::streamkit
