// Starts MarlowViewer.exe on a recording in a working folder of its own and
// shows it for a while, as the run command does on a screen without a user:
//   viewer_run [--seconds N] [--shot FILE.png] [--repeat] [--startup-runs N] RECORDING
// plays for N seconds (default 4), saves a screenshot of the window and
// closes the viewer through Exit (--repeat: with repeat play on). With --startup-runs it instead
// starts the viewer N times and prints the time from start to the first picture (the status line
// showing a picture's time) of each run and their median.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/win32_test_driver.h"
#include "tests/viewer_app/viewer_session.h"

using namespace marlow::test;

namespace {

constexpr int kExit = 32777;

bool ShowsPicture(ViewerSession& s) {
  const std::string status = s.Status();
  return status.compare(0, 4, "PLAY") == 0 && status.find('/') != std::string::npos;
}

std::string WindowsPath(std::string path) {
  if (path.size() > 1 && path[0] == '/') path = "Z:" + path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = 4, startupRuns = 0;
  bool repeat = false;
  std::string shot, recording;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc) {
      seconds = std::atoi(argv[++i]);
    } else if (!std::strcmp(argv[i], "--shot") && i + 1 < argc) {
      shot = WindowsPath(argv[++i]);
    } else if (!std::strcmp(argv[i], "--repeat")) {
      repeat = true;
    } else if (!std::strcmp(argv[i], "--startup-runs") && i + 1 < argc) {
      startupRuns = std::atoi(argv[++i]);
    } else {
      recording = WindowsPath(argv[i]);
    }
  }
  if (recording.empty()) {
    std::fprintf(stderr, "usage: viewer_run [--seconds N] [--shot FILE] [--startup-runs N] FILE\n");
    return 2;
  }
  if (startupRuns > 0) {
    std::vector<DWORD> times;
    for (int run = 0; run < startupRuns; ++run) {
      ViewerSession s("viewer_run_startup");
      const DWORD start = GetTickCount();
      if (!s.Start("\"" + recording + "\"")) return 1;
      if (!WaitUntil([&] { return ShowsPicture(s); }, 20000)) return 1;
      times.push_back(GetTickCount() - start);
      std::printf("start-up to first picture, run %d: %lu ms\n", run + 1,
                  static_cast<unsigned long>(times.back()));
      s.EndWith(kExit);
    }
    std::sort(times.begin(), times.end());
    std::printf("median: %lu ms\n", static_cast<unsigned long>(times[times.size() / 2]));
    return 0;
  }
  ViewerSession s("viewer_run",
                  repeat ? std::vector<std::string>{"Repeat=1"} : std::vector<std::string>{});
  if (!s.Start("\"" + recording + "\"")) {
    std::fprintf(stderr, "the viewer's window did not show\n");
    return 1;
  }
  std::printf("viewer process %lu\n", static_cast<unsigned long>(s.ProcessId()));
  std::fflush(stdout);
  WaitUntil([&] { return ShowsPicture(s); }, 10000);
  Settle(seconds * 1000);
  std::printf("status: %s\n", s.Status().c_str());
  if (!shot.empty()) {
    const Image image = CaptureWindow(s.Window());
    if (!SavePng(image, shot)) std::fprintf(stderr, "could not save %s\n", shot.c_str());
  }
  if (!s.EndWith(kExit)) {
    std::fprintf(stderr, "the viewer did not end through Exit\n");
    return 1;
  }
  std::printf("closed through Exit\n");
  return 0;
}
