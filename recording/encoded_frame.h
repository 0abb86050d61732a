// One compressed unit as a recording source (or the live path) hands it on.
#pragma once

#include <cstdint>

#include "recording/time_record.h"

namespace marlow {

enum class UnitKind : uint8_t { kVideo = 0, kAudio = 1 };

// The caller owns `data` (at least kMaxUnitBytes bytes); a source fills it.
// Video: the whole unit from its start code 00 00 01 F8/F9 on.
// Audio: the samples only, the 6-byte unit head removed.
struct EncodedFrame {
  UnitKind kind = UnitKind::kVideo;
  int channel = 0;  // audio: 0-3; video: the camera channel 0-15
  uint8_t* data = nullptr;
  uint32_t length = 0;  // 0: no unit
  TimeRecord time;      // calendar time of the block the unit was completed in
  int frameSkip = 0;    // 0-127, from the same block
  uint16_t channelMask = 0;
};

}  // namespace marlow
