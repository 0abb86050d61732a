#include "export/stamp_text.h"

#include <cstdio>

namespace marlow {

int FormatStampText(const TimeRecord& t, char (&out)[kStampTextBytes]) {
  const int n = std::snprintf(out, sizeof out, "%02d/%02d/%02d %02d:%02d:%02d", t.year, t.month,
                              t.day, t.hour, t.minute, t.second);
  return n < 0 ? 0 : n;
}

}  // namespace marlow
