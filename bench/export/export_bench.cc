// Export throughput under Wine: one 4-camera 60-second recording exported
// uncompressed at full speed (no wait per unit), and the stages of the
// writing pass measured alone on the same pictures, so the figures show
// where the time goes. run_export_bench.sh runs it beside ffmpeg's own raw
// AVI writing of as many frames of the same size.
//
// Usage: export_bench WORKDIR (a Unix path; the files are removed after).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "display/pixel_convert.h"
#include "export/avi_exporter.h"
#include "export/height_doubling.h"
#include "tests/export/export_recordings.h"

namespace marlow {
namespace {

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

LARGE_INTEGER Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t;
}

std::string WindowsPath(const std::string& unix) {
  std::string out = "Z:" + unix;
  for (char& c : out) {
    if (c == '/') c = '\\';
  }
  return out;
}

void Row(const char* what, double seconds, uint64_t pictures, uint64_t bytes) {
  std::printf("%-34s %8.2f s %9.1f pictures/s %9.1f MB/s\n", what, seconds,
              static_cast<double>(pictures) / seconds, static_cast<double>(bytes) / seconds / 1e6);
}

int Main(const std::string& dir) {
  RecordingPlan plan;
  plan.channels = 4;
  plan.height = 272;
  plan.seconds = 60;
  plan.picturesPerSecond = 12;
  plan.fullEvery = 12;
  plan.sound = TestSound::kTone;
  const std::string input = WindowsPath(dir + "/bench.kvr");
  if (!test::WriteRecording(plan, input)) return 2;

  // The whole export: counting pass and files, then the writing pass.
  AviExporter exporter;
  exporter.SetUnitWait(0);
  exporter.SetAudio(true);
  exporter.OpenInput(input.c_str());
  const LARGE_INTEGER t0 = Now();
  if (!exporter.Prepare(WindowsPath(dir + "/bench.avi"))) return 3;
  const LARGE_INTEGER t1 = Now();
  exporter.Start();
  while (!exporter.IsDone()) Sleep(1);
  exporter.Stop();
  const LARGE_INTEGER t2 = Now();
  uint64_t pictures = 0, bytes = 0;
  for (int c = 0; c < kExportChannels; ++c) {
    pictures += exporter.PicturesWritten(c);
    for (const std::string& f : exporter.Writer(c).Files()) {
      WIN32_FILE_ATTRIBUTE_DATA d;
      if (GetFileAttributesExA(f.c_str(), GetFileExInfoStandard, &d)) {
        bytes += (static_cast<uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
      }
      DeleteFileA(f.c_str());
    }
  }
  const uint32_t frameBytes = exporter.Count().imageSize;
  std::printf("pictures %llu of %u x %u, %u bytes each\n",
              static_cast<unsigned long long>(pictures), exporter.Count().width,
              exporter.Count().height, frameBytes);
  Row("export (count + write), wait 0", Seconds(t0, t2), pictures, bytes);
  Row("  counting pass and files", Seconds(t0, t1), pictures, 0);
  Row("  writing pass", Seconds(t1, t2), pictures, bytes);

  // The stages alone: read and decode, conversion, doubling, AVI writes.
  RecordingSource source;
  source.OpenSource(input.c_str(), false);
  VideoDecoder decoder;
  decoder.Reset(4);
  std::vector<uint8_t> unit(kMaxUnitBytes), planes(16 * 414720, 0), colour(622080),
      doubled(1244160);
  UnitReadLoop loop;
  uint32_t length = 0;
  uint64_t decoded = 0;
  LARGE_INTEGER a = Now();
  while (loop.Next(source, unit.data(), &length)) {
    if (!source.LastReadFoundUnit() || source.LastIsAudio()) continue;
    if (!decoder.ParseHeader(unit.data(), length)) continue;
    DecodedPicture p;
    p.planes = planes.data() + 414720 * decoder.Channel();
    if (decoder.Decode(unit.data(), length, &p)) ++decoded;
  }
  LARGE_INTEGER b = Now();
  Row("  read and decode", Seconds(a, b), decoded, 0);
  a = Now();
  for (uint64_t k = 0; k < decoded; ++k) {
    ConvertPicture(PixelFormat::Bgr24BottomUp, colour.data(), 640 * 3,
                   planes.data() + 414720 * (k % 4), 640, 272);
  }
  b = Now();
  Row("  conversion to 24 bits", Seconds(a, b), decoded, 0);
  a = Now();
  for (uint64_t k = 0; k < decoded; ++k) {
    DoubleHeight(colour.data(), 640 * 272 * 3, 640, 272, doubled.data(), 640 * 544 * 3);
  }
  b = Now();
  Row("  height doubling", Seconds(a, b), decoded, 0);
  {
    AviThreadScope avi;
    AviChannelWriter writer;
    AviPictureFormat format;
    format.width = 640;
    format.height = 544;
    format.imageSize = frameBytes;
    const std::string name = WindowsPath(dir + "/writes.avi");
    writer.Open(name);
    writer.CreateStreams(StreamRate{50, 4}, &format, nullptr);
    a = Now();
    for (uint32_t k = 0; k < decoded; ++k) writer.WriteVideo(k, doubled.data());
    writer.Close();
    b = Now();
    for (const std::string& f : writer.Files()) DeleteFileA(f.c_str());
    Row("  AVI writes alone (one file)", Seconds(a, b), decoded, decoded * frameBytes);
  }
  std::printf("frames %llu\n", static_cast<unsigned long long>(pictures));
  DeleteFileA(input.c_str());
  return 0;
}

}  // namespace
}  // namespace marlow

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  return marlow::Main(argv[1]);
}
