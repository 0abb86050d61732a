// Still picture files of the command-line tool: 24-bit BMP everywhere, PNG
// where the build has zlib (the native build).
#pragma once

#include <cstdint>

namespace marlow::cli {

// Rows of bottom-up BGR pixels, each row padded to a multiple of 4 bytes, as
// the Bgr24BottomUp conversion writes them.
int BmpRowBytes(int width);
int WriteBmpFile(const char* path, const uint8_t* bottomUpBgr, int width, int height);
// True when WritePngFile can write (built with zlib).
bool PngAvailable();
int WritePngFile(const char* path, const uint8_t* bottomUpBgr, int width, int height);

}  // namespace marlow::cli
