// playkvr: plays a recording through the playback engine without a window.
// Prints a line for each picture shown (channel, time, tick), can save every
// n-th picture as a BMP file, at a chosen speed and direction. Sound goes to
// a simulated device that plays in real time, so recordings with sound are
// paced by their sound as in the viewer.
//
//   playkvr [options] RECORDING
//     --speed X        playing speed 0.1 .. 16 (default 1); 16 and more jumps
//     --reverse        play backwards from the end
//     --seconds N      stop after N seconds (default: at the end)
//     --bmp-every N    save every N-th picture ...
//     --bmp-dir DIR    ... into DIR (default .)
//     --channels N     the recorder's channel count (default 16)
//     --disk           the recording is a recorder disk (or an image of one)
//     --quiet          print only the summary
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/playback_engine.h"
#include "platform/file.h"
#include "platform/sync.h"
#include "tools/playkvr/console_display.h"
#include "tools/playkvr/simulated_sound.h"

namespace {

constexpr double kMaxSeconds = 86400;

struct Options {
  const char* path = nullptr;
  double speed = 1.0;
  bool reverse = false;
  double seconds = 0;
  int bmpEvery = 0;
  std::string bmpDir = ".";
  bool bmpDirGiven = false;
  int channels = 16;
  bool disk = false;
  bool quiet = false;
};

int Usage() {
  std::fprintf(stderr,
               "usage: playkvr [--speed X] [--reverse] [--seconds N] [--bmp-every N]\n"
               "               [--bmp-dir DIR] [--channels N] [--disk] [--quiet] RECORDING\n");
  return 2;
}

// A finite number in [min, max], the whole text.
bool ParseNumber(const char* text, double min, double max, double* out) {
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  if (end == text || *end != '\0' || !std::isfinite(v) || v < min || v > max) return false;
  *out = v;
  return true;
}

bool ParseWhole(const char* text, long min, long max, int* out) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || v < min || v > max) return false;
  *out = static_cast<int>(v);
  return true;
}

// Reads the options; on a bad one prints what is wrong and returns false.
bool Parse(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    const bool takesValue = !std::strcmp(a, "--speed") || !std::strcmp(a, "--seconds") ||
                            !std::strcmp(a, "--bmp-every") || !std::strcmp(a, "--bmp-dir") ||
                            !std::strcmp(a, "--channels");
    if (takesValue && i + 1 >= argc) {
      std::fprintf(stderr, "playkvr: %s needs a value\n", a);
      return false;
    }
    const char* v = takesValue ? argv[++i] : nullptr;
    auto bad = [&](const char* range) {
      std::fprintf(stderr, "playkvr: %s %s: must be %s\n", a, v, range);
      return false;
    };
    if (!std::strcmp(a, "--speed")) {
      if (!ParseNumber(v, 0.1, 16, &o->speed)) return bad("a speed from 0.1 to 16");
    } else if (!std::strcmp(a, "--reverse")) {
      o->reverse = true;
    } else if (!std::strcmp(a, "--seconds")) {
      // Up to a day: the tick counts milliseconds in 32 bits (49 days).
      if (!ParseNumber(v, 0.001, kMaxSeconds, &o->seconds))
        return bad("a time from 0.001 to 86400 seconds");
    } else if (!std::strcmp(a, "--bmp-every")) {
      if (!ParseWhole(v, 1, 1000000, &o->bmpEvery)) return bad("a count from 1 to 1000000");
    } else if (!std::strcmp(a, "--bmp-dir")) {
      o->bmpDir = v;
      o->bmpDirGiven = true;
    } else if (!std::strcmp(a, "--channels")) {
      if (!ParseWhole(v, 1, 16, &o->channels)) return bad("a channel count from 1 to 16");
    } else if (!std::strcmp(a, "--disk")) {
      o->disk = true;
    } else if (!std::strcmp(a, "--quiet")) {
      o->quiet = true;
    } else if (a[0] != '-' && !o->path) {
      o->path = a;
    } else {
      std::fprintf(stderr, "playkvr: unknown option or second recording: %s\n", a);
      return false;
    }
  }
  if (!o->path) {
    std::fprintf(stderr, "playkvr: no recording given\n");
    return false;
  }
  return true;
}

// True when dir is a folder that takes files: the pictures would otherwise
// be lost one by one without a word.
bool FolderTakesFiles(const std::string& dir) {
  const std::string probe = dir + "/.playkvr_probe";
  marlow::platform::File f;
  if (!f.CreateNew(probe.c_str()) && !f.Create(probe.c_str())) return false;
  f.Close();
  marlow::platform::RemoveFile(probe.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace marlow;
  Options o;
  if (!Parse(argc, argv, &o)) return Usage();
  if ((o.bmpEvery || o.bmpDirGiven) && !FolderTakesFiles(o.bmpDir)) {
    std::fprintf(stderr, "playkvr: --bmp-dir %s: no such folder, or it cannot be written\n",
                 o.bmpDir.c_str());
    return 2;
  }

  Clock& clock = SystemClock();
  ConsoleDisplay display(clock, o.quiet ? nullptr : stdout, o.bmpEvery, o.bmpDir);
  SimulatedSound sound(clock);
  PlaybackEngine engine(display, sound, clock);
  engine.Initialize(4, o.channels);
  engine.SwitchMode(kModePlayer, 4, o.channels);
  engine.SetSpeed(o.speed);
  if (!engine.OpenAndPlay(o.path, o.disk ? 1 : 0)) {
    std::fprintf(stderr, "playkvr: cannot open %s\n", o.path);
    return 1;
  }
  // The thread starts by posting Play to itself; commands given before that
  // would be replaced by it.
  for (int i = 0; i < 500 && engine.State() == PlayState::Ready; ++i) platform::SleepMs(1);
  if (o.reverse) {
    engine.Pause();
    engine.Seek(engine.Size() > 8192 ? engine.Size() - 8192 : 0);
    platform::SleepMs(20);
    engine.PlayReverse(o.speed);
  } else if (o.speed != 1.0) {
    engine.Play(o.speed);
  }

  // Play until the engine pauses at the end (or the time is up).
  const uint32_t start = clock.NowMs();
  const uint32_t limit = o.seconds > 0 ? static_cast<uint32_t>(o.seconds * 1000) : 0xFFFFFFFFu;
  platform::SleepMs(50);
  while (clock.NowMs() - start < limit && engine.State() != PlayState::Pause) platform::SleepMs(10);
  const uint32_t elapsed = clock.NowMs() - start;
  engine.Close();

  if (o.bmpEvery && display.SaveFailures() != 0) {
    std::fprintf(stderr, "playkvr: %u pictures could not be saved in %s\n", display.SaveFailures(),
                 o.bmpDir.c_str());
  }
  std::printf("played %u pictures in %.2f s (%s, speed %.1f, sound %llu bytes)", display.Shown(),
              elapsed / 1000.0, o.reverse ? "reverse" : "forward", engine.Speed(),
              static_cast<unsigned long long>(sound.Written()));
  for (int c = 0; c < 16; ++c) {
    if (display.ShownOfChannel(c)) std::printf("  CH%d:%u", c + 1, display.ShownOfChannel(c));
  }
  if (o.bmpEvery) std::printf("  saved %u BMP files", display.Saved());
  std::printf("\n");
  return o.bmpEvery && display.SaveFailures() != 0 ? 1 : 0;
}
