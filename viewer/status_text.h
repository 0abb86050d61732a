// The text of the Player status line: the engine state's name and, while
// playing forwards or in reverse, the speed. (The strip pictures the status
// line draws are addressed by the skin's geometry.)
#pragma once

#include <cstddef>

namespace marlow::viewer {

// The state's name ("PLAY " keeps its trailing blank) and for Play and
// PlayReverse the speed as " x %.1f": at speed 2, "PLAY  x 2.0". Returns the
// length written into out (always terminated; size > 0).
size_t StateText(int state, double speed, char* out, size_t size);

}  // namespace marlow::viewer
