#include "export/avi_exporter.h"

#include <cstring>
#include <memory>
#include <new>

#include "display/pixel_convert.h"
#include "export/export_names.h"
#include "export/height_doubling.h"
#include "export/stamp_surface.h"
#include "export/stamp_text.h"

namespace marlow {

namespace {

constexpr size_t kUnitBufferBytes = 262144;
// One picture buffer per channel: update pictures change only what they
// code, so each channel must keep its own last picture.
constexpr size_t kPictureBufferBytes = 414720;
constexpr size_t kColourBytes = 622080;
constexpr size_t kDoubledBytes = 1244160;

}  // namespace

AviExporter::AviExporter() = default;

AviExporter::~AviExporter() {
  // The thread uses the writers and the source: it must end first.
  Stop();
}

void AviExporter::SetVariant(int variant) {
  variant_ = variant;
  done_ = false;
}

void AviExporter::SetFileLimit(uint64_t bytes) {
  for (AviChannelWriter& w : writers_) w.SetFileLimit(bytes);
}

int AviExporter::OpenInput(const char* path) {
  if (source_.IsOpen()) source_.Close();
  const int ok = source_.OpenSource(path, false);
  sourceOpen_ = ok != 0;
  return ok;
}

void AviExporter::CloseWriters() {
  for (AviChannelWriter& w : writers_) w.Close();
}

int AviExporter::Prepare(const std::string& outputPath) {
  // 1. Files of an earlier export are finished first.
  CloseWriters();
  if (!source_.IsOpen()) return 0;
  std::unique_ptr<uint8_t[]> unit(new (std::nothrow) uint8_t[kUnitBufferBytes]);
  if (!unit) return 0;
  const AviAudioFormat audio = AudioFormatForVariant(variant_);
  done_ = false;
  // 2.-5. The counting pass.
  CountRecording(source_, decoder_, unit.get(), channelMask_, variant_, &count_);
  picture_.width = static_cast<int32_t>(count_.width);
  picture_.height = static_cast<int32_t>(count_.height);
  picture_.imageSize = count_.imageSize;
  // 6.-7. One file for each selected channel that has pictures.
  const bool withAudio = wantAudio_ && count_.hasAudio;
  int files = 0;
  for (int c = 0; c < kExportChannels; ++c) {
    if (count_.pictures[c] == 0 || !(channelMask_ & (1u << c))) continue;
    AviChannelWriter& w = writers_[c];
    const StreamRate rate = ChannelFileRate(count_, c, audio);
    if (!w.Open(ChannelFileName(outputPath, c)) ||
        !w.CreateStreams(rate, &picture_, withAudio ? &audio : nullptr)) {
      // Nothing half-made stays behind: every file of this export goes.
      for (AviChannelWriter& made : writers_) made.Discard();
      return 0;
    }
    ++files;
  }
  // An input without a picture of a selected channel (not a recording, or
  // none of the cameras asked for) has nothing to export.
  if (files == 0) return 0;
  // 8.
  source_.SetPosition(0);
  return 1;
}

uint32_t AviExporter::Run() {
  // 1. Buffers for the pass; the AVI interface for this thread.
  AviThreadScope avi;
  std::unique_ptr<uint8_t[]> unit(new (std::nothrow) uint8_t[kUnitBufferBytes]);
  std::unique_ptr<uint8_t[]> pictures(new (std::nothrow)
                                          uint8_t[kPictureBufferBytes * kExportChannels]);
  std::unique_ptr<uint8_t[]> colour(new (std::nothrow) uint8_t[kColourBytes]);
  std::unique_ptr<uint8_t[]> plainDoubled;
  StampSurface surface;
  uint8_t* doubled = nullptr;
  if (preview_ && surface.Create(preview_, picture_.width, picture_.height)) {
    doubled = surface.Bits();
  } else {
    plainDoubled.reset(new (std::nothrow) uint8_t[kDoubledBytes]);
    doubled = plainDoubled.get();
  }
  uint32_t counters[kExportChannels] = {};
  if (unit && pictures && colour && doubled) {
    // Black in every channel until its first full picture.
    const size_t luma = LumaBytes(static_cast<unsigned>(picture_.width),
                                  static_cast<unsigned>(picture_.height / 2));
    for (int c = 0; c < kExportChannels; ++c) {
      uint8_t* p = pictures.get() + kPictureBufferBytes * c;
      std::memset(p, 0, luma);
      std::memset(p + luma, 128, kPictureBufferBytes - luma);
    }
    source_.SetStreamVariant(variant_);
    decoder_.Reset(variant_);
    source_.SetPosition(0);
    // 2. One unit per wait on the stop event.
    UnitReadLoop loop;
    uint32_t length = 0;
    while (!StopEvent().Wait(unitWaitMs_)) {
      if (!loop.Next(source_, unit.get(), &length)) break;
      if (!source_.LastReadFoundUnit()) continue;
      if (source_.LastIsAudio()) {
        WriteAudioUnit(unit.get(), length, source_.LastChannel());
      } else {
        WritePicture(unit.get(), length, pictures.get(), colour.get(), doubled,
                     preview_ && surface.Bits() ? &surface : nullptr, counters);
      }
    }
  }
  // 3. Every file ends whole, then the source closes and the pass is done.
  CloseWriters();
  source_.Close();
  sourceOpen_ = false;
  done_ = true;
  return 1;
}

void AviExporter::WriteAudioUnit(const uint8_t* data, uint32_t length, int audioChannel) {
  if (!wantAudio_ || !count_.hasAudio) return;
  for (int c = 0; c < kExportChannels; ++c) {
    AviChannelWriter& w = writers_[c];
    if (!w.IsOpen()) continue;
    // Variant 5 carries one sound per audio channel: channel k's sound goes
    // to camera k, and audio channel 0 also to the cameras from 4 on.
    if (variant_ == 5 && !(audioChannel == c || (audioChannel == 0 && c >= 4))) continue;
    w.WriteAudio(data, length);
  }
}

void AviExporter::WritePicture(const uint8_t* data, uint32_t length, uint8_t* pictures,
                               uint8_t* colour, uint8_t* doubled, StampSurface* surface,
                               uint32_t* counters) {
  if (!decoder_.ParseHeader(data, length)) return;
  const int c = decoder_.Channel();
  if (c < 0 || c >= kExportChannels || !(channelMask_ & (1u << c))) return;
  AviChannelWriter& w = writers_[c];
  if (!w.IsOpen()) return;
  DecodedPicture picture;
  picture.planes = pictures + kPictureBufferBytes * static_cast<size_t>(c);
  if (!decoder_.Decode(data, length, &picture)) return;
  const unsigned width = decoder_.Width(), height = decoder_.Height();
  // A picture of another size than the files were made for is not written.
  if (static_cast<int32_t>(width) != picture_.width ||
      static_cast<int32_t>(2 * height) != picture_.height) {
    return;
  }
  const size_t colourBytes = static_cast<size_t>(width) * height * 3;
  if (!ConvertPicture(PixelFormat::Bgr24BottomUp, colour, static_cast<int>(width * 3),
                      picture.planes, static_cast<int>(width), static_cast<int>(height)) ||
      !DoubleHeight(colour, colourBytes, width, height, doubled, 2 * colourBytes)) {
    return;
  }
  if (surface) {
    char text[kStampTextBytes];
    const int n = FormatStampText(source_.BlockTime(), text);
    surface->Stamp(text, n);
    stampBox_ = surface->BoxOf(text, n);
    surface->Show();
  }
  w.WriteVideo(counters[c], doubled);
  ++counters[c];
}

}  // namespace marlow
