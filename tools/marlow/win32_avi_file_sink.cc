#include <windows.h>

#include "export/win32_compress_options.h"
#include "export/win32_select_compressor.h"
#include "tools/marlow/avi_file_sink.h"

namespace marlow::cli {

namespace {

uint64_t Gcd(uint64_t a, uint64_t b) {
  while (b) {
    const uint64_t t = a % b;
    a = b;
    b = t;
  }
  return a;
}

}  // namespace

StreamRate AviRate(uint64_t rate, uint64_t scale) {
  if (rate == 0 || scale == 0) return StreamRate{30, 1};
  const uint64_t g = Gcd(rate, scale);
  rate /= g;
  scale /= g;
  while (rate > 0xFFFFFFFFu || scale > 0xFFFFFFFFu) {
    rate = (rate + 1) / 2;
    scale = (scale + 1) / 2;
  }
  return StreamRate{static_cast<uint32_t>(rate), static_cast<uint32_t>(scale)};
}

int UseAviCompressor(const std::string& fourcc, std::string* name) {
  ResetCompressOptions();
  if (fourcc.empty() || fourcc == "raw") {
    *name = kUncompressedName;
    return 1;
  }
  if (fourcc.size() != 4) return 0;
  const DWORD handler = mmioFOURCC(fourcc[0], fourcc[1], fourcc[2], fourcc[3]);
  *name = CompressorName(handler);
  if (name->empty()) return 0;
  SharedCompressOptions().fccHandler = handler;
  return 1;
}

int AviFileSink::Open(const std::string& file, int width, int height, uint64_t rate, uint64_t scale,
                      bool withAudio) {
  width_ = width;
  height_ = height;
  pictures_ = 0;
  if (!writer_.Open(file)) {
    error_ = "cannot create the file";
    return 0;
  }
  AviPictureFormat picture;
  picture.width = width;
  picture.height = height;
  picture.bitCount = 24;
  // Rows of 24-bit pictures are padded to 4 bytes; exported widths (640,
  // 320...) need none, so the tightly packed rows are the image.
  picture.imageSize = static_cast<uint32_t>(width) * 3 * static_cast<uint32_t>(height);
  const AviAudioFormat audio = AudioFormatForVariant(4);  // 8-bit PCM, 8000 Hz
  if (!writer_.CreateStreams(AviRate(rate, scale), &picture, withAudio ? &audio : nullptr)) {
    error_ = "the AVI file interface refused the streams (is the compressor installed?)";
    writer_.Discard();
    return 0;
  }
  return 1;
}

int AviFileSink::Picture(const uint8_t* bottomUpBgr, int width, int height) {
  if (width != width_ || height != height_) {
    error_ = "a picture of another size";
    return 0;
  }
  if (!writer_.WriteVideo(pictures_, bottomUpBgr)) {
    error_ = "a picture could not be written (disk full?)";
    return 0;
  }
  ++pictures_;
  return 1;
}

int AviFileSink::Audio(const uint8_t* samples, size_t n) {
  if (!writer_.WriteAudio(samples, static_cast<uint32_t>(n))) {
    error_ = "sound could not be written (disk full?)";
    return 0;
  }
  return 1;
}

int AviFileSink::Finish() {
  const bool failed = writer_.Failed();
  writer_.Close();
  return failed ? 0 : 1;
}

}  // namespace marlow::cli
