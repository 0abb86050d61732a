// Conversion of a decoded planar YUV 4:2:0 picture into the RGB packings of
// the display surfaces, the GDI bitmap and the AVI export.
//
// All conversions share one colour transform (BT.601 full range, 10-bit fixed
// point, see pixel_convert_ref.cc) and one clamping rule: a channel above 255
// becomes 255, a channel below 0 becomes 1 (0 is the display's transparent
// colour key, so a clamped dark value must not turn transparent), a channel of
// exactly 0 stays 0.
//
// Several implementations exist. The reference is the plain definition; the
// vector kernels must produce the same bytes for every input, which the tests
// check. Setting the environment variable MARLOW_FORCE_REFERENCE to a
// non-empty value other than "0", or calling SetForceReference(true), makes
// ConvertPicture use the reference.
#pragma once

#include <cstddef>
#include <cstdint>

#include "display/pixel_format.h"

namespace marlow {

enum class ConvertKernel : int {
  Reference = 0,
  Sse2 = 1,   // x86-64 only
  Avx2 = 2,   // x86-64 with AVX2 in the processor and the operating system
  Ssse3 = 3,  // x86-64 with SSSE3: a faster 24-bit packing, SSE2 for the others
};

// Largest width and height ConvertPicture accepts; keeps every offset far
// inside int range.
constexpr int kMaxConvertDimension = 8192;

// Writes width x height pixels of `planes` into `destination` in `format`.
// planes: the Y plane (width x height, stride width), then Cb and Cr
// (width/2 x height/2, stride width/2 each), width * height * 3 / 2 bytes.
// destination: height rows of at least width * BytesPerPixel(format) bytes,
// `destinationPitch` bytes apart; Bgr24BottomUp writes the picture's first row
// into the last destination row. Bytes between the end of a row's pixels and
// the next row are left alone.
// Returns 1, or 0 without writing anything when a pointer is null, width or
// height is not even and in 2 .. kMaxConvertDimension, the format is unknown
// or the pitch is smaller than one row of pixels.
int ConvertPicture(PixelFormat format, uint8_t* destination, int destinationPitch,
                   const uint8_t* planes, int width, int height);

// The same with a chosen implementation, regardless of the forcing switch.
// Returns 0 also when the kernel cannot run on this machine.
int ConvertPictureWith(ConvertKernel kernel, PixelFormat format, uint8_t* destination,
                       int destinationPitch, const uint8_t* planes, int width, int height);

// Partial conversion of a picture that changed only in some bands of 16 rows
// (the decoder's macroblock rows): bit r of `bands` stands for picture rows
// 16r to 16r + 15 (fewer in a last, shorter band). Converting some bands
// gives, in their rows, exactly the bytes converting the whole picture gives.
constexpr int kConvertBandRows = 16;
constexpr uint32_t kAllBands = 0xFFFFFFFFu;
// Bytes of the scratch buffer ConvertPictureBands needs for a picture of this
// width (one band's planes).
inline size_t ConvertBandsScratchBytes(int width) {
  return static_cast<size_t>(width) * kConvertBandRows * 3 / 2;
}

// As ConvertPicture, but only the destination rows of the bands set in
// `bands` are written; the others are left alone. scratch: at least
// ConvertBandsScratchBytes(width) bytes, overwritten. A picture taller than
// 32 bands, and any picture while the reference is forced, is converted
// whole (the reference of partial conversion). Returns what ConvertPicture
// returns, and 0 also for a null scratch.
int ConvertPictureBands(PixelFormat format, uint8_t* destination, int destinationPitch,
                        const uint8_t* planes, int width, int height, uint32_t bands,
                        uint8_t* scratch);
// The same with a chosen kernel, partial whatever the forcing switch says.
int ConvertPictureBandsWith(ConvertKernel kernel, PixelFormat format, uint8_t* destination,
                            int destinationPitch, const uint8_t* planes, int width, int height,
                            uint32_t bands, uint8_t* scratch);

// Copies the rows of the bands set in `bands` of a planar picture (all three
// planes) from source to destination, both width * height * 3 / 2 bytes; a
// picture taller than 32 bands is copied whole.
void CopyPictureBands(uint8_t* destination, const uint8_t* source, int width, int height,
                      uint32_t bands);

// True when the kernel is built in and the processor supports it.
bool ConvertKernelAvailable(ConvertKernel kernel);

// The kernel ConvertPicture uses now (the fastest available one, AVX2, then
// SSSE3, then SSE2, unless the reference is forced).
ConvertKernel ActiveConvertKernel();

// "reference", "sse2", "ssse3" or "avx2".
const char* ConvertKernelName(ConvertKernel kernel);

// Forces (true) or releases (false) the reference for ConvertPicture; the
// initial state comes from MARLOW_FORCE_REFERENCE. Safe from any thread.
void SetForceReference(bool on);
bool ForceReference();

}  // namespace marlow
