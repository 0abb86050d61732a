// recorder_standin: a recorder in place of the real one, on 127.0.0.1.
//   recorder_standin [--port N] [--password TEXT] [--login accept|pending|silent|garbage|
//                     refuse:CODE:REASON] [--pending N] [--frame-skip N] [--interval MS]
//                     [--no-audio]
//                    [--server-close MS] [--silent-after MS] [--drop-after PICTURES]
//                    [--trickle BYTES:MS] [--garbage MS] [--fault-sessions N]
//                    [--lifetime SECONDS] [--quiet]
// It prints what it does and ends after its lifetime (default 60 s) or on
// Ctrl+C.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/sync.h"
#include "tools/recorder_standin/recorder_standin.h"

namespace {

volatile std::sig_atomic_t g_interrupted = 0;
void OnSignal(int) {
  g_interrupted = 1;
}

int Usage() {
  std::fprintf(
      stderr,
      "usage: recorder_standin [--port N] [--password TEXT]\n"
      "  [--login accept|pending|silent|garbage|refuse:CODE:REASON] [--pending N]\n"
      "  [--frame-skip N] [--interval MS] [--no-audio] [--server-close MS] [--silent-after MS]\n"
      "  [--drop-after PICTURES] [--trickle BYTES:MS] [--garbage MS]\n"
      "  [--fault-sessions N] [--lifetime SECONDS] [--quiet]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  marlow::RecorderStandinOptions o;
  o.verbose = true;
  unsigned port = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
    auto number = [&]() -> unsigned long {
      ++i;
      return std::strtoul(v, nullptr, 10);
    };
    if (a == "--quiet") {
      o.verbose = false;
    } else if (a == "--no-audio") {
      o.audio = false;
    } else if (v == nullptr) {
      return Usage();
    } else if (a == "--port") {
      port = static_cast<unsigned>(number());
    } else if (a == "--password") {
      o.password = v;
      ++i;
    } else if (a == "--login") {
      const std::string m = v;
      ++i;
      unsigned code = 2, reason = 2;
      if (m == "accept")
        o.login = marlow::RecorderStandinOptions::Login::Accept;
      else if (m == "pending")
        o.login = marlow::RecorderStandinOptions::Login::PendingForever;
      else if (m == "silent")
        o.login = marlow::RecorderStandinOptions::Login::Silent;
      else if (m == "garbage")
        o.login = marlow::RecorderStandinOptions::Login::Garbage;
      else if (std::sscanf(m.c_str(), "refuse:%u:%u", &code, &reason) == 2) {
        o.login = marlow::RecorderStandinOptions::Login::Refuse;
        o.refuseCode = static_cast<uint16_t>(code);
        o.refuseReason = static_cast<uint16_t>(reason);
      } else {
        return Usage();
      }
    } else if (a == "--pending") {
      o.pendingBeforeAccept = static_cast<int>(number());
    } else if (a == "--interval") {
      o.pictureIntervalMs = static_cast<uint32_t>(number());
    } else if (a == "--frame-skip") {
      const unsigned long n = number();
      if (n > 127) {
        std::fprintf(stderr, "recorder_standin: --frame-skip %lu: must be 0..127\n", n);
        return 2;
      }
      o.frameSkip = static_cast<int>(n);
    } else if (a == "--server-close") {
      o.serverCloseAfterMs = static_cast<uint32_t>(number());
    } else if (a == "--silent-after") {
      o.silentAfterMs = static_cast<uint32_t>(number());
    } else if (a == "--drop-after") {
      o.dropAfterPictures = static_cast<uint32_t>(number());
    } else if (a == "--trickle") {
      unsigned bytes = 0, ms = 0;
      if (std::sscanf(v, "%u:%u", &bytes, &ms) != 2 || bytes == 0) return Usage();
      o.trickleBytes = bytes;
      o.trickleDelayMs = ms;
      ++i;
    } else if (a == "--garbage") {
      o.garbageMs = static_cast<uint32_t>(number());
    } else if (a == "--fault-sessions") {
      o.faultSessions = static_cast<int>(number());
    } else if (a == "--lifetime") {
      o.lifetimeMs = static_cast<uint32_t>(number() * 1000);
    } else {
      return Usage();
    }
  }
  marlow::RecorderStandin standin(o);
  if (port > 65535 || !standin.Listen(static_cast<uint16_t>(port))) {
    std::fprintf(stderr, "recorder_standin: cannot listen on 127.0.0.1:%u\n", port);
    return 1;
  }
  std::printf("recorder_standin: listening on 127.0.0.1:%u for %u s\n", standin.Port(),
              o.lifetimeMs / 1000);
  std::fflush(stdout);
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  standin.Start();
  while (!g_interrupted && standin.IsRunning()) marlow::platform::SleepMs(100);
  standin.Stop();
  const auto r = standin.Snapshot();
  std::printf("recorder_standin: %d sessions, %d logins, %u pictures, %u audio units, %zu keys\n",
              r.sessions, r.loginRequests, r.pictures, r.audioUnits, r.keys.size());
  return 0;
}
