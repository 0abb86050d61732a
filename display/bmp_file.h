// Writing a 24-bit picture as a BMP file: the stills of the command-line
// tools and the headless player. The rows are bottom-up BGR, each padded to
// a multiple of four bytes, exactly as a 24-bit DIB holds them.
#pragma once

#include <cstdint>

namespace marlow {

// Bytes of one padded 24-bit row of `width` pixels.
int BmpRowBytes(int width);

// Writes `rows` (BmpRowBytes(width) x height bytes) under a 54-byte header.
// Returns 1, or 0 when the file cannot be created or written in full.
int WriteBmp24File(const char* path, const uint8_t* rows, int width, int height);

}  // namespace marlow
