// The whole export under Wine: makes recordings, exports them through the
// real AVI file interface and writes, for every file, what an independent
// reader must find in it (a manifest line and the expected pictures and
// sound), which check_exports.py then verifies with ffprobe and ffmpeg.
//
// Usage: export_probe CASE WORKDIR (WORKDIR a Unix path; see kCases).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "display/pixel_convert.h"
#include "export/avi_exporter.h"
#include "export/export_names.h"
#include "export/height_doubling.h"
#include "tests/export/export_recordings.h"

namespace marlow {
namespace {

std::string WindowsPath(const std::string& unix) {
  std::string out = "Z:" + unix;
  for (char& c : out) {
    if (c == '/') c = '\\';
  }
  return out;
}

std::string UnixPath(const std::string& windows) {
  std::string out = windows.substr(2);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

FILE* manifest = nullptr;
int failures = 0;

void Check(const char* name, bool ok) {
  std::fprintf(manifest, "{\"check\":\"%s\",\"ok\":%s}\n", name, ok ? "true" : "false");
  if (!ok) {
    std::fprintf(stderr, "FAILED: %s\n", name);
    ++failures;
  }
}

// Our own reading of a recording: per channel, the converted and doubled
// pictures (top-down rows, as a decoder of the files gives them) and the
// sound each file should carry.
struct Reference {
  std::vector<std::vector<uint8_t>> frames[kExportChannels];
  std::vector<uint8_t> audio[kExportChannels];
};

void ReadReference(const std::string& input, int variant, uint16_t mask, bool keepFrames,
                   Reference* out) {
  RecordingSource source;
  source.OpenSource(input.c_str(), false);
  source.SetStreamVariant(variant);
  VideoDecoder decoder;
  std::vector<uint8_t> unit(kMaxUnitBytes);
  ExportCount count;
  CountRecording(source, decoder, unit.data(), mask, variant, &count);
  decoder.Reset(variant);
  std::vector<std::vector<uint8_t>> planes(kExportChannels);
  const size_t luma = 640u * count.height / 2;
  for (auto& p : planes) {
    p.assign(kMaxPictureBytes, 128);
    std::memset(p.data(), 0, luma);
  }
  std::vector<uint8_t> colour(640 * 272 * 3), doubled(640 * 544 * 3);
  UnitReadLoop loop;
  uint32_t length = 0;
  while (loop.Next(source, unit.data(), &length)) {
    if (!source.LastReadFoundUnit()) continue;
    if (source.LastIsAudio()) {
      const int a = source.LastChannel();
      for (int c = 0; c < kExportChannels; ++c) {
        if (variant == 5 && !(a == c || (a == 0 && c >= 4))) continue;
        out->audio[c].insert(out->audio[c].end(), unit.begin(), unit.begin() + length);
      }
      continue;
    }
    if (!decoder.ParseHeader(unit.data(), length)) continue;
    const int c = decoder.Channel();
    if (!(mask & (1u << c))) continue;
    DecodedPicture picture;
    picture.planes = planes[c].data();
    if (!decoder.Decode(unit.data(), length, &picture)) continue;
    const unsigned w = decoder.Width(), h = decoder.Height();
    if (2 * h != count.height) continue;
    if (!keepFrames) {
      out->frames[c].emplace_back();
      continue;
    }
    ConvertPicture(PixelFormat::Bgr24BottomUp, colour.data(), w * 3, picture.planes, w, h);
    DoubleHeightReference(colour.data(), w * h * 3, w, h, doubled.data(), w * h * 6);
    std::vector<uint8_t> topDown(w * h * 6);
    const size_t row = w * 3;
    for (unsigned r = 0; r < 2 * h; ++r) {
      std::memcpy(topDown.data() + r * row, doubled.data() + (2 * h - 1 - r) * row, row);
    }
    out->frames[c].push_back(std::move(topDown));
  }
}

void WriteBytes(const std::string& unixPath, const void* data, size_t n) {
  FILE* f = std::fopen(WindowsPath(unixPath).c_str(), "wb");
  if (f) {
    std::fwrite(data, 1, n, f);
    std::fclose(f);
  }
}

struct ExportSetup {
  RecordingPlan plan;
  int variant = 4;
  uint16_t mask = 0xFFFF;
  bool audio = true;
  bool preview = true;
  uint32_t waitMs = 0;
  uint64_t limit = 0;          // 0: the interface's own limit
  long truncateAt = -1;        // cut the recording file to this many bytes
  uint32_t cancelAfterMs = 0;  // Stop the pass this long after Start
  bool writeFrames = true;     // the expected pictures (off for huge cases)
};

HWND PreviewWindow() {
  static HWND window = CreateWindowExA(0, "STATIC", "export preview", WS_OVERLAPPED | WS_VISIBLE, 0,
                                       0, 336, 300, nullptr, nullptr, nullptr, nullptr);
  return window;
}

// Exports setup's recording into dir and writes the manifest lines.
void RunExport(const std::string& dir, const ExportSetup& setup) {
  const std::string input = WindowsPath(dir + "/input.kvr");
  if (!test::WriteRecording(setup.plan, input)) {
    Check("recording made", false);
    return;
  }
  if (setup.truncateAt >= 0) {
    HANDLE f = CreateFileA(input.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER at;
    at.QuadPart = setup.truncateAt;
    SetFilePointerEx(f, at, nullptr, FILE_BEGIN);
    SetEndOfFile(f);
    CloseHandle(f);
  }
  Reference ref;
  ReadReference(input, setup.variant, setup.mask, setup.writeFrames, &ref);

  AviExporter exporter;
  exporter.SetChannels(setup.mask);
  exporter.SetAudio(setup.audio);
  exporter.SetVariant(setup.variant);
  exporter.SetUnitWait(setup.waitMs);
  if (setup.preview) exporter.SetPreview(PreviewWindow());
  if (setup.limit) exporter.SetFileLimit(setup.limit);
  const std::string output = WindowsPath(dir + "/out.avi");
  Check("input opens", exporter.OpenInput(input.c_str()) == 1);
  Check("prepare", exporter.Prepare(output) == 1);
  Check("start", exporter.Start() == 1);
  if (setup.cancelAfterMs) {
    Sleep(setup.cancelAfterMs);
    exporter.Stop();
  } else {
    while (!exporter.IsDone()) Sleep(5);
    exporter.Stop();
  }
  Check("done", exporter.IsDone());

  const AviAudioFormat audio = AudioFormatForVariant(setup.variant);
  const bool withAudio = setup.audio && exporter.HasAudio();
  bool anyCut = false;
  for (int c = 0; c < kExportChannels; ++c) {
    const AviChannelWriter& w = exporter.Writer(c);
    if (w.Files().empty()) {
      Check("no file without pictures", ref.frames[c].empty() || !(setup.mask & (1u << c)));
      continue;
    }
    const uint32_t written = w.PicturesWritten();
    if (w.Failed()) Check("writer did not fail", false);
    if (setup.cancelAfterMs) {
      anyCut = anyCut || written < ref.frames[c].size();
    } else if (written != ref.frames[c].size()) {
      Check("every picture written", false);
    }
    const std::string base = dir + "/expect-CH" + std::to_string(c + 1);
    if (setup.writeFrames) {
      FILE* f = std::fopen(WindowsPath(base + ".raw").c_str(), "wb");
      for (uint32_t k = 0; k < written && k < ref.frames[c].size(); ++k) {
        std::fwrite(ref.frames[c][k].data(), 1, ref.frames[c][k].size(), f);
      }
      std::fclose(f);
    }
    const std::vector<uint8_t>& sound = ref.audio[c];
    if (withAudio && !setup.cancelAfterMs) WriteBytes(base + ".pcm", sound.data(), sound.size());
    const StreamRate rate = ChannelFileRate(exporter.Count(), c, audio);
    const StampBox box = exporter.LastStampBox();
    std::fprintf(manifest, "{\"channel\":%d,\"files\":[", c + 1);
    for (size_t k = 0; k < w.Files().size(); ++k) {
      std::fprintf(manifest, "%s\"%s\"", k ? "," : "", UnixPath(w.Files()[k]).c_str());
    }
    std::fprintf(manifest,
                 "],\"frames\":%u,\"width\":%u,\"height\":%u,\"rate\":%u,\"scale\":%u,"
                 "\"expect\":%s,",
                 written, exporter.Count().width, exporter.Count().height, rate.rate, rate.scale,
                 setup.writeFrames ? ("\"" + base + ".raw\"").c_str() : "null");
    if (withAudio) {
      std::fprintf(manifest, "\"audio\":{\"codec\":\"%s\",\"rate\":%u,\"pcm\":%s},",
                   audio.formatTag == 1 ? "pcm_u8" : "pcm_alaw", audio.samplesPerSecond,
                   setup.cancelAfterMs ? "null" : ("\"" + base + ".pcm\"").c_str());
    } else {
      std::fprintf(manifest, "\"audio\":null,");
    }
    if (setup.preview) {
      std::fprintf(manifest, "\"box\":[%d,%d,%d,%d],", box.left, box.top, box.right, box.bottom);
    } else {
      std::fprintf(manifest, "\"box\":null,");
    }
    std::fprintf(
        manifest, "\"limit\":%llu}\n",
        static_cast<unsigned long long>(setup.limit ? setup.limit : AviChannelWriter::kFileLimit));
  }
  if (setup.cancelAfterMs) Check("cancel cut the pass short", anyCut);
}

RecordingPlan Plan(int channels, int height, double seconds, int fps) {
  RecordingPlan p;
  p.channels = channels;
  p.height = height;
  p.seconds = seconds;
  p.picturesPerSecond = fps;
  p.fullEvery = 4;
  p.sound = TestSound::kSilence;
  return p;
}

int RunCase(const std::string& name, const std::string& dir) {
  ExportSetup s;
  if (name == "four_224_sound") {
    // Interleaved channels with update pictures, sound on audio channel 0.
    s.plan = Plan(4, 224, 3, 5);
    s.plan.sound = TestSound::kTone;
    RunExport(dir, s);
  } else if (name == "sixteen_272_quiet") {
    // 16 cameras with sound but "Audio" off, and no preview (no stamp).
    s.plan = Plan(16, 272, 1, 3);
    s.plan.sound = TestSound::kSpeech;
    s.audio = false;
    s.preview = false;
    RunExport(dir, s);
  } else if (name == "variant3_damaged") {
    // A-law 13183 Hz; sound only on audio channel 2; frame skip 1; a
    // selected channel without pictures (7); two channels not selected;
    // broken blocks.
    s.plan = Plan(4, 272, 3, 4);
    s.plan.sound = TestSound::kTone;
    s.plan.audioChannel = 2;
    s.plan.frameSkip = 1;
    s.plan.brokenBlocks = {3, 9, 10};
    s.variant = 3;
    s.mask = (1u << 1) | (1u << 2) | (1u << 6);
    RunExport(dir, s);
  } else if (name == "variant0") {
    s.plan = Plan(2, 224, 2, 5);
    s.plan.headerLayout = 1;
    s.plan.sound = TestSound::kTone;
    s.variant = 0;
    RunExport(dir, s);
  } else if (name == "variant5") {
    s.plan = Plan(1, 272, 2, 5);
    s.plan.headerLayout = 3;
    s.plan.sound = TestSound::kTone;
    s.variant = 5;
    RunExport(dir, s);
  } else if (name == "truncated") {
    s.plan = Plan(2, 224, 3, 5);
    s.plan.sound = TestSound::kTone;
    s.truncateAt = 40000;
    RunExport(dir, s);
  } else if (name == "parts") {
    // Files end before a (small) limit and go on in "-2", "-3", ...
    s.plan = Plan(1, 272, 6, 10);
    s.plan.sound = TestSound::kTone;
    s.limit = 20u << 20;
    RunExport(dir, s);
  } else if (name == "parts_real_limit") {
    // Past the interface's own 2 GiB: about 2100 uncompressed pictures.
    s.plan = Plan(1, 272, 70, 30);
    s.plan.fullEvery = 30;
    s.preview = false;
    s.writeFrames = false;
    RunExport(dir, s);
  } else if (name == "cancel") {
    s.plan = Plan(4, 224, 4, 5);
    s.plan.sound = TestSound::kTone;
    s.waitMs = AviExporter::kDialogUnitWaitMs;
    s.cancelAfterMs = 400;
    RunExport(dir, s);
  } else if (name == "full_disk") {
    // out-CH2.avi is a link to /dev/full (made by the checking script).
    s.plan = Plan(3, 224, 2, 5);
    const std::string input = WindowsPath(dir + "/input.kvr");
    test::WriteRecording(s.plan, input);
    AviExporter exporter;
    exporter.SetUnitWait(0);
    Check("input opens", exporter.OpenInput(input.c_str()) == 1);
    Check("prepare", exporter.Prepare(WindowsPath(dir + "/out.avi")) == 1);
    exporter.Start();
    while (!exporter.IsDone()) Sleep(5);
    exporter.Stop();
    Check("full disk marks its writer failed", exporter.Writer(1).Failed());
    for (int c : {0, 2}) {
      const uint32_t n = exporter.Writer(c).PicturesWritten();
      Check("the others go on",
            !exporter.Writer(c).Failed() && n > 0 && n == exporter.Count().pictures[c]);
      std::fprintf(manifest, "{\"whole\":\"%s/out-CH%d.avi\",\"frames\":%u}\n", dir.c_str(), c + 1,
                   n);
    }
  } else if (name == "bad_input") {
    AviExporter exporter;
    Check("missing input refused", exporter.OpenInput(WindowsPath(dir + "/none.kvr").c_str()) == 0);
    const std::string text = dir + "/text.kvr";
    const std::string words(20000, 'x');
    WriteBytes(text, words.data(), words.size());
    Check("not a recording opens", exporter.OpenInput(WindowsPath(text).c_str()) == 1);
    Check("not a recording: nothing to export",
          exporter.Prepare(WindowsPath(dir + "/text.avi")) == 0);
    s.plan = Plan(2, 224, 1, 5);
    const std::string input = WindowsPath(dir + "/input.kvr");
    test::WriteRecording(s.plan, input);
    Check("input opens", exporter.OpenInput(input.c_str()) == 1);
    Check("unwritable folder refused",
          exporter.Prepare(WindowsPath(dir + "/no/such/folder/out.avi")) == 0);
    // out-CH2.avi is a folder: the first file is made, the second is not.
    CreateDirectoryA(WindowsPath(dir + "/out-CH2.avi").c_str(), nullptr);
    Check("second file refused", exporter.Prepare(WindowsPath(dir + "/out.avi")) == 0);
    Check("nothing half-made left", GetFileAttributesA(WindowsPath(dir + "/out-CH1.avi").c_str()) ==
                                            INVALID_FILE_ATTRIBUTES &&
                                        !exporter.Writer(0).IsOpen());
  } else {
    std::fprintf(stderr, "unknown case %s\n", name.c_str());
    return 2;
  }
  return failures ? 1 : 0;
}

}  // namespace
}  // namespace marlow

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: export_probe CASE WORKDIR\n");
    return 2;
  }
  const std::string dir = argv[2];
  marlow::manifest = std::fopen(marlow::WindowsPath(dir + "/manifest.jsonl").c_str(), "w");
  if (!marlow::manifest) return 2;
  const int rc = marlow::RunCase(argv[1], dir);
  std::fclose(marlow::manifest);
  return rc;
}
