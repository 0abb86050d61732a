// The date and time text stamped on every exported picture.
#pragma once

#include <cstddef>

#include "recording/time_record.h"

namespace marlow {

// Enough for any field values, even implausible ones.
constexpr size_t kStampTextBytes = 64;

// "%02d/%02d/%02d %02d:%02d:%02d" of year, month, day, hour, minute, second,
// e.g. "2008/05/17 13:45:02". Returns the length.
int FormatStampText(const TimeRecord& t, char (&out)[kStampTextBytes]);

}  // namespace marlow
