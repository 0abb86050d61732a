// A display without a window: prints one line for each picture it is shown
// and writes every n-th picture as a BMP file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "engine/clock.h"
#include "engine/media_sinks.h"

namespace marlow {

class ConsoleDisplay final : public PictureSink {
 public:
  // out: where lines go (nullptr: quiet). bmpEvery 0: no pictures saved.
  ConsoleDisplay(Clock& clock, std::FILE* out, int bmpEvery, std::string bmpFolder);

  void ShowPicture(int channel, const TimeRecord& time, const uint8_t* planes, int width,
                   int height) override;
  void SetChannelCount(int) override {}
  void SetCaptionEnabled(int) override {}
  void SetDirectDraw(int) override {}
  void ClearPictures() override {}
  int SingleChannel() const override { return -1; }

  uint32_t Shown();
  uint32_t ShownOfChannel(int channel);
  uint32_t Saved();
  // Pictures that were to be saved but could not be written.
  uint32_t SaveFailures();

 private:
  bool SaveBmp(const uint8_t* planes, int width, int height, uint32_t index);

  Clock& clock_;
  std::FILE* out_;
  const int bmpEvery_;
  const std::string bmpFolder_;
  std::mutex mutex_;
  uint32_t start_;
  uint32_t shown_ = 0;
  uint32_t perChannel_[16] = {};
  uint32_t saved_ = 0;
  uint32_t saveFailures_ = 0;
  std::unique_ptr<uint8_t[]> bgr_;  // one 640 x 272 picture, bottom-up
};

}  // namespace marlow
