// makekvr: writes a synthetic test recording (.KVR, or a disk image in disk
// byte order). Run with --help for the options.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/file.h"
#include "recording/block_format.h"
#include "tools/makekvr/recording_maker.h"
#include "tools/streamkit/stream_builder.h"

namespace {

const char kUsage[] =
    "usage: makekvr [options] --out PATH\n"
    "  --out PATH            file to write (required)\n"
    "  --channels N          cameras 1..16 (default 4)\n"
    "  --height H            224 or 272 (width 640; default 272)\n"
    "  --seconds S           length in seconds (default 10)\n"
    "  --fps N               pictures per second per channel, 1..30 (default 5); made\n"
    "                        exact as a recorder sends them: 80 pictures a second in all\n"
    "                        at 272 lines, 60 at 224, / (frame skip + 1), shared by the\n"
    "                        channels in turn\n"
    "  --full-every N        a full picture every N pictures (default 10)\n"
    "  --q N                 quantiser scale 1..14 (default 4)\n"
    "  --frame-skip N        write this frame skip into the block headers instead of\n"
    "                        the one that matches the pictures (odd recordings)\n"
    "  --mask HEX            channel mask for the headers (default: from --channels)\n"
    "  --drop-channel-at S   the last channel stops S seconds in\n"
    "  --sound KIND          none, tone or speech (default tone)\n"
    "  --audio-channel N     audio channel 0..3 (default 0)\n"
    "  --audio-unit N        samples per audio unit (default 500 = 62.5 ms)\n"
    "  --start-time SECONDS  time of the first block, seconds since 1970\n"
    "  --break-block LIST    comma-separated block numbers whose check is spoiled\n"
    "  --truncate BYTES      cut the file to this many bytes\n"
    "  --disk-order          exchange the bytes of every 16-bit word (disk image)\n";

bool ParseInt(const char* text, long min, long max, long* out, int base = 10) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, base);
  if (end == text || *end != '\0' || v < min || v > max) return false;
  *out = v;
  return true;
}

int Fail(const char* what, const char* detail) {
  std::fprintf(stderr, "makekvr: %s%s%s\n", what, detail ? ": " : "", detail ? detail : "");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  marlow::RecordingPlan plan;
  const char* out = nullptr;
  long truncate = -1;
  bool diskOrder = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (a == "--disk-order") {
      diskOrder = true;
      continue;
    }
    if (i + 1 >= argc) return Fail("missing value after", argv[i]);
    const char* v = argv[++i];
    long n = 0;
    bool ok = true;
    if (a == "--out") {
      out = v;
    } else if (a == "--channels") {
      ok = ParseInt(v, 1, 16, &n) && ((plan.channels = static_cast<int>(n)), true);
    } else if (a == "--height") {
      ok = ParseInt(v, 224, 272, &n) && (n == 224 || n == 272) &&
           ((plan.height = static_cast<int>(n)), true);
    } else if (a == "--seconds") {
      plan.seconds = std::atof(v);
      ok = plan.seconds > 0;
    } else if (a == "--fps") {
      ok = ParseInt(v, 1, 30, &n) && ((plan.picturesPerSecond = static_cast<int>(n)), true);
    } else if (a == "--full-every") {
      ok = ParseInt(v, 1, 100000, &n) && ((plan.fullEvery = static_cast<int>(n)), true);
    } else if (a == "--q") {
      ok = ParseInt(v, 1, 14, &n) && ((plan.qscale = static_cast<int>(n)), true);
    } else if (a == "--frame-skip") {
      ok = ParseInt(v, 0, 127, &n) && ((plan.frameSkip = static_cast<int>(n)), true);
    } else if (a == "--mask") {
      ok = ParseInt(v, 0, 0xFFFF, &n, 16) && ((plan.maskOverride = static_cast<int>(n)), true);
    } else if (a == "--drop-channel-at") {
      plan.dropLastChannelAt = std::atof(v);
    } else if (a == "--sound") {
      const std::string k = v;
      if (k == "none")
        plan.sound = marlow::TestSound::kSilence;
      else if (k == "tone")
        plan.sound = marlow::TestSound::kTone;
      else if (k == "speech")
        plan.sound = marlow::TestSound::kSpeech;
      else
        ok = false;
    } else if (a == "--audio-channel") {
      ok = ParseInt(v, 0, 3, &n) && ((plan.audioChannel = static_cast<int>(n)), true);
    } else if (a == "--audio-unit") {
      ok = ParseInt(v, 1, 4000, &n) && ((plan.audioUnitSamples = static_cast<size_t>(n)), true);
    } else if (a == "--start-time") {
      ok = ParseInt(v, 0, 0x7FFFFFFF, &n) && ((plan.startTime = static_cast<uint32_t>(n)), true);
    } else if (a == "--break-block") {
      std::string list = v;
      size_t at = 0;
      while (ok && at <= list.size()) {
        const size_t comma = list.find(',', at);
        const std::string item =
            list.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        ok = ParseInt(item.c_str(), 0, 0x7FFFFFFF, &n);
        if (ok) plan.brokenBlocks.push_back(static_cast<size_t>(n));
        if (comma == std::string::npos) break;
        at = comma + 1;
      }
    } else if (a == "--truncate") {
      ok = ParseInt(v, 0, 0x7FFFFFFF, &truncate);
    } else {
      return Fail("unknown option", argv[i - 1]);
    }
    if (!ok) return Fail("bad value for", argv[i - 1]);
  }
  if (!out) return Fail("no output file (--out PATH)", nullptr);

  marlow::streamkit::StreamBuilder builder;
  marlow::RecordingStats stats;
  const char* error = nullptr;
  if (!marlow::MakeRecording(plan, &builder, &stats, &error)) return Fail(error, nullptr);

  std::vector<uint8_t> bytes = builder.Bytes();
  if (truncate >= 0 && static_cast<size_t>(truncate) < bytes.size()) {
    bytes.resize(static_cast<size_t>(truncate));
  }
  if (diskOrder) marlow::SwapWordBytes(bytes.data(), bytes.size());
  marlow::platform::File file;
  if (!file.Create(out) || !file.Write(bytes.data(), bytes.size())) {
    return Fail("cannot write", out);
  }
  std::printf(
      "%s: %zu bytes, %zu blocks, %d pictures (%d full, largest %zu bytes), %d audio units\n"
      "  frame skip %d: a picture every %.2f ms, %.3g a second per channel\n",
      out, bytes.size(), (bytes.size() + 4095) / 4096, stats.pictures, stats.fullPictures,
      stats.largestPicture, stats.audioUnits, stats.frameSkip, stats.pictureSpacingUs / 1000.0,
      stats.channelRate);
  return 0;
}
