// The main window's command rules as functions of what the window and the
// engine hold: which commands are enabled and checked, which context popup a
// mode and channel count get, what the split commands ask of the display,
// and whether a marked stretch may be saved.
#pragma once

#include <cstdint>

namespace marlow::viewer {

// What the rules look at, read from the window and the engine.
struct WindowState {
  bool sourceOpen = false;
  int playState = 0;  // the engine's PlayState
  int mode = 1;       // the engine's mode
  bool showTime = true;
  bool alwaysOnTop = false;
  bool muted = false;
  bool fullScreen = false;
  int videoWidth = 640;
  int videoHeight = 448;
  uint64_t markIn = 0;
  uint64_t markOut = 0;
};

struct CommandRule {
  bool hasRule = false;  // false: the command is always enabled, never checked
  bool enabled = true;
  int checked = -1;  // 0 or 1; -1: no check mark
};

CommandRule RuleOf(int command, const WindowState& state);

// Longest stretch (in position units) that may be saved, exclusive.
constexpr uint64_t kStretchLimit = 681574400;  // 0x28A00000
bool CanSaveStretch(uint64_t markIn, uint64_t markOut);

// Context popup position: 1 in ZorIzovur mode; in Player mode 2 for 4
// channels, 6 for 16, else 0.
int ContextPopup(int mode, int channelCount);

// The split the Split 1/4/9/16 command asks the display for (0: not a split
// command).
int SplitRequest(int command, int channelCount);

}  // namespace marlow::viewer
