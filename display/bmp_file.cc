#include "display/bmp_file.h"

#include "platform/file.h"

namespace marlow {

namespace {

void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v);
  Put16(p + 2, v >> 16);
}

}  // namespace

int BmpRowBytes(int width) {
  return (width * 3 + 3) & ~3;
}

int WriteBmp24File(const char* path, const uint8_t* rows, int width, int height) {
  const uint32_t image = static_cast<uint32_t>(BmpRowBytes(width) * height);
  uint8_t header[54] = {'B', 'M'};
  Put32(header + 2, 54 + image);
  Put32(header + 10, 54);
  Put32(header + 14, 40);
  Put32(header + 18, static_cast<uint32_t>(width));
  Put32(header + 22, static_cast<uint32_t>(height));
  Put16(header + 26, 1);
  Put16(header + 28, 24);
  Put32(header + 34, image);
  platform::File f;
  return f.Create(path) && f.Write(header, sizeof header) && f.Write(rows, image) ? 1 : 0;
}

}  // namespace marlow
