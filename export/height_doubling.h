// Doubling a 24-bit picture to twice its height, as the export writes it.
//
// Output row i (in the buffer's own row order) is input row i / 2; an odd
// output row other than the last is the byte-wise average, rounded down, of
// input rows i / 2 and i / 2 + 1; the last output row copies the last input
// row. The fast path works on eight bytes at a time and gives the same bytes
// as the reference for every input; MARLOW_FORCE_REFERENCE (set, not "0") or
// SetDoublingReference(true) makes DoubleHeight use the reference.
#pragma once

#include <cstddef>
#include <cstdint>

namespace marlow {

// in: width x height pixels of 3 bytes, rows width * 3 bytes apart; out:
// width x 2 * height pixels. Returns 1, or 0 without writing when a pointer
// is null, width or height is 0, or the sizes do not match:
// inBytes != width * height * 3 or outBytes != 2 * inBytes.
int DoubleHeight(const uint8_t* in, size_t inBytes, unsigned width, unsigned height, uint8_t* out,
                 size_t outBytes);
int DoubleHeightReference(const uint8_t* in, size_t inBytes, unsigned width, unsigned height,
                          uint8_t* out, size_t outBytes);
int DoubleHeightFast(const uint8_t* in, size_t inBytes, unsigned width, unsigned height,
                     uint8_t* out, size_t outBytes);

void SetDoublingReference(bool on);
bool DoublingReference();

}  // namespace marlow
