// update_bench: what showing an update picture costs the display, before
// (the whole picture copied and converted) and after (only the macroblock
// rows the decoder says the picture changed), for the GDI packing
// (Bgr24BottomUp) and the usual DirectDraw packing (Xrgb32), beside the
// decoding of the same pictures, all in the same run. The stream is our
// encoder's: one full picture of the synthetic camera, then update pictures
// of the moving scene (640 x 272).
//
// Time per picture is the best of several rounds. --callgrind adds
// instructions per picture (valgrind's callgrind tool, steady on a busy
// machine): a child run of this program per variant, a long run minus a
// one-picture run, minus the decoding alone.
//
// Usage: update_bench [--pictures N] [--rounds R] [--callgrind]
// (internal: --child MODE FORMAT COUNT, the run under callgrind).
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench/common/callgrind.h"
#include "codec/video_decoder.h"
#include "display/pixel_convert.h"
#include "tools/encoder/picture_encoder.h"
#include "tools/encoder/synthetic_camera.h"

namespace {

using Clock = std::chrono::steady_clock;
using marlow::PixelFormat;

constexpr int kWidth = 640;
constexpr int kHeight = 272;
constexpr size_t kPictureBytes = kWidth * kHeight * 3 / 2;

enum Mode { kDecodeOnly = 0, kWhole = 1, kBands = 2 };

struct Stream {
  std::vector<std::vector<uint8_t>> units;  // units[0] is the full picture
};

Stream MakeStream(int updates) {
  Stream s;
  marlow::PictureEncoder encoder;
  encoder.Configure(2, kWidth, kHeight);
  marlow::SyntheticCamera camera(0, kWidth, kHeight);
  std::vector<uint8_t> scene(kPictureBytes), unit(131072);
  for (int i = 0; i <= updates; ++i) {
    camera.Render(static_cast<uint32_t>(i), scene.data());
    const size_t n = i == 0 ? encoder.EncodeFull(scene.data(), 0, 4, 0, unit.data(), unit.size())
                            : encoder.EncodeUpdate(scene.data(), 0, 4, 0, unit.data(), unit.size());
    s.units.emplace_back(unit.begin(), unit.begin() + n);
  }
  return s;
}

// The display's side of one picture, as VideoDisplay does it: the channel's
// stored copy, then the conversion into the shared target.
struct Display {
  std::vector<uint8_t> stored = std::vector<uint8_t>(kPictureBytes);
  std::vector<uint8_t> target = std::vector<uint8_t>(kWidth * 4 * kHeight);
  std::vector<uint8_t> scratch = std::vector<uint8_t>(marlow::ConvertBandsScratchBytes(kWidth));

  void Show(Mode mode, PixelFormat format, const uint8_t* planes, uint32_t bands) {
    const int pitch = kWidth * marlow::BytesPerPixel(format);
    if (mode == kWhole) {
      std::memcpy(stored.data(), planes, kPictureBytes);
      marlow::ConvertPicture(format, target.data(), pitch, stored.data(), kWidth, kHeight);
    } else if (mode == kBands) {
      marlow::CopyPictureBands(stored.data(), planes, kWidth, kHeight, bands);
      marlow::ConvertPictureBands(format, target.data(), pitch, stored.data(), kWidth, kHeight,
                                  bands, scratch.data());
    }
  }
};

// Decodes the stream's update pictures `count` times in all (wrapping to the
// first update) and hands each to the display; the full picture goes first,
// whole. Returns the bands changed over all pictures.
uint64_t Run(const Stream& s, Mode mode, PixelFormat format, int count) {
  marlow::VideoDecoder decoder;
  decoder.Reset(4);
  std::vector<uint8_t> planes(marlow::kMaxPictureBytes);
  marlow::DecodedPicture picture;
  picture.planes = planes.data();
  Display display;
  uint64_t bandsShown = 0;
  for (int i = 0; i <= count; ++i) {
    const int k = i == 0 ? 0 : 1 + (i - 1) % static_cast<int>(s.units.size() - 1);
    const auto& u = s.units[static_cast<size_t>(k)];
    if (!decoder.ParseHeader(u.data(), u.size()) || !decoder.Decode(u.data(), u.size(), &picture))
      std::abort();
    const uint32_t bands = i == 0 ? marlow::kAllBands : decoder.ChangedRows();
    display.Show(i == 0 && mode == kDecodeOnly ? kWhole : mode, format, planes.data(), bands);
    if (i > 0) bandsShown += static_cast<uint64_t>(__builtin_popcount(bands));
  }
  return bandsShown + display.target[kWidth] % 2;  // keeps the work observable
}

double SecondsOf(const Stream& s, Mode mode, PixelFormat format, int count, int rounds) {
  double best = 1e9;
  for (int r = 0; r < rounds; ++r) {
    const auto t0 = Clock::now();
    Run(s, mode, format, count);
    const double t = std::chrono::duration<double>(Clock::now() - t0).count();
    if (t < best) best = t;
  }
  return best;
}

double Instructions(const std::string& self, const std::string& dir, Mode mode, PixelFormat format,
                    int count) {
  auto total = [&](int n) {
    return marlow::bench::CallgrindTotal("'" + self + "' --child " + std::to_string(mode) + " " +
                                             std::to_string(static_cast<int>(format)) + " " +
                                             std::to_string(n),
                                         dir + "/callgrind.out");
  };
  const double a = total(count), b = total(1);
  return a < 0 || b < 0 ? -1 : (a - b) / (count - 1);
}

}  // namespace

int main(int argc, char** argv) {
  int pictures = 2000, rounds = 5;
  bool callgrind = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--child" && i + 3 < argc) {
      const Stream s = MakeStream(100);
      Run(s, static_cast<Mode>(std::atoi(argv[i + 1])),
          static_cast<PixelFormat>(std::atoi(argv[i + 2])), std::atoi(argv[i + 3]));
      return 0;
    }
    if (arg == "--pictures" && i + 1 < argc) pictures = std::atoi(argv[++i]);
    if (arg == "--rounds" && i + 1 < argc) rounds = std::atoi(argv[++i]);
    if (arg == "--callgrind") callgrind = true;
  }
  if (pictures < 2) pictures = 2;
  const Stream s = MakeStream(100);
  size_t updateBytes = 0;
  for (size_t k = 1; k < s.units.size(); ++k) updateBytes += s.units[k].size();
  const double bands =
      static_cast<double>(Run(s, kBands, PixelFormat::Xrgb32, pictures)) / pictures;
  std::printf("update pictures 640 x 272: %zu bytes each on average, %.2f of 17 bands changed\n",
              updateBytes / (s.units.size() - 1), bands);
  std::printf("conversion kernel: %s\n", marlow::ConvertKernelName(marlow::ActiveConvertKernel()));
  const double decode = SecondsOf(s, kDecodeOnly, PixelFormat::Xrgb32, pictures, rounds);
  std::printf("decode alone:                 %8.2f us per picture\n", decode / pictures * 1e6);
  const struct {
    const char* name;
    PixelFormat format;
  } formats[] = {{"GDI (Bgr24BottomUp)", PixelFormat::Bgr24BottomUp},
                 {"DirectDraw (Xrgb32)", PixelFormat::Xrgb32}};
  for (const auto& f : formats) {
    const double whole = SecondsOf(s, kWhole, f.format, pictures, rounds) - decode;
    const double part = SecondsOf(s, kBands, f.format, pictures, rounds) - decode;
    std::printf("%s display cost: whole %8.2f us, changed bands %8.2f us per picture (%.1fx)\n",
                f.name, whole / pictures * 1e6, part / pictures * 1e6,
                part > 0 ? whole / part : 0.0);
  }
  if (!callgrind) return 0;
  const std::string dir =
      (std::filesystem::temp_directory_path() / ("update_bench_" + std::to_string(::getpid())))
          .string();
  std::filesystem::create_directories(dir);
  const std::string self = std::filesystem::canonical("/proc/self/exe").string();
  const int n = 200;
  const double d = Instructions(self, dir, kDecodeOnly, PixelFormat::Xrgb32, n);
  std::printf("instructions per update picture (callgrind): decode %.0f\n", d);
  for (const auto& f : formats) {
    const double w = Instructions(self, dir, kWhole, f.format, n) - d;
    const double b = Instructions(self, dir, kBands, f.format, n) - d;
    std::printf("%s display: whole %.0f, changed bands %.0f (%.1fx fewer)\n", f.name, w, b,
                b > 0 ? w / b : 0.0);
  }
  std::filesystem::remove_all(dir);
  return 0;
}
