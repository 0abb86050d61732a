#include "tools/marlow/unit_survey.h"

namespace marlow::cli {

void UnitSurvey::OnUnit(const CutUnit& u) {
  if (u.kind == UnitKind::kAudio) {
    audioChannels |= static_cast<uint8_t>(1u << u.channel);
    ++audioUnits;
    return;
  }
  ++pictures;
  if (u.code == 0xF9) ++full;
  if (!decoder_.ParseHeader(u.data, u.length)) return;
  ++parsed;
  pictureChannels |= static_cast<uint16_t>(1u << (decoder_.Channel() & 15));
  sizes.insert({decoder_.Width(), decoder_.Height()});
}

}  // namespace marlow::cli
