// Argument checks, the choice of kernel and the forcing switch.
#include "display/pixel_convert.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "display/pixel_convert_internal.h"

#if defined(__x86_64__) || defined(_M_X64)
#define MARLOW_CONVERT_X86 1
#else
#define MARLOW_CONVERT_X86 0
#endif

namespace marlow {
namespace {

// -1: not yet read from the environment; 0: free choice; 1: reference forced.
std::atomic<int> g_forceReference{-1};

bool ValidArguments(PixelFormat format, const uint8_t* destination, int pitch,
                    const uint8_t* planes, int width, int height) {
  if (destination == nullptr || planes == nullptr) return false;
  if (!IsValidPixelFormat(static_cast<int>(format))) return false;
  if (width < 2 || height < 2 || width > kMaxConvertDimension || height > kMaxConvertDimension)
    return false;
  if (width % 2 != 0 || height % 2 != 0) return false;
  return pitch >= width * BytesPerPixel(format);
}

bool CpuHasAvx2() {
#if MARLOW_CONVERT_X86 && defined(__GNUC__)
  // libgcc checks the processor's feature bit and that the operating system
  // saves the YMM registers.
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
#else
  return false;
#endif
}

bool CpuHasSsse3() {
#if MARLOW_CONVERT_X86 && defined(__GNUC__)
  __builtin_cpu_init();
  return __builtin_cpu_supports("ssse3") != 0;
#else
  return false;
#endif
}

void RunKernel(ConvertKernel kernel, PixelFormat format, uint8_t* destination, int pitch,
               const uint8_t* planes, int width, int height) {
  if (kernel == ConvertKernel::Reference) {
    convert_internal::ConvertReference(format, destination, pitch, planes, width, height);
    return;
  }
  // The vector kernels only know top-down rows: a bottom-up picture is a
  // top-down one that starts at the last row and steps backwards.
  ptrdiff_t step = pitch;
  if (format == PixelFormat::Bgr24BottomUp) {
    format = PixelFormat::Bgr24;
    destination += static_cast<ptrdiff_t>(height - 1) * pitch;
    step = -step;
  }
#if MARLOW_CONVERT_X86
  if (kernel == ConvertKernel::Avx2) {
    convert_internal::ConvertAvx2(format, destination, step, planes, width, height);
    return;
  }
  if (kernel == ConvertKernel::Ssse3) {
    convert_internal::ConvertSsse3(format, destination, step, planes, width, height);
    return;
  }
  convert_internal::ConvertSse2(format, destination, step, planes, width, height);
#else
  (void)destination;
  (void)step;
  (void)planes;
  (void)width;
  (void)height;
#endif
}

}  // namespace

bool ConvertKernelAvailable(ConvertKernel kernel) {
  switch (kernel) {
    case ConvertKernel::Reference:
      return true;
    case ConvertKernel::Sse2:
      return MARLOW_CONVERT_X86 != 0;
    case ConvertKernel::Avx2: {
      static const bool has = CpuHasAvx2();
      return has;
    }
    case ConvertKernel::Ssse3: {
      static const bool has = CpuHasSsse3();
      return has;
    }
  }
  return false;
}

const char* ConvertKernelName(ConvertKernel kernel) {
  switch (kernel) {
    case ConvertKernel::Reference:
      return "reference";
    case ConvertKernel::Sse2:
      return "sse2";
    case ConvertKernel::Avx2:
      return "avx2";
    case ConvertKernel::Ssse3:
      return "ssse3";
  }
  return "unknown";
}

bool ForceReference() {
  int state = g_forceReference.load(std::memory_order_relaxed);
  if (state < 0) {
    const char* value = std::getenv("MARLOW_FORCE_REFERENCE");
    state = (value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0) ? 1 : 0;
    int expected = -1;
    // A concurrent SetForceReference wins over the environment.
    if (!g_forceReference.compare_exchange_strong(expected, state)) state = expected;
  }
  return state == 1;
}

void SetForceReference(bool on) {
  g_forceReference.store(on ? 1 : 0);
}

ConvertKernel ActiveConvertKernel() {
  if (ForceReference()) return ConvertKernel::Reference;
  if (ConvertKernelAvailable(ConvertKernel::Avx2)) return ConvertKernel::Avx2;
  if (ConvertKernelAvailable(ConvertKernel::Ssse3)) return ConvertKernel::Ssse3;
  if (ConvertKernelAvailable(ConvertKernel::Sse2)) return ConvertKernel::Sse2;
  return ConvertKernel::Reference;
}

int ConvertPictureWith(ConvertKernel kernel, PixelFormat format, uint8_t* destination,
                       int destinationPitch, const uint8_t* planes, int width, int height) {
  if (!ConvertKernelAvailable(kernel)) return 0;
  if (!ValidArguments(format, destination, destinationPitch, planes, width, height)) return 0;
  RunKernel(kernel, format, destination, destinationPitch, planes, width, height);
  return 1;
}

int ConvertPicture(PixelFormat format, uint8_t* destination, int destinationPitch,
                   const uint8_t* planes, int width, int height) {
  return ConvertPictureWith(ActiveConvertKernel(), format, destination, destinationPitch, planes,
                            width, height);
}

int ConvertPictureBandsWith(ConvertKernel kernel, PixelFormat format, uint8_t* destination,
                            int destinationPitch, const uint8_t* planes, int width, int height,
                            uint32_t bands, uint8_t* scratch) {
  if (!ConvertKernelAvailable(kernel) || scratch == nullptr) return 0;
  if (!ValidArguments(format, destination, destinationPitch, planes, width, height)) return 0;
  const int bandCount = (height + kConvertBandRows - 1) / kConvertBandRows;
  if (bandCount > 32) {
    RunKernel(kernel, format, destination, destinationPitch, planes, width, height);
    return 1;
  }
  // The kernels take one picture's planes back to back: each band's rows
  // of the three planes are gathered in scratch (a twentieth of the
  // conversion's cost) and converted as a picture of the band's height.
  // Chroma rows belong to luma row pairs and bands start at even rows, so
  // every band converts exactly as it does within the whole picture.
  const size_t w = static_cast<size_t>(width);
  const uint8_t* cb = planes + w * height;
  const uint8_t* cr = cb + w * height / 4;
  for (int band = 0; band < bandCount; ++band) {
    if (!((bands >> band) & 1)) continue;
    const int y0 = band * kConvertBandRows;
    const int rows = height - y0 < kConvertBandRows ? height - y0 : kConvertBandRows;
    const size_t lumaBytes = w * rows;
    const size_t chromaBytes = lumaBytes / 4;
    std::memcpy(scratch, planes + w * y0, lumaBytes);
    std::memcpy(scratch + lumaBytes, cb + w / 2 * (y0 / 2), chromaBytes);
    std::memcpy(scratch + lumaBytes + chromaBytes, cr + w / 2 * (y0 / 2), chromaBytes);
    const int firstRow = format == PixelFormat::Bgr24BottomUp ? height - y0 - rows : y0;
    RunKernel(kernel, format, destination + static_cast<ptrdiff_t>(firstRow) * destinationPitch,
              destinationPitch, scratch, width, rows);
  }
  return 1;
}

void CopyPictureBands(uint8_t* destination, const uint8_t* source, int width, int height,
                      uint32_t bands) {
  const size_t w = static_cast<size_t>(width);
  const size_t luma = w * height;
  const int bandCount = (height + kConvertBandRows - 1) / kConvertBandRows;
  if (bandCount > 32 || bands == kAllBands) {
    std::memcpy(destination, source, luma * 3 / 2);
    return;
  }
  for (int band = 0; band < bandCount; ++band) {
    if (!((bands >> band) & 1)) continue;
    const size_t y0 = static_cast<size_t>(band) * kConvertBandRows;
    const size_t rows = height - y0 < kConvertBandRows ? height - y0 : kConvertBandRows;
    std::memcpy(destination + w * y0, source + w * y0, w * rows);
    const size_t at = luma + w / 2 * (y0 / 2);
    std::memcpy(destination + at, source + at, w / 2 * (rows / 2));
    std::memcpy(destination + at + luma / 4, source + at + luma / 4, w / 2 * (rows / 2));
  }
}

int ConvertPictureBands(PixelFormat format, uint8_t* destination, int destinationPitch,
                        const uint8_t* planes, int width, int height, uint32_t bands,
                        uint8_t* scratch) {
  if (ForceReference()) {
    if (scratch == nullptr) return 0;
    return ConvertPictureWith(ConvertKernel::Reference, format, destination, destinationPitch,
                              planes, width, height);
  }
  return ConvertPictureBandsWith(ActiveConvertKernel(), format, destination, destinationPitch,
                                 planes, width, height, bands, scratch);
}

}  // namespace marlow
