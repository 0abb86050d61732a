#include "tools/playkvr/console_display.h"

#include <cstring>

#include "display/bmp_file.h"
#include "display/pixel_convert.h"
#include "platform/file.h"

namespace marlow {

namespace {

constexpr int kMaxWidth = 640, kMaxHeight = 272;

}  // namespace

ConsoleDisplay::ConsoleDisplay(Clock& clock, std::FILE* out, int bmpEvery, std::string bmpFolder)
    : clock_(clock),
      out_(out),
      bmpEvery_(bmpEvery),
      bmpFolder_(std::move(bmpFolder)),
      start_(clock.NowMs()),
      bgr_(new uint8_t[static_cast<size_t>(BmpRowBytes(kMaxWidth)) * kMaxHeight]) {}

void ConsoleDisplay::ShowPicture(int channel, const TimeRecord& t, const uint8_t* planes, int width,
                                 int height) {
  std::lock_guard<std::mutex> lock(mutex_);
  const uint32_t index = shown_++;
  if (channel >= 0 && channel < 16) ++perChannel_[channel];
  if (out_) {
    std::fprintf(out_, "picture %u  CH%d  %04u-%02u-%02u %02u:%02u:%02u  tick %u  %dx%d\n", index,
                 channel + 1, t.year, t.month, t.day, t.hour, t.minute, t.second,
                 clock_.NowMs() - start_, width, height);
  }
  if (bmpEvery_ > 0 && index % static_cast<uint32_t>(bmpEvery_) == 0) {
    if (SaveBmp(planes, width, height, index)) {
      ++saved_;
    } else {
      ++saveFailures_;
    }
  }
}

bool ConsoleDisplay::SaveBmp(const uint8_t* planes, int width, int height, uint32_t index) {
  if (width > kMaxWidth || height > kMaxHeight) return false;
  if (!ConvertPicture(PixelFormat::Bgr24BottomUp, bgr_.get(), BmpRowBytes(width), planes, width,
                      height))
    return false;
  char path[1024];
  std::snprintf(path, sizeof path, "%s/picture%06u.bmp", bmpFolder_.c_str(), index);
  return WriteBmp24File(path, bgr_.get(), width, height) == 1;
}

uint32_t ConsoleDisplay::Shown() {
  std::lock_guard<std::mutex> lock(mutex_);
  return shown_;
}

uint32_t ConsoleDisplay::ShownOfChannel(int channel) {
  std::lock_guard<std::mutex> lock(mutex_);
  return channel >= 0 && channel < 16 ? perChannel_[channel] : 0;
}

uint32_t ConsoleDisplay::SaveFailures() {
  std::lock_guard<std::mutex> lock(mutex_);
  return saveFailures_;
}

uint32_t ConsoleDisplay::Saved() {
  std::lock_guard<std::mutex> lock(mutex_);
  return saved_;
}

}  // namespace marlow
