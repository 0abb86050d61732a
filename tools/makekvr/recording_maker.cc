#include "tools/makekvr/recording_maker.h"

#include <memory>

#include "tools/encoder/picture_encoder.h"
#include "tools/encoder/synthetic_camera.h"

namespace marlow {
namespace {

constexpr size_t kUnitCapacity = 131072;

const char* CheckPlan(const RecordingPlan& p) {
  if (p.channels < 1 || p.channels > 16) return "channels must be 1..16";
  if (p.height != 224 && p.height != 272) return "height must be 224 or 272";
  if (!(p.seconds > 0) || p.seconds > 24 * 3600) return "length must be 0..86400 seconds";
  if (p.picturesPerSecond < 1 || p.picturesPerSecond > 30) return "pictures per second: 1..30";
  if (p.fullEvery < 1) return "full picture interval must be 1 or more";
  if (p.qscale < 1 || p.qscale > 14) return "quantiser scale must be 1..14";
  if (p.frameSkip < 0 || p.frameSkip > 127) return "frame skip must be 0..127";
  if (p.maskOverride > 0xFFFF) return "channel mask must fit 16 bits";
  if (p.audioChannel < 0 || p.audioChannel > 3) return "audio channel must be 0..3";
  if (p.audioUnitSamples < 1 || p.audioUnitSamples > 4000) return "audio unit: 1..4000 samples";
  if (p.headerLayout < 1 || p.headerLayout > 3) return "picture header layout must be 1..3";
  return nullptr;
}

}  // namespace

int MakeRecording(const RecordingPlan& plan, streamkit::StreamBuilder* builder,
                  RecordingStats* stats, const char** error) {
  *stats = RecordingStats();
  if (const char* why = CheckPlan(plan)) {
    *error = why;
    return 0;
  }
  for (size_t b : plan.brokenBlocks) builder->BreakCheckOfBlock(b);
  builder->SetFrameSkip(static_cast<uint8_t>(plan.frameSkip));

  PictureEncoder encoder;
  encoder.Configure(plan.headerLayout, 640, plan.height);
  const int w = 640, h = plan.height;
  std::unique_ptr<uint8_t[]> picture(new uint8_t[static_cast<size_t>(w) * h * 3 / 2]);
  std::unique_ptr<uint8_t[]> unit(new uint8_t[kUnitCapacity]);
  std::vector<uint8_t> samples(plan.audioUnitSamples);

  const uint16_t allMask = static_cast<uint16_t>((1u << plan.channels) - 1u);
  // Both streams advance on a common clock in sample units (1/8000 s): the
  // next picture tick and the next audio unit, whichever comes first.
  const uint64_t totalSamples = static_cast<uint64_t>(plan.seconds * kTestSoundRate);
  const uint64_t pictureTicks = static_cast<uint64_t>(totalSamples) *
                                static_cast<uint64_t>(plan.picturesPerSecond) / kTestSoundRate;
  uint64_t nextPicture = 0;  // index of the next picture tick
  uint64_t nextAudio = 0;    // first sample of the next audio unit
  const bool withSound = plan.sound != TestSound::kSilence;
  for (;;) {
    const uint64_t pictureAt =
        nextPicture * kTestSoundRate / static_cast<uint64_t>(plan.picturesPerSecond);
    const bool picturesLeft = nextPicture < pictureTicks;
    const bool audioLeft = withSound && nextAudio + plan.audioUnitSamples <= totalSamples;
    if (!picturesLeft && !audioLeft) break;
    const bool takePicture = picturesLeft && (!audioLeft || pictureAt <= nextAudio);
    const uint64_t at = takePicture ? pictureAt : nextAudio;
    builder->SetTime(plan.startTime + static_cast<uint32_t>(at / kTestSoundRate));

    const bool dropped = plan.dropLastChannelAt >= 0 &&
                         static_cast<double>(at) >= plan.dropLastChannelAt * kTestSoundRate;
    uint16_t mask = allMask;
    if (dropped && plan.channels > 1) mask = static_cast<uint16_t>(allMask >> 1);
    builder->SetChannelMask(plan.maskOverride >= 0 ? static_cast<uint16_t>(plan.maskOverride)
                                                   : mask);

    if (takePicture) {
      const uint32_t number = static_cast<uint32_t>(nextPicture);
      const bool full = number % static_cast<uint32_t>(plan.fullEvery) == 0;
      const int channels = dropped && plan.channels > 1 ? plan.channels - 1 : plan.channels;
      for (int c = 0; c < channels; ++c) {
        SyntheticCamera camera(c, w, h);
        camera.Render(number, picture.get());
        const size_t n =
            full
                ? encoder.EncodeFull(picture.get(), c, plan.qscale, 0, unit.get(), kUnitCapacity)
                : encoder.EncodeUpdate(picture.get(), c, plan.qscale, 0, unit.get(), kUnitCapacity);
        if (n == 0) {
          *error = "a picture could not be encoded";
          return 0;
        }
        builder->AddUnit(unit.get(), n);
        ++stats->pictures;
        stats->fullPictures += full ? 1 : 0;
        stats->videoBytes += n;
        if (n > stats->largestPicture) stats->largestPicture = n;
      }
      ++nextPicture;
    } else {
      RenderTestSound(plan.sound, nextAudio, samples.data(), samples.size());
      builder->AddAudio(plan.audioChannel, samples.data(), samples.size());
      ++stats->audioUnits;
      nextAudio += plan.audioUnitSamples;
    }
  }
  builder->Finish();
  return 1;
}

}  // namespace marlow
