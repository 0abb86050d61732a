#include "viewer/status_text.h"

#include <cstdio>

namespace marlow::viewer {

namespace {
// Trailing blanks are part of the names: the texts line up in the band.
const char* const kStateNames[] = {"READY", "STOP ", "PLAY ", "PLAY ",
                                   "STEPF", "STEPR", "PAUSE", "SEARCH"};
}  // namespace

size_t StateText(int state, double speed, char* out, size_t size) {
  if (size == 0) return 0;
  const char* name = state >= 0 && state < 8 ? kStateNames[state] : "";
  int n = (state == 2 || state == 3) ? std::snprintf(out, size, "%s x %.1f", name, speed)
                                     : std::snprintf(out, size, "%s", name);
  if (n < 0) {
    out[0] = '\0';
    return 0;
  }
  return static_cast<size_t>(n) < size ? static_cast<size_t>(n) : size - 1;
}

}  // namespace marlow::viewer
