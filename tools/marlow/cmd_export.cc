// marlow export: one video file per channel, every channel on its own
// thread. Natively through FFmpeg's libraries, on Windows through the
// system's AVI file interface.
#include <algorithm>
#include <atomic>
#include <cinttypes>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/sync.h"
#include "platform/terminal.h"
#include "tools/marlow/cli_common.h"
#include "tools/marlow/commands.h"
#include "tools/marlow/export_job.h"
#if MARLOW_HAVE_FFMPEG
#include "tools/marlow/video_file_writer.h"
#elif MARLOW_HAVE_AVI
#include "tools/marlow/avi_file_sink.h"
#endif

namespace marlow::cli {

namespace {

#if MARLOW_HAVE_FFMPEG
// Loaded from the module on the first export.
NewWriterFunction newWriter = nullptr;
struct FileWriter final : ExportSink {
  std::unique_ptr<VideoFileWriter> w{newWriter()};
  int Open(const std::string& f, int width, int height, uint64_t rate, uint64_t scale, bool audio,
           const EncoderSettings& s) {
    return w->Open(f, width, height, rate, scale, audio, s);
  }
  int Picture(const uint8_t* p, int width, int height) override {
    return w->Picture(p, width, height);
  }
  int Audio(const uint8_t* a, size_t n) override { return w->Audio(a, n); }
  int Finish() { return w->Finish(); }
  const std::string& error() const { return w->error(); }
};
#elif MARLOW_HAVE_AVI
using FileWriter = AviFileSink;
struct EncoderSettings {
  std::string container = "avi";
  std::string codec = "raw";
  int threads = 1;
};
#endif

#if MARLOW_HAVE_AVI && !MARLOW_HAVE_FFMPEG
const char kHelp[] =
    "usage: marlow export PATH --channels 1,3|all --out NAME [--from T] [--to T]\n"
    "                     [--audio] [--format avi] [--codec raw|FOURCC] [--jobs N]\n"
    "                     [--json] [--disk|--file]\n"
    "\n"
    "Writes one AVI file for each chosen channel that has pictures: NAME with -CH<n>\n"
    "before its extension (out.avi gives out-CH1.avi, out-CH3.avi; a file that would\n"
    "pass 2 GiB goes on in out-CH1-2.avi, ...). Pictures are doubled to full height\n"
    "and stamped with the recording's date and time; each channel is decoded onto a\n"
    "picture of its own, starting at its last full picture before the stretch, so\n"
    "every picture is exact. With --audio the recording's sound (8-bit PCM) goes into\n"
    "every file and sets the files' duration. Channels are written in parallel; a\n"
    "progress line shows on a terminal.\n"
    "\n"
    "  --channels LIST  channels 1-16, e.g. 1,3,5-8, or all\n"
    "  --from T, --to T stretch to export (\"YYYY-MM-DD HH:MM:SS\"; default: all)\n"
    "  --audio          put the sound into the files\n"
    "  --format F       avi (the only format of this build)\n"
    "  --codec C        raw (default: uncompressed 24-bit pictures) or the four-letter\n"
    "                   handler of an installed video compressor\n"
    "  --jobs N         channels written at once (default: the number of cores)\n"
    "  --json           list the files written as JSON\n"
    "\n"
    "Exit status: 0 ok, 1 nothing to export or a file failed, 2 bad usage or cannot\n"
    "read.\n";
#else
const char kHelp[] =
    "usage: marlow export PATH --channels 1,3|all --out NAME [--from T] [--to T]\n"
    "                     [--audio] [--format mp4|avi] [--codec h264|mjpeg|raw]\n"
    "                     [--crf N] [--preset P] [--jobs N] [--json] [--disk|--file]\n"
    "\n"
    "Writes one file for each chosen channel that has pictures: NAME with -CH<n>\n"
    "before its extension (out.mp4 gives out-CH1.mp4, out-CH3.mp4). Pictures are\n"
    "doubled to full height and stamped with the recording's date and time; each\n"
    "channel is decoded onto a picture of its own, starting at its last full picture\n"
    "before the stretch, so every picture is exact. With --audio the recording's\n"
    "sound goes into every file and sets the files' duration. Channels are encoded\n"
    "in parallel; a progress line shows on a terminal.\n"
    "\n"
    "  --channels LIST  channels 1-16, e.g. 1,3,5-8, or all\n"
    "  --from T, --to T stretch to export (\"YYYY-MM-DD HH:MM:SS\"; default: all)\n"
    "  --audio          put the sound into the files\n"
    "  --format F       mp4 (default) or avi\n"
    "  --codec C        h264 (default in mp4: libx264), mjpeg (default in avi) or raw\n"
    "                   (uncompressed BGR, avi only)\n"
    "  --crf N          H.264 quality, 0-51 (default 15)\n"
    "  --preset P       H.264 speed preset (default veryfast)\n"
    "  --jobs N         channels encoded at once (default: the number of cores)\n"
    "  --json           list the files written as JSON\n"
    "\n"
    "Exit status: 0 ok, 1 nothing to export or a file failed, 2 bad usage or cannot\n"
    "read.\n";
#endif

}  // namespace

int RunExport(int argc, char** argv) {
  Args args;
  std::string error;
  if (!ParseArgs(argc, argv,
                 {"channels", "out", "from", "to", "format", "codec", "crf", "preset", "jobs"},
                 {"audio", "json", "disk", "file", "help"}, &args, &error))
    return Fail("export", kExitCannot, "%s (see marlow export --help)", error.c_str());
  if (args.Has("help")) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
#if !MARLOW_HAVE_FFMPEG && !MARLOW_HAVE_AVI
  return Fail("export", kExitCannot,
              "export is not available in this build (it has no video file writer); use the "
              "viewer's Export To AVI, or the Linux build of marlow");
#else
  if (args.positional.size() != 1)
    return Fail("export", kExitCannot, "expects one PATH (see marlow export --help)");
  uint16_t mask = 0;
  if (!args.Has("channels"))
    return Fail("export", kExitCannot, "--channels LIST is required (1,3 or all)");
  if (!ParseChannelList(args.Get("channels"), &mask, &error))
    return Fail("export", kExitCannot, "--channels: %s", error.c_str());
  if (!args.Has("out")) return Fail("export", kExitCannot, "--out NAME is required");
  EncoderSettings s;
#if MARLOW_HAVE_FFMPEG
  s.container = args.Get("format", "mp4");
  if (s.container != "mp4" && s.container != "avi")
    return Fail("export", kExitCannot, "--format is mp4 or avi, not %s", s.container.c_str());
  s.codec = args.Get("codec", s.container == "mp4" ? "h264" : "mjpeg");
  if (s.codec != "h264" && s.codec != "mjpeg" && s.codec != "raw")
    return Fail("export", kExitCannot, "--codec is h264, mjpeg or raw, not %s", s.codec.c_str());
  if (s.codec == "raw" && s.container != "avi")
    return Fail("export", kExitCannot, "raw pictures go into avi files only (--format avi)");
  uint64_t v = 0;
  if (args.Has("crf")) {
    if (!ParseUnsigned(args.Get("crf"), 51, &v)) return Fail("export", kExitCannot, "--crf 0-51");
    s.crf = static_cast<int>(v);
  }
  s.preset = args.Get("preset", "veryfast");
  newWriter = LoadFfmpegWriter(&error);
  if (!newWriter)
    return Fail("export", kExitCannot, "cannot load the video writer: %s", error.c_str());
#else
  s.container = args.Get("format", "avi");
  if (s.container != "avi")
    return Fail("export", kExitCannot, "this build writes avi files only, not %s",
                s.container.c_str());
  s.codec = args.Get("codec", "raw");
  std::string compressor;
  if (!UseAviCompressor(s.codec, &compressor))
    return Fail("export", kExitCannot, "--codec %s: no installed video compressor has it",
                s.codec.c_str());
#endif
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  uint64_t jobs = cores;
  if (args.Has("jobs") && (!ParseUnsigned(args.Get("jobs"), 64, &jobs) || jobs == 0))
    return Fail("export", kExitCannot, "--jobs wants a number 1-64");
  uint32_t from = 0, to = 0;
  if (args.Has("from") && !ParseTimeText(args.Get("from"), &from))
    return Fail("export", kExitCannot, "--from wants a time \"YYYY-MM-DD HH:MM:SS\"");
  if (args.Has("to") && !ParseTimeText(args.Get("to"), &to))
    return Fail("export", kExitCannot, "--to wants a time \"YYYY-MM-DD HH:MM:SS\"");
  if (args.Has("from") && args.Has("to") && to < from)
    return Fail("export", kExitCannot, "--to lies before --from");
  const std::string path = args.positional[0];
  RecordingIndex index;
  if (!OpenInput("export", args, path, &index)) return kExitCannot;

  {
    uint64_t b = 0;
    BlockHeader h;
    if (!index.FirstValidFrom(0, index.Blocks(), &b, &h))
      return Fail("export", kExitCannot, "%s: not a recording (no block with a valid header)",
                  path.c_str());
  }
  // The stretch: blocks from the first time >= from up to the first > to.
  uint64_t startBlock = 0, endBlock = index.Blocks();
  auto locate = [&](uint32_t t, uint64_t* block) {
    TimeHit hit;
    int r = index.FindTimeByBisection(t, &hit);
    if (r < 0) {
      std::fprintf(stderr, "marlow export: times are not in order; scanning for %s\n",
                   TimeText(t).c_str());
      r = index.FindTimeByScan(t, &hit);
    }
    if (r > 0) *block = hit.block;
    return r > 0;
  };
  if (args.Has("from") && !locate(from, &startBlock))
    return Fail("export", kExitProblems, "--from %s is after the end of the recording",
                TimeText(from).c_str());
  if (args.Has("to")) locate(to + 1, &endBlock);
  if (endBlock <= startBlock)
    return Fail("export", kExitProblems, "the stretch from --from to --to holds no blocks");

  ExportPlan plan;
  if (!PlanExport(index, path, mask, args.Get("out"), startBlock, endBlock, &plan, &error))
    return Fail("export", kExitProblems, "%s", error.c_str());
  const bool withAudio = args.Has("audio") && plan.hasAudio;
  if (args.Has("audio") && !plan.hasAudio)
    std::fprintf(stderr, "marlow export: the recording has no sound in the stretch\n");

  std::vector<int> channels;
  for (int c = 0; c < 16; ++c)
    if (plan.channels[c].exported) channels.push_back(c);
  const unsigned workers = static_cast<unsigned>(std::min<uint64_t>(jobs, channels.size()));
  s.threads = static_cast<int>(std::max(1u, cores / workers));

  struct Result {
    int64_t pictures = -1;
    std::string error;
    std::vector<std::string> parts;  // further files of a channel past 2 GiB
  };
  std::vector<Result> results(16);
  std::atomic<size_t> next{0};
  std::atomic<uint64_t> blocksDone{0};
  std::atomic<uint64_t> picturesDone{0};
  uint64_t totalBlocks = 0, totalPictures = 0;
  for (int c : channels) {
    totalBlocks += plan.endBlock - plan.channels[c].decodeFrom;
    totalPictures += plan.channels[c].pictures;
  }
  // Counts pictures for the progress line on the way to the writer.
  struct Counting final : ExportSink {
    ExportSink* inner;
    std::atomic<uint64_t>* count;
    int Picture(const uint8_t* p, int w, int h) override {
      ++*count;
      return inner->Picture(p, w, h);
    }
    int Audio(const uint8_t* a, size_t n) override { return inner->Audio(a, n); }
  };
  auto work = [&]() {
    for (size_t i; (i = next++) < channels.size();) {
      const int c = channels[i];
      const ChannelPlan& p = plan.channels[c];
#if MARLOW_HAVE_AVI && !MARLOW_HAVE_FFMPEG
      AviThreadScope aviScope;
#endif
      FileWriter writer;
      Result& r = results[c];
      if (!writer.Open(p.file, static_cast<int>(p.width), 2 * static_cast<int>(p.height), p.rate,
                       p.scale, withAudio
#if MARLOW_HAVE_FFMPEG
                       ,
                       s
#endif
                       )) {
        r.error = writer.error();
        continue;
      }
      Counting counting;
      counting.inner = &writer;
      counting.count = &picturesDone;
      r.pictures = RunChannelExport(plan, c, withAudio, &counting, &blocksDone);
      if (r.pictures < 0) r.error = writer.error().empty() ? "reading failed" : writer.error();
      if (!writer.Finish() && r.error.empty()) r.error = writer.error();
#if MARLOW_HAVE_AVI && !MARLOW_HAVE_FFMPEG
      if (writer.Files().size() > 1)
        r.parts.assign(writer.Files().begin() + 1, writer.Files().end());
#endif
      if (!r.error.empty()) r.pictures = -1;
    }
  };
  const bool tty = platform::IsTerminal(stderr);
  const uint32_t t0 = platform::TickMs();
  std::vector<std::thread> threads;
  for (unsigned k = 0; k < workers; ++k) threads.emplace_back(work);
  if (tty) {
    while (next.load() < channels.size() + workers) {
      // Done when every worker has asked for work past the end.
      bool busy = false;
      for (int c : channels) busy |= results[c].pictures < 0 && results[c].error.empty();
      if (!busy) break;
      platform::SleepMs(250);
      const double secs = (platform::TickMs() - t0) / 1000.0;
      const double done = totalPictures ? double(picturesDone.load()) / totalPictures : 0;
      const double pps = secs > 0 ? picturesDone.load() / secs : 0;
      const double left = done > 0 ? secs * (1 - done) / done : 0;
      std::fprintf(stderr, "\r%5.1f%%  %6.0f pictures/s  %4.0f s left ", 100 * done, pps, left);
    }
    std::fputs("\r                                          \r", stderr);
  }
  for (auto& t : threads) t.join();
  const double secs = (platform::TickMs() - t0) / 1000.0;

  int failed = 0;
  if (args.Has("json")) {
    JsonWriter j(stdout);
    j.BeginObject();
    j.String("path", path);
    j.String("format", s.container);
    j.String("codec", s.codec == "h264" ? "h264 (libx264)" : s.codec);
    j.Bool("audio", withAudio);
    j.Number("seconds", secs);
    j.BeginArray("files");
    for (int c : channels) {
      const ChannelPlan& p = plan.channels[c];
      j.BeginObject();
      j.Integer("channel", static_cast<uint64_t>(c + 1));
      j.String("file", p.file);
      j.Integer("width", p.width);
      j.Integer("height", 2 * p.height);
      j.Integer("pictures",
                results[c].pictures < 0 ? 0 : static_cast<uint64_t>(results[c].pictures));
      j.Number("pictures_per_second", double(p.rate) / double(p.scale));
      j.Bool("exact_from_start", p.exact);
      if (!results[c].parts.empty()) {
        j.BeginArray("parts");
        for (const std::string& f : results[c].parts) j.String(nullptr, f);
        j.EndArray();
      }
      if (!results[c].error.empty()) j.String("error", results[c].error);
      j.EndObject();
    }
    j.EndArray();
    j.EndObject();
    j.Finish();
  }
  for (int c : channels) {
    const ChannelPlan& p = plan.channels[c];
    if (results[c].pictures < 0) {
      ++failed;
      std::fprintf(stderr, "marlow export: %s: %s\n", p.file.c_str(), results[c].error.c_str());
    } else if (!args.Has("json")) {
      std::printf("%s  %ux%u  %" PRId64 " pictures  %.3f pictures/s%s\n", p.file.c_str(), p.width,
                  2 * p.height, results[c].pictures, double(p.rate) / double(p.scale),
                  withAudio ? "  with sound" : "");
      for (const std::string& f : results[c].parts) std::printf("  continued in %s\n", f.c_str());
    }
  }
  if (!args.Has("json"))
    std::printf("exported %zu channels in %.2f s (%s, %s)\n", channels.size() - failed, secs,
                s.container.c_str(), s.codec == "h264" ? "H.264 through libx264" : s.codec.c_str());
  return failed ? kExitProblems : kExitOk;
#endif
}

}  // namespace marlow::cli
