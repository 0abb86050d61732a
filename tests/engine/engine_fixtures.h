// Fixtures for engine tests: flat pictures whose decoded samples are known
// exactly and a display that remembers what it was shown.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "engine/clock.h"
#include "engine/media_sinks.h"

namespace marlow::testing {

// A recording picture (header layout 2, 640 x 272, 17 slices) in which every
// coded block carries only a DC value, so it decodes to exactly y, u, v.
// full: every macroblock coded. Otherwise only macroblock (0, 0) is coded.
std::vector<uint8_t> FlatPicture(int channel, bool full, uint8_t y, uint8_t u, uint8_t v);

struct Shown {
  int channel;
  uint32_t tick;
  uint8_t y00;    // sample of macroblock (0, 0)
  uint8_t yLast;  // last luma sample of the picture
  uint8_t u00, v00;
  int width, height;
  uint16_t second;  // of the picture's time
};

class RecordingDisplay final : public PictureSink {
 public:
  explicit RecordingDisplay(Clock& clock) : clock_(clock) {}
  void ShowPicture(int channel, const TimeRecord& time, const uint8_t* planes, int width,
                   int height) override;
  void SetChannelCount(int count) override { channels = count; }
  void SetCaptionEnabled(int on) override { caption = on; }
  void SetDirectDraw(int on) override { directDraw = on; }
  void ClearPictures() override { ++clears; }
  int SingleChannel() const override { return single; }

  std::vector<Shown> Pictures();

  int channels = 0, caption = -1, directDraw = -1, clears = 0, single = -1;

 private:
  Clock& clock_;
  std::mutex mutex_;
  std::vector<Shown> shown_;
};

}  // namespace marlow::testing
