// ddns_standin: a dynamic-address server in place of the real one, on
// 127.0.0.1.
//   ddns_standin [--port N] [--silent] [--lifetime SECONDS] NAME=A.B.C.D:PORT ...
// It prints every lookup and ends after its lifetime (default 60 s) or on
// Ctrl+C.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/socket.h"
#include "platform/sync.h"
#include "tools/ddns_standin/ddns_standin.h"

namespace {

volatile std::sig_atomic_t g_interrupted = 0;
void OnSignal(int) {
  g_interrupted = 1;
}

int Usage() {
  std::fprintf(stderr,
               "usage: ddns_standin [--port N] [--silent] [--lifetime SECONDS] "
               "NAME=A.B.C.D:PORT ...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  unsigned port = 0;
  unsigned long lifetime = 60;
  bool silent = false;
  struct Name {
    std::string name;
    marlow::platform::Ipv4Address address;
    unsigned port;
  };
  std::vector<Name> names;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--silent") {
      silent = true;
    } else if ((a == "--port" || a == "--lifetime") && i + 1 < argc) {
      const unsigned long v = std::strtoul(argv[++i], nullptr, 10);
      if (a == "--port")
        port = static_cast<unsigned>(v);
      else
        lifetime = v;
    } else {
      const size_t eq = a.find('='), colon = a.rfind(':');
      Name n;
      if (eq == std::string::npos || colon == std::string::npos || colon < eq) return Usage();
      n.name = a.substr(0, eq);
      n.port = static_cast<unsigned>(std::strtoul(a.c_str() + colon + 1, nullptr, 10));
      if (!marlow::platform::ParseDottedAddress(a.substr(eq + 1, colon - eq - 1).c_str(),
                                                &n.address) ||
          n.port > 65535) {
        return Usage();
      }
      names.push_back(n);
    }
  }
  marlow::DdnsStandin standin(static_cast<uint32_t>(lifetime * 1000), true);
  for (const Name& n : names) {
    standin.AddName(n.name, n.address.bytes, static_cast<uint16_t>(n.port));
  }
  standin.SetSilent(silent);
  if (port > 65535 || !standin.Listen(static_cast<uint16_t>(port))) {
    std::fprintf(stderr, "ddns_standin: cannot listen on 127.0.0.1:%u\n", port);
    return 1;
  }
  std::printf("ddns_standin: listening on 127.0.0.1:%u for %lu s, %zu names\n", standin.Port(),
              lifetime, names.size());
  std::fflush(stdout);
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  standin.Start();
  while (!g_interrupted && standin.IsRunning()) marlow::platform::SleepMs(100);
  standin.Stop();
  std::printf("ddns_standin: %d lookups\n", standin.Queries());
  return 0;
}
