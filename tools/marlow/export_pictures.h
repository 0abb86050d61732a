// The pictures of an export: a decoded picture in bottom-up BGR, doubled to
// full height and stamped with the recording's date and time in white with
// a black outline at the top left.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "recording/time_record.h"

namespace marlow::cli {

// Output row i takes input row i/2; an odd row that is not the last is the
// average (sum >> 1) of input rows i/2 and i/2 + 1. Rows are width * 3 bytes,
// tightly packed, in the same order as the input. Returns 0 for sizes that
// do not fit (out must hold width * 3 * 2 * height bytes).
int DoubleHeight(const uint8_t* in, int width, int height, uint8_t* out, size_t outBytes);

// "%02d/%02d/%02d %02d:%02d:%02d" of year, month, day, hour, minute, second.
std::string StampText(const TimeRecord& t);

// Draws text in a built-in 2x-scaled 5x7 font (digits, '/', ':', '-', space)
// into bottom-up packed BGR rows: black at the four diagonal offsets of
// (8, 8), then white at (8, 8), measured from the picture's top left.
void DrawStamp(uint8_t* bottomUpBgr, int width, int height, const std::string& text);

}  // namespace marlow::cli
