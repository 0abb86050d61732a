// What the units of a stretch of recording tell: channels with pictures,
// picture sizes, sound, and how the picture headers parse. Fed by a
// UnitCutter (info) or a DamageScan (info --scan).
#pragma once

#include <cstdint>
#include <set>
#include <utility>

#include "codec/video_decoder.h"
#include "recording/unit_cutter.h"

namespace marlow::cli {

class UnitSurvey : public UnitSink {
 public:
  UnitSurvey() { decoder_.Reset(4); }
  void OnUnit(const CutUnit& u) override;
  void OnDropped(uint64_t, uint8_t, uint64_t) override {}

  uint16_t pictureChannels = 0;  // bit n: pictures of channel n were met
  uint64_t pictures = 0, parsed = 0, full = 0;
  uint8_t audioChannels = 0;  // bit k: audio units of audio channel k
  uint64_t audioUnits = 0;
  std::set<std::pair<unsigned, unsigned>> sizes;  // width x height of parsed pictures

 private:
  VideoDecoder decoder_;
};

}  // namespace marlow::cli
