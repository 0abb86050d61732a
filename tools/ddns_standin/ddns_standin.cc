#include "tools/ddns_standin/ddns_standin.h"

#include <cstdio>
#include <cstring>

#include "tests/support/protocol_peer.h"

namespace marlow {

DdnsStandin::DdnsStandin(uint32_t lifetimeMs, bool verbose)
    : lifetimeMs_(lifetimeMs), verbose_(verbose) {}

DdnsStandin::~DdnsStandin() {
  Stop();
}

bool DdnsStandin::Listen(uint16_t port) {
  platform::StartSockets();
  const platform::Ipv4Address loopback = {{127, 0, 0, 1}};
  if (!listener_.Open() || !listener_.Listen(loopback, port, 4)) return false;
  port_ = listener_.LocalPort();
  return port_ != 0;
}

void DdnsStandin::AddName(const std::string& name, const uint8_t address[4], uint16_t port) {
  Entry e;
  std::memcpy(e.address, address, 4);
  e.port = port;
  names_[name.substr(0, kDdnsNameSize)] = e;
}

int DdnsStandin::Queries() {
  std::lock_guard<std::mutex> hold(lock_);
  return static_cast<int>(asked_.size());
}

std::vector<std::string> DdnsStandin::NamesAsked() {
  std::lock_guard<std::mutex> hold(lock_);
  return asked_;
}

void DdnsStandin::Serve(platform::Socket& client) {
  uint8_t query[64];
  size_t have = 0;
  const uint32_t start = platform::TickMs();
  while (have < kDdnsQuerySize && platform::TickMs() - start < 3000 && !StopEvent().IsSet()) {
    if (client.WaitReadable(50) != 1) continue;
    const int n = client.Receive(query + have, sizeof query - have);
    if (n <= 0) return;
    have += static_cast<size_t>(n);
  }
  std::string name;
  if (!ReadDdnsQuery(query, have, &name)) {
    if (verbose_) std::printf("ddns: not a query (%zu bytes)\n", have);
    return;
  }
  {
    std::lock_guard<std::mutex> hold(lock_);
    asked_.push_back(name);
  }
  if (silent_) {
    if (verbose_) std::printf("ddns: \"%s\" asked, staying silent\n", name.c_str());
    while (!StopEvent().IsSet() && client.WaitReadable(50) == 0) {
    }
    return;
  }
  const auto found = names_.find(name);
  if (found == names_.end()) {
    const char refusal[] = "UNKNOWN NAME";
    client.SendAll(refusal, sizeof refusal - 1);
    if (verbose_) std::printf("ddns: \"%s\" unknown, refused\n", name.c_str());
    return;
  }
  uint8_t answer[kDdnsAnswerSize];
  EncodeDdnsAnswer(found->second.address, found->second.port, answer);
  client.SendAll(answer, sizeof answer);
  if (verbose_) {
    const uint8_t* a = found->second.address;
    std::printf("ddns: \"%s\" is %u.%u.%u.%u:%u\n", name.c_str(), a[0], a[1], a[2], a[3],
                found->second.port);
  }
}

uint32_t DdnsStandin::Run() {
  const uint32_t start = platform::TickMs();
  while (!StopEvent().IsSet() && platform::TickMs() - start < lifetimeMs_) {
    platform::Socket client;
    if (!listener_.Accept(&client, 100)) continue;
    Serve(client);
    client.ShutdownBoth();
    client.Close();
  }
  return 0;
}

}  // namespace marlow
