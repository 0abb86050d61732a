// kvrdump: lists the units of a recording, forwards or backwards, as the
// viewer's source reads them.
//
//   kvrdump [-r] [-d] [-p position] [-n count] [-v variant] file
//     -r  read backwards from the end (or from -p)
//     -d  the file is a recorder disk or disk image (disk byte order)
//     -p  start at this byte position
//     -n  stop after this many lines (units and broken-block stops)
//     -v  stream variant (channel bits: 0 takes bits 2..0, others 3..0)
//
// One line per unit: index, kind, channel, length (video: whole unit;
// audio: samples), block time, frame skip, channel mask, and the source's
// position after the read. Reads that end at a broken block print a line
// of their own; the listing goes on after the block.
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "recording/recording_source.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: kvrdump [-r] [-d] [-p position] [-n count] [-v variant] file\n");
  return 2;
}

int Bad(const char* option, const char* value, const char* range) {
  std::fprintf(stderr, "kvrdump: %s %s: must be %s\n", option, value, range);
  return 2;
}

// A whole unsigned number (decimal, or hex with 0x) no larger than max.
bool ParseCount(const char* text, uint64_t max, uint64_t* out) {
  if (!text || !*text || *text == '-' || *text == '+' || *text == ' ') return false;
  char* end = nullptr;
  errno = 0;
  const unsigned long long v = std::strtoull(text, &end, 0);
  if (errno != 0 || end == text || *end != '\0' || v > max) return false;
  *out = v;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  bool backward = false, disk = false, havePos = false;
  uint64_t start = 0, limit = UINT64_MAX;
  int variant = 4;
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (!std::strcmp(a, "-r")) {
      backward = true;
    } else if (!std::strcmp(a, "-d")) {
      disk = true;
    } else if (!std::strcmp(a, "-p") && i + 1 < argc) {
      if (!ParseCount(argv[++i], UINT64_MAX, &start))
        return Bad(a, argv[i], "a byte position (0 or more)");
      havePos = true;
    } else if (!std::strcmp(a, "-n") && i + 1 < argc) {
      if (!ParseCount(argv[++i], UINT64_MAX, &limit) || limit == 0)
        return Bad(a, argv[i], "a count of 1 or more");
    } else if (!std::strcmp(a, "-v") && i + 1 < argc) {
      uint64_t v = 0;
      if (!ParseCount(argv[++i], 9, &v)) return Bad(a, argv[i], "a stream variant 0..9");
      variant = static_cast<int>(v);
    } else if (a[0] == '-' || path) {
      return Usage();
    } else {
      path = a;
    }
  }
  if (!path) return Usage();

  marlow::RecordingSource src;
  if (!src.OpenSource(path, disk)) {
    std::fprintf(stderr, "kvrdump: cannot open %s\n", path);
    return 1;
  }
  src.SetStreamVariant(variant);
  const uint64_t size = src.Size();
  if (havePos) {
    if (start >= size) {
      std::fprintf(stderr, "kvrdump: -p %llu: the recording has %llu bytes\n",
                   static_cast<unsigned long long>(start), static_cast<unsigned long long>(size));
      return 2;
    }
    src.SetPosition(start);
  } else if (backward && size > 0) {
    src.SetPosition(size - 1);
  }
  std::printf("# %s: %" PRIu64 " bytes, %" PRIu64 " blocks, reading %s from %" PRIu64 "\n", path,
              size, size / marlow::kBlockSize, backward ? "backwards" : "forwards", src.Position());
  std::printf("%7s %-6s %3s %7s %-19s %4s %6s %12s\n", "index", "kind", "ch", "length", "time",
              "skip", "mask", "position");

  std::vector<uint8_t> buf(marlow::kMaxUnitBytes);
  uint64_t units = 0, video = 0, audio = 0, broken = 0;
  // -n bounds every line, broken-block stops too: an image of nothing but
  // invalid blocks would otherwise list them all, whatever -n says.
  while (units + broken < limit) {
    const uint64_t before = src.Position();
    const uint32_t n = backward ? src.ReadBackward(buf.data()) : src.ReadForward(buf.data());
    if (!src.LastReadFoundUnit()) {
      const uint64_t after = src.Position();
      if (after == before || (backward && after == 0)) break;  // end of data
      ++broken;
      std::printf("%7s %-6s %3s %7s %-19s %4s %6s %12" PRIu64 "\n", "-", "broken", "-", "-", "-",
                  "-", "-", after);
      continue;
    }
    marlow::EncodedFrame f;
    src.Describe(&f);
    const char* kind = "audio";
    if (f.kind == marlow::UnitKind::kVideo) {
      kind = (n > 3 && buf[3] == 0xF9) ? "full" : "update";
      ++video;
    } else {
      ++audio;
    }
    std::printf("%7" PRIu64 " %-6s %3d %7u %04u-%02u-%02u %02u:%02u:%02u %4d 0x%04X %12" PRIu64
                "\n",
                units, kind, f.channel, n, f.time.year, f.time.month, f.time.day, f.time.hour,
                f.time.minute, f.time.second, f.frameSkip, f.channelMask, src.Position());
    ++units;
  }
  std::printf("# %" PRIu64 " units (%" PRIu64 " video, %" PRIu64 " audio), %" PRIu64
              " broken-block stops\n",
              units, video, audio, broken);
  return 0;
}
