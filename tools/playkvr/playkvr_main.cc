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
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/playback_engine.h"
#include "platform/sync.h"
#include "tools/playkvr/console_display.h"
#include "tools/playkvr/simulated_sound.h"

namespace {

struct Options {
  const char* path = nullptr;
  double speed = 1.0;
  bool reverse = false;
  double seconds = 0;
  int bmpEvery = 0;
  std::string bmpDir = ".";
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

bool Parse(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    const char* v = nullptr;
    if (!std::strcmp(a, "--speed") && (v = value())) {
      o->speed = std::atof(v);
    } else if (!std::strcmp(a, "--reverse")) {
      o->reverse = true;
    } else if (!std::strcmp(a, "--seconds") && (v = value())) {
      o->seconds = std::atof(v);
    } else if (!std::strcmp(a, "--bmp-every") && (v = value())) {
      o->bmpEvery = std::atoi(v);
    } else if (!std::strcmp(a, "--bmp-dir") && (v = value())) {
      o->bmpDir = v;
    } else if (!std::strcmp(a, "--channels") && (v = value())) {
      o->channels = std::atoi(v);
    } else if (!std::strcmp(a, "--disk")) {
      o->disk = true;
    } else if (!std::strcmp(a, "--quiet")) {
      o->quiet = true;
    } else if (a[0] != '-' && !o->path) {
      o->path = a;
    } else {
      return false;
    }
  }
  return o->path && o->channels >= 1 && o->channels <= 16;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace marlow;
  Options o;
  if (!Parse(argc, argv, &o)) return Usage();

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

  std::printf("played %u pictures in %.2f s (%s, speed %.1f, sound %llu bytes)", display.Shown(),
              elapsed / 1000.0, o.reverse ? "reverse" : "forward", engine.Speed(),
              static_cast<unsigned long long>(sound.Written()));
  for (int c = 0; c < 16; ++c) {
    if (display.ShownOfChannel(c)) std::printf("  CH%d:%u", c + 1, display.ShownOfChannel(c));
  }
  if (o.bmpEvery) std::printf("  saved %u BMP files", display.Saved());
  std::printf("\n");
  return 0;
}
