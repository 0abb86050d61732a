// The calendar record that travels with every unit and picture: eight 16-bit
// fields in the layout of the Windows SYSTEMTIME. A year of 0 means no time
// is known.
#pragma once

#include <cstdint>

namespace marlow {

struct TimeRecord {
  uint16_t year = 0;
  uint16_t month = 0;
  uint16_t dayOfWeek = 0;
  uint16_t day = 0;
  uint16_t hour = 0;
  uint16_t minute = 0;
  uint16_t second = 0;
  uint16_t milliseconds = 0;
};

static_assert(sizeof(TimeRecord) == 16, "TimeRecord must keep the 16-byte layout");

}  // namespace marlow
