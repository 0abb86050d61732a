#include "tools/marlow/image_files.h"

#include <cstring>
#include <vector>

#include "platform/file.h"

#if MARLOW_HAVE_ZLIB
#include <zlib.h>
#endif

namespace marlow::cli {

#if MARLOW_HAVE_ZLIB
bool PngAvailable() {
  return true;
}

namespace {
void PutBe32(std::vector<uint8_t>& v, uint32_t x) {
  for (int s = 24; s >= 0; s -= 8) v.push_back(static_cast<uint8_t>(x >> s));
}
void Chunk(std::vector<uint8_t>& out, const char* type, const uint8_t* data, size_t n) {
  PutBe32(out, static_cast<uint32_t>(n));
  const size_t at = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data, data + n);
  PutBe32(out, static_cast<uint32_t>(crc32(0, out.data() + at, static_cast<uInt>(n + 4))));
}
}  // namespace

int WritePngFile(const char* path, const uint8_t* rows, int width, int height) {
  // Filter byte 0 then RGB, first row first.
  const size_t line = static_cast<size_t>(width) * 3 + 1;
  std::vector<uint8_t> raw(line * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    const uint8_t* src = rows + static_cast<size_t>(height - 1 - y) * BmpRowBytes(width);
    uint8_t* dst = raw.data() + static_cast<size_t>(y) * line;
    dst[0] = 0;
    for (int x = 0; x < width; ++x) {
      dst[1 + x * 3] = src[x * 3 + 2];
      dst[2 + x * 3] = src[x * 3 + 1];
      dst[3 + x * 3] = src[x * 3];
    }
  }
  uLongf packedBytes = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(packedBytes);
  if (compress2(packed.data(), &packedBytes, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK)
    return 0;
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> ihdr;
  PutBe32(ihdr, static_cast<uint32_t>(width));
  PutBe32(ihdr, static_cast<uint32_t>(height));
  const uint8_t rest[5] = {8, 2, 0, 0, 0};  // 8 bits, RGB, deflate, filter 0, no interlace
  ihdr.insert(ihdr.end(), rest, rest + 5);
  Chunk(out, "IHDR", ihdr.data(), ihdr.size());
  Chunk(out, "IDAT", packed.data(), packedBytes);
  Chunk(out, "IEND", nullptr, 0);
  platform::File f;
  return f.Create(path) && f.Write(out.data(), out.size()) ? 1 : 0;
}
#else
bool PngAvailable() {
  return false;
}
int WritePngFile(const char*, const uint8_t*, int, int) {
  return 0;
}
#endif

}  // namespace marlow::cli
