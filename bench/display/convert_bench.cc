// convert_bench: megapixels per second of ConvertPicture for Bgr24BottomUp and
// Xrgb32, each kernel, on 640 x 272 pictures, beside FFmpeg's libswscale
// converting the same pictures from yuv420p to bgr24, measured in the same
// run through the ffmpeg program on one thread. The swscale figure is the
// ffmpeg run converting to bgr24 minus an otherwise identical run that passes
// yuv420p through, divided by the pictures, so reading the file and the
// program's own overhead do not count. --callgrind adds instructions per
// picture (valgrind's callgrind tool; steady on a busy machine) of our
// converters and of swscale, the latter counted the same way: bgr24 minus
// pass-through, each a long run minus a one-picture run so that ffmpeg's
// start-up does not count either.
//
// Usage: convert_bench [--pictures N] [--rounds R] [--ffmpeg-loops L] [--callgrind]
// (internal: --child KERNEL FORMAT COUNT, the run under callgrind).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/common/callgrind.h"
#include "display/pixel_convert.h"

namespace {

using Clock = std::chrono::steady_clock;
using marlow::ConvertKernel;
using marlow::PixelFormat;
using marlow::bench::CallgrindTotal;
using marlow::bench::ReadText;

constexpr int kWidth = 640;
constexpr int kHeight = 272;
constexpr size_t kPictureBytes = kWidth * kHeight * 3 / 2;
constexpr double kPixels = kWidth * kHeight;

// Camera-like pictures: smooth gradients that move from picture to picture,
// a bright and a dark block, and sensor noise; chroma wanders over the range.
std::vector<uint8_t> MakePictures(int count) {
  std::vector<uint8_t> all(kPictureBytes * count);
  uint32_t noise = 12345;
  auto next = [&noise] {
    noise = noise * 1664525u + 1013904223u;
    return static_cast<int>(noise >> 27);  // 0..31
  };
  for (int i = 0; i < count; ++i) {
    uint8_t* y = all.data() + kPictureBytes * i;
    uint8_t* cb = y + kWidth * kHeight;
    uint8_t* cr = cb + kWidth * kHeight / 4;
    for (int r = 0; r < kHeight; ++r)
      for (int c = 0; c < kWidth; ++c) {
        int v = (c + 3 * i) * 200 / kWidth + r * 40 / kHeight + next() - 16;
        if (c > 100 + i && c < 180 + i && r > 60 && r < 120) v = 250;
        if (c > 400 && c < 470 && r > 150 + i % 20 && r < 220) v = 5;
        y[r * kWidth + c] = static_cast<uint8_t>(std::clamp(v, 0, 255));
      }
    for (int r = 0; r < kHeight / 2; ++r)
      for (int c = 0; c < kWidth / 2; ++c) {
        cb[r * kWidth / 2 + c] = static_cast<uint8_t>((c * 255 / (kWidth / 2) + 7 * i) & 0xFF);
        cr[r * kWidth / 2 + c] = static_cast<uint8_t>(std::clamp(60 + r + next(), 0, 255));
      }
  }
  return all;
}

// Best time per picture over `rounds` passes over all pictures, in us.
double TimeKernel(ConvertKernel kernel, PixelFormat format, const std::vector<uint8_t>& pictures,
                  int count, int rounds) {
  const int pitch = kWidth * marlow::BytesPerPixel(format);
  std::vector<uint8_t> out(static_cast<size_t>(pitch) * kHeight);
  double best = 1e30;
  for (int round = 0; round < rounds; ++round) {
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
      if (!marlow::ConvertPictureWith(kernel, format, out.data(), pitch,
                                      pictures.data() + kPictureBytes * i, kWidth, kHeight)) {
        std::fprintf(stderr, "conversion failed\n");
        std::exit(1);
      }
    }
    const double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    best = std::min(best, us / count);
  }
  return best;
}

std::string Quote(const std::string& s) {
  return "'" + s + "'";
}

// User CPU seconds of one ffmpeg run over the raw file (looped), or -1.
double FfmpegUserSeconds(const std::string& raw, const std::string& log, int loops,
                         const char* outFormat) {
  const std::string cmd =
      "ffmpeg -hide_banner -nostdin -threads 1 -f rawvideo -pix_fmt yuv420p "
      "-s 640x272 -stream_loop " +
      std::to_string(loops - 1) + " -i " + Quote(raw) + " -filter_threads 1 -pix_fmt " + outFormat +
      " -f null - -benchmark > " + Quote(log) + " 2>&1";
  if (std::system(cmd.c_str()) != 0) return -1;
  const std::string text = ReadText(log);
  const size_t at = text.find("bench: utime=");
  if (at == std::string::npos) return -1;
  return std::atof(text.c_str() + at + std::strlen("bench: utime="));
}

// Instructions per picture of one kernel and format, from a child run of this
// program under callgrind that collects only inside ConvertPictureWith.
double CallgrindInstructions(const std::string& self, const std::string& dir, ConvertKernel kernel,
                             PixelFormat format, int count) {
  const std::string out = dir + "/callgrind.out";
  const std::string cmd = "valgrind --tool=callgrind --callgrind-out-file=" + Quote(out) +
                          " --collect-atstart=no '--toggle-collect=marlow::ConvertPictureWith*' " +
                          Quote(self) + " --child " + std::to_string(static_cast<int>(kernel)) +
                          " " + std::to_string(static_cast<int>(format)) + " " +
                          std::to_string(count) + " > /dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) return -1;
  const std::string text = ReadText(out);
  const size_t at = text.find("\nsummary: ");
  if (at == std::string::npos) return -1;
  return std::atof(text.c_str() + at + 10) / count;
}

// Instructions per picture of swscale converting yuv420p to bgr24 on one
// thread, from ffmpeg runs under callgrind over the first pictures of the raw
// file: (bgr24 - pass-through) for `count` pictures minus the same for one
// picture, over count - 1. Reading, the null output and start-up cancel out.
// -1 if ffmpeg could not run under callgrind.
double SwscaleInstructions(const std::string& raw, const std::string& dir, int count) {
  if (count < 2) return -1;
  const std::string out = dir + "/callgrind.ffmpeg.out";
  const auto run = [&](int frames, const char* outFormat) {
    return CallgrindTotal(
        "ffmpeg -hide_banner -nostdin -v error -threads 1 -f rawvideo -pix_fmt yuv420p "
        "-s 640x272 -i " +
            Quote(raw) + " -filter_threads 1 -frames:v " + std::to_string(frames) + " -pix_fmt " +
            outFormat + " -f null -",
        out, MARLOW_TIMER_STUB);
  };
  const double convertOne = run(1, "bgr24");
  const double convertAll = run(count, "bgr24");
  const double passOne = run(1, "yuv420p");
  const double passAll = run(count, "yuv420p");
  if (convertOne < 0 || convertAll < 0 || passOne < 0 || passAll < 0) return -1;
  return ((convertAll - convertOne) - (passAll - passOne)) / (count - 1);
}

int RunChild(int kernel, int format, int count) {
  const std::vector<uint8_t> pictures = MakePictures(count);
  TimeKernel(static_cast<ConvertKernel>(kernel), static_cast<PixelFormat>(format), pictures, count,
             1);
  return 0;
}

const char* FormatName(PixelFormat f) {
  return f == PixelFormat::Xrgb32 ? "Xrgb32" : "Bgr24BottomUp";
}

}  // namespace

int main(int argc, char** argv) {
  int pictures = 40, rounds = 5, loops = 25;
  bool callgrind = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--child" && i + 3 < argc)
      return RunChild(std::atoi(argv[i + 1]), std::atoi(argv[i + 2]), std::atoi(argv[i + 3]));
    if (arg == "--pictures" && i + 1 < argc) {
      pictures = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--rounds" && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--ffmpeg-loops" && i + 1 < argc) {
      loops = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--callgrind") {
      callgrind = true;
    } else {
      std::fprintf(stderr,
                   "usage: convert_bench [--pictures N] [--rounds R] [--ffmpeg-loops L] "
                   "[--callgrind]\n");
      return 2;
    }
  }

  const std::vector<uint8_t> data = MakePictures(pictures);
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "marlow_convert_bench";
  std::filesystem::create_directories(dir);
  const std::string raw = (dir / "pictures.yuv").string();
  {
    std::ofstream out(raw, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
  }

  std::printf(
      "640 x 272 yuv420p, %d distinct pictures, best of 5 passes of %d rounds; default "
      "kernel: %s\n\n",
      pictures, rounds, marlow::ConvertKernelName(marlow::ActiveConvertKernel()));

  // The machine is shared, so the anchor and our kernels are measured in
  // alternating passes and each keeps its best figure.
  struct Row {
    PixelFormat format;
    ConvertKernel kernel;
    double us;
  };
  std::vector<Row> rows;
  for (PixelFormat format : {PixelFormat::Bgr24BottomUp, PixelFormat::Xrgb32})
    for (ConvertKernel kernel :
         {ConvertKernel::Reference, ConvertKernel::Sse2, ConvertKernel::Ssse3, ConvertKernel::Avx2})
      if (marlow::ConvertKernelAvailable(kernel)) rows.push_back(Row{format, kernel, 1e30});
  double withConversion = 1e30, passThrough = 1e30;
  const std::string log = (dir / "ffmpeg.log").string();
  const int passes = 5;
  for (int pass = 0; pass < passes; ++pass) {
    const double a = FfmpegUserSeconds(raw, log, loops, "bgr24");
    const double b = FfmpegUserSeconds(raw, log, loops, "yuv420p");
    if (a >= 0) withConversion = std::min(withConversion, a);
    if (b >= 0) passThrough = std::min(passThrough, b);
    for (Row& row : rows) {
      const int r = row.kernel == ConvertKernel::Reference ? 1 : rounds;
      row.us = std::min(row.us, TimeKernel(row.kernel, row.format, data, pictures, r));
    }
  }
  const int frames = pictures * loops;
  double swscaleUs = -1;
  if (withConversion < 1e29 && passThrough < 1e29) {
    swscaleUs = (withConversion - passThrough) * 1e6 / frames;
    std::printf(
        "%-34s %10.1f us/picture %8.0f Mpixel/s  (ffmpeg user time, %d pictures: "
        "%.3f s with bgr24, %.3f s pass-through)\n",
        "swscale yuv420p->bgr24", swscaleUs, kPixels / swscaleUs, frames, withConversion,
        passThrough);
  } else {
    std::printf("swscale: ffmpeg could not be run\n");
  }

  std::printf("\n%-34s %10s %17s %12s\n", "converter", "us/picture", "Mpixel/s", "x swscale");
  for (const Row& row : rows) {
    const std::string name =
        std::string(FormatName(row.format)) + " " + marlow::ConvertKernelName(row.kernel);
    std::printf("%-34s %10.1f us/picture %8.0f Mpixel/s", name.c_str(), row.us, kPixels / row.us);
    if (swscaleUs > 0) std::printf(" %11.2fx", swscaleUs / row.us);
    std::printf("\n");
  }

  if (callgrind) {
    const int count = 10;
    const double swscaleIr = SwscaleInstructions(raw, dir.string(), std::min(count, pictures));
    std::printf("\ninstructions per picture (callgrind, %d pictures)\n", count);
    if (swscaleIr > 0)
      std::printf("%-34s %10.0f instructions/picture %6.2f per pixel\n", "swscale yuv420p->bgr24",
                  swscaleIr, swscaleIr / kPixels);
    else
      std::printf("%-34s did not run under callgrind\n", "swscale yuv420p->bgr24");
    for (PixelFormat format : {PixelFormat::Bgr24BottomUp, PixelFormat::Xrgb32}) {
      for (ConvertKernel kernel : {ConvertKernel::Reference, ConvertKernel::Sse2,
                                   ConvertKernel::Ssse3, ConvertKernel::Avx2}) {
        if (!marlow::ConvertKernelAvailable(kernel)) continue;
        const double ir = CallgrindInstructions(argv[0], dir.string(), kernel, format, count);
        const std::string name =
            std::string(FormatName(format)) + " " + marlow::ConvertKernelName(kernel);
        if (ir < 0)
          std::printf("%-34s valgrind failed\n", name.c_str());
        else {
          std::printf("%-34s %10.0f instructions/picture %6.2f per pixel", name.c_str(), ir,
                      ir / kPixels);
          if (swscaleIr > 0) std::printf(" %6.2fx swscale", ir / swscaleIr);
          std::printf("\n");
        }
      }
    }
  }
  std::filesystem::remove_all(dir);
  return 0;
}
