// marlow frames: the pictures of one channel at a recorder time, decoded
// from that channel's last full picture before it, as BMP (and PNG) files.
#include <cinttypes>
#include <memory>
#include <string>

#include "codec/video_decoder.h"
#include "display/pixel_convert.h"
#include "platform/file.h"
#include "recording/recording_source.h"
#include "tools/marlow/cli_common.h"
#include "tools/marlow/commands.h"
#include "tools/marlow/export_job.h"
#include "tools/marlow/image_files.h"

namespace marlow::cli {

namespace {

const char kHelp[] =
    "usage: marlow frames PATH --channel C --at \"YYYY-MM-DD HH:MM:SS\" --out DIR\n"
    "                     [--count N] [--every S] [--png] [--scan] [--json] [--disk|--file]\n"
    "\n"
    "Writes the pictures of camera channel C (1-16) from the recorder time given on:\n"
    "the first picture of the channel at or after that time, then the next N-1\n"
    "pictures (or, with --every, one picture every S seconds). The time is found by\n"
    "bisection over the block times (by a scan of every block where the times are\n"
    "not in order, which is said on stderr), and decoding starts at the channel's\n"
    "last full picture before it, so every picture is exact.\n"
    "\n"
    "  --count N    pictures to write (default 1)\n"
    "  --every S    seconds between the pictures written (default 0: consecutive)\n"
    "  --png        also write PNG files (native build)\n"
    "  --scan       find the time by a scan of every block instead of bisection\n"
    "  --json       list the files written as JSON\n"
    "\n"
    "Files are named CH<C>_<YYYYMMDD>_<HHMMSS>_<n>.bmp in DIR.\n"
    "Exit status: 0 ok, 1 the time or channel has no pictures, 2 bad usage or\n"
    "cannot read.\n";

// How far back the channel's last full picture is looked for.
constexpr uint64_t kMaxBackBytes = 256ull << 20;
// A first picture later than this after the time asked means the recording
// does not cover it (the recorder was not recording then).
constexpr uint32_t kToleranceSeconds = 2;

struct Written {
  std::string path;
  uint32_t time;
  uint64_t position;
};

std::string FileStem(const std::string& dir, int channel, uint32_t time, int n) {
  const TimeRecord t = BreakDownTime(time);
  char buf[96];
  std::snprintf(buf, sizeof buf, "/CH%d_%04u%02u%02u_%02u%02u%02u_%03d", channel + 1, t.year,
                t.month, t.day, t.hour, t.minute, t.second, n);
  return dir + buf;
}

}  // namespace

int RunFrames(int argc, char** argv) {
  Args args;
  std::string error;
  if (!ParseArgs(argc, argv, {"channel", "at", "count", "every", "out"},
                 {"png", "scan", "json", "disk", "file", "help"}, &args, &error))
    return Fail("frames", kExitCannot, "%s (see marlow frames --help)", error.c_str());
  if (args.Has("help")) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  if (args.positional.size() != 1)
    return Fail("frames", kExitCannot, "expects one PATH (see marlow frames --help)");
  uint64_t channel1 = 0, count = 1, every = 0;
  uint32_t at = 0;
  if (!args.Has("channel") || !ParseUnsigned(args.Get("channel"), 99, &channel1) || channel1 < 1 ||
      channel1 > 16)
    return Fail("frames", kExitCannot, "--channel wants a channel 1-16%s%s",
                args.Has("channel") ? ", not " : "", args.Get("channel").c_str());
  if (!args.Has("at") || !ParseTimeText(args.Get("at"), &at))
    return Fail("frames", kExitCannot, "--at wants a time \"YYYY-MM-DD HH:MM:SS\"%s%s",
                args.Has("at") ? ", not " : "", args.Get("at").c_str());
  if (args.Has("count") && (!ParseUnsigned(args.Get("count"), 1000000, &count) || count == 0))
    return Fail("frames", kExitCannot, "--count wants a number 1-1000000");
  if (args.Has("every") && !ParseUnsigned(args.Get("every"), 86400 * 366, &every))
    return Fail("frames", kExitCannot, "--every wants a number of seconds");
  if (!args.Has("out")) return Fail("frames", kExitCannot, "--out DIR is required");
  const std::string dir = args.Get("out");
  if (platform::ProbePath(dir.c_str()) != platform::PathKind::kDirectory)
    return Fail("frames", kExitCannot, "--out %s is not a folder", dir.c_str());
  const bool png = args.Has("png");
  if (png && !PngAvailable())
    return Fail("frames", kExitCannot, "PNG files are not available in this build (BMP only)");
  const int channel = static_cast<int>(channel1) - 1;
  const std::string path = args.positional[0];

  RecordingIndex index;
  if (!OpenInput("frames", args, path, &index)) return kExitCannot;
  TimeHit hit;
  int found = 0;
  const char* how = "bisection";
  if (!args.Has("scan")) found = index.FindTimeByBisection(at, &hit);
  if (found < 0 || args.Has("scan")) {
    if (found < 0)
      std::fprintf(stderr,
                   "marlow frames: the recording's times are not in order; scanning every "
                   "block for %s\n",
                   TimeText(at).c_str());
    how = "scan";
    found = index.FindTimeByScan(at, &hit);
  }
  BlockHeader h1, h2;
  uint64_t b1 = 0, b2 = 0;
  const bool ends = index.FirstValidFrom(0, index.Blocks(), &b1, &h1) &&
                    index.LastValidBefore(0, index.Blocks(), &b2, &h2);
  if (!ends)
    return Fail("frames", kExitCannot, "%s: not a recording (no block with a valid header)",
                path.c_str());
  if (!found)
    return Fail("frames", kExitProblems, "%s is not in the recording (it runs from %s to %s)",
                TimeText(at).c_str(), TimeText(h1.time).c_str(), TimeText(h2.time).c_str());

  RecordingSource src;
  if (!src.OpenSource(path.c_str(), index.Order() == ByteOrder::kDisk))
    return Fail("frames", kExitCannot, "%s: cannot be read", path.c_str());
  src.SetStreamVariant(4);
  std::vector<uint8_t> unit(kMaxUnitBytes + 8);

  // Back to the channel's last full picture before the block found.
  const uint64_t hitOffset = hit.block * kBlockSize;
  uint64_t fullBlock = 0;
  const bool haveFull = FindFullPictureBefore(path, index.Order() == ByteOrder::kDisk, hitOffset,
                                              channel, kMaxBackBytes, &fullBlock);
  const uint64_t startBlock =
      haveFull
          ? fullBlock * kBlockSize
          : (hitOffset >= kMaxBackBytes ? hitOffset - kMaxBackBytes : 0) / kBlockSize * kBlockSize;
  if (!haveFull)
    std::fprintf(stderr,
                 "marlow frames: no full picture of CH%d before %s; the first pictures may "
                 "be incomplete\n",
                 channel + 1, TimeText(at).c_str());

  // Forwards: decode every picture of the channel onto its one picture.
  VideoDecoder decoder;
  decoder.Reset(4);
  std::unique_ptr<uint8_t[]> planes(new uint8_t[kMaxPictureBytes]());
  std::unique_ptr<uint8_t[]> bgr(new uint8_t[static_cast<size_t>(BmpRowBytes(640)) * 272]);
  src.SetPosition(startBlock);
  bool seenFull = !haveFull;
  uint32_t want = at, lastBefore = 0;
  bool haveBefore = false;
  std::vector<Written> written;
  int sameSecond = 0;
  uint32_t lastSecond = 0;
  while (written.size() < count) {
    const uint64_t before = src.Position();
    const uint32_t n = src.ReadForward(unit.data());
    if (!src.LastReadFoundUnit()) {
      if (src.Position() == before) break;  // end of the recording
      continue;
    }
    if (src.LastIsAudio() || src.LastChannel() != channel) continue;
    const uint64_t unitStart = src.Position();
    if (!seenFull && unit[3] != 0xF9) continue;
    seenFull = true;
    if (!decoder.ParseHeader(unit.data(), n)) continue;
    DecodedPicture pic;
    pic.planes = planes.get();
    if (!decoder.Decode(unit.data(), n, &pic)) continue;
    TimeRecord tr = src.BlockTime();
    const uint32_t t = SecondsFromTime(tr);
    if (t < want) {
      if (written.empty()) {
        haveBefore = true;
        lastBefore = t;
      }
      continue;
    }
    if (written.empty() && t > at + kToleranceSeconds) {
      std::string near = haveBefore
                             ? "the nearest are at " + TimeText(lastBefore) + " and " + TimeText(t)
                             : "the first one after it is at " + TimeText(t);
      return Fail("frames", kExitProblems, "no picture of CH%d at %s; %s", channel + 1,
                  TimeText(at).c_str(), near.c_str());
    }
    const int w = static_cast<int>(decoder.Width()), hgt = static_cast<int>(decoder.Height());
    if (!ConvertPicture(PixelFormat::Bgr24BottomUp, bgr.get(), BmpRowBytes(w), planes.get(), w,
                        hgt))
      continue;
    sameSecond = (t == lastSecond && !written.empty()) ? sameSecond + 1 : 0;
    lastSecond = t;
    const std::string stem = FileStem(dir, channel, t, sameSecond);
    if (!WriteBmp24File((stem + ".bmp").c_str(), bgr.get(), w, hgt))
      return Fail("frames", kExitCannot, "cannot write %s.bmp", stem.c_str());
    if (png && !WritePngFile((stem + ".png").c_str(), bgr.get(), w, hgt))
      return Fail("frames", kExitCannot, "cannot write %s.png", stem.c_str());
    written.push_back({stem + ".bmp", t, unitStart});
    if (every) want = t - (t - at) % static_cast<uint32_t>(every) + static_cast<uint32_t>(every);
  }
  if (written.empty())
    return Fail("frames", kExitProblems, "no picture of CH%d at or after %s", channel + 1,
                TimeText(at).c_str());

  if (args.Has("json")) {
    JsonWriter j(stdout);
    j.BeginObject();
    j.String("path", path);
    j.Integer("channel", channel1);
    j.String("at", TimeText(at));
    j.String("found_by", how);
    j.Integer("block", hit.block);
    j.Bool("from_full_picture", haveFull);
    j.BeginArray("pictures");
    for (const Written& w : written) {
      j.BeginObject();
      j.String("file", w.path);
      j.String("time", TimeText(w.time));
      j.Integer("position", w.position);
      j.EndObject();
    }
    j.EndArray();
    j.EndObject();
    j.Finish();
  } else {
    for (const Written& w : written)
      std::printf("%s  %s\n", w.path.c_str(), TimeText(w.time).c_str());
  }
  if (written.size() < count)
    std::fprintf(stderr, "marlow frames: the recording ended after %zu of %" PRIu64 " pictures\n",
                 written.size(), count);
  return kExitOk;
}

}  // namespace marlow::cli
