#include "viewer/command_rules.h"

#include "viewer/resources/viewer_resource.h"

namespace marlow::viewer {

namespace {
constexpr int kReady = 0;
constexpr int kPause = 6;

CommandRule Enabled(bool on) {
  CommandRule r;
  r.hasRule = true;
  r.enabled = on;
  return r;
}

CommandRule Checked(bool on) {
  CommandRule r;
  r.hasRule = true;
  r.checked = on ? 1 : 0;
  return r;
}
}  // namespace

bool CanSaveStretch(uint64_t markIn, uint64_t markOut) {
  return markOut > markIn && markOut - markIn < kStretchLimit;
}

CommandRule RuleOf(int command, const WindowState& s) {
  switch (command) {
    case ID_CLOSE_SOURCE:
      return Enabled(s.sourceOpen);
    case ID_SHOW_TIME:
      return Checked(s.showTime);
    case ID_ALWAYS_ON_TOP:
      return Checked(s.alwaysOnTop);
    case ID_PLAY:
    case ID_PLAY_REVERSE:
    case ID_PAUSE:
    case ID_FAST_FORWARD:
    case ID_FAST_REWIND:
    case ID_NEXT_FRAME:
    case ID_PREVIOUS_FRAME:
      return Enabled(s.playState != kReady);
    case ID_MARK_IN:
    case ID_MARK_OUT:
      return Enabled(s.sourceOpen && s.playState == kPause);
    case ID_EXPORT_STRETCH:
      return Enabled(s.sourceOpen && s.playState == kPause && CanSaveStretch(s.markIn, s.markOut));
    case ID_MUTE:
      return Checked(s.muted);
    case ID_FULL_SCREEN:
      return Checked(s.fullScreen);
    case ID_ASPECT_448:
      return Checked(s.videoWidth == 640 && s.videoHeight == 448);
    case ID_ASPECT_544:
      return Checked(s.videoWidth == 640 && s.videoHeight == 544);
    case ID_PLAYER_MODE:
      return Checked(s.mode == 1);
    case ID_VIEWER_MODE:
      return Checked(s.mode != 1);
    default:
      return CommandRule{};
  }
}

int ContextPopup(int mode, int channelCount) {
  if (mode != 1) return 1;
  if (channelCount == 4) return 2;
  if (channelCount == 16) return 6;
  return 0;
}

int SplitRequest(int command, int channelCount) {
  switch (command) {
    case IDC_SPLIT1:
      return 1;
    case ID_SPLIT4:
      return 4;
    case ID_SPLIT9:
      return channelCount < 9 ? channelCount : 9;
    case ID_SPLIT16:
      return 16;
    default:
      return 0;
  }
}

}  // namespace marlow::viewer
