// The timing of a recorder's one picture stream, for the tools that make
// recordings: one picture every (frameSkip + 1) picture intervals (the
// player's table for recordings, stream variant 4, by picture height), taken
// in turn by the cameras of the channel mask. A recorder cannot send more:
// rates beyond it are refused with what is possible.
#pragma once

#include <cstdint>

namespace marlow::streamkit {

// 2024-01-01 00:00:00: where made recordings start unless told otherwise.
constexpr uint32_t kDefaultStartTime = 1704067200;

struct RecorderTiming {
  int height = 272;   // 224 or 272 lines
  int frameSkip = 0;  // 0..127

  // Microseconds between two pictures of the stream (all cameras).
  uint32_t SpacingUs() const;
  // Pictures a second of each of `cameras` cameras.
  double CameraRate(int cameras) const { return 1e6 / SpacingUs() / cameras; }
};

// The timing whose frame skip comes nearest `perCamera` pictures a second
// for each of `cameras` (1..16) cameras of `height` lines. Returns 1, or 0
// with `error` saying what is possible when they ask for more than the
// recorder sends (the text stays valid until the next call).
int TimingForRate(int height, int cameras, double perCamera, RecorderTiming* out,
                  const char** error);

}  // namespace marlow::streamkit
