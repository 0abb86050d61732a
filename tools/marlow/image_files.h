// Still picture files of the command-line tool: 24-bit BMP everywhere, PNG
// where the build has zlib (the native build).
#pragma once

#include <cstdint>

#include "display/bmp_file.h"

namespace marlow::cli {

// Rows of bottom-up BGR pixels, each row padded to a multiple of 4 bytes, as
// the Bgr24BottomUp conversion writes them; BMP files are written by
// WriteBmp24File (display/bmp_file.h).
// True when WritePngFile can write (built with zlib).
bool PngAvailable();
int WritePngFile(const char* path, const uint8_t* bottomUpBgr, int width, int height);

}  // namespace marlow::cli
