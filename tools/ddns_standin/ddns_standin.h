// A stand-in for the dynamic-address server: listens on 127.0.0.1, reads one
// DdnsQuery per connection, answers a known name with its address and port
// and refuses an unknown one, then closes. It can be told to stay silent
// instead. It ends by itself after its lifetime.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/socket.h"
#include "platform/worker_thread.h"
#include "tests/support/listening_socket.h"

namespace marlow {

class DdnsStandin : public WorkerThread {
 public:
  explicit DdnsStandin(uint32_t lifetimeMs = 60000, bool verbose = false);
  ~DdnsStandin() override;

  // Call before Start.
  bool Listen(uint16_t port = 0);
  uint16_t Port() const { return port_; }
  void AddName(const std::string& name, const uint8_t address[4], uint16_t port);
  void SetSilent(bool silent) { silent_ = silent; }

  int Queries();
  std::vector<std::string> NamesAsked();

 protected:
  uint32_t Run() override;

 private:
  struct Entry {
    uint8_t address[4];
    uint16_t port;
  };
  void Serve(platform::Socket& client);

  const uint32_t lifetimeMs_;
  const bool verbose_;
  bool silent_ = false;
  testsupport::ListeningSocket listener_;
  uint16_t port_ = 0;
  std::map<std::string, Entry> names_;
  std::mutex lock_;
  std::vector<std::string> asked_;
};

}  // namespace marlow
