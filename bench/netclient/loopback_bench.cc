// End-to-end live units per second over loopback: a sender plays the part
// of the recorder (login accepted, then a prepared stream of our own encoded
// pictures and A-law units, sent over and over for a fixed time) and a
// NetworkClient receives, parses and queues it while this thread drains
// both queues the way the engine thread does.
//
// Baselines measured in the same run on the same bytes: the bare loopback
// byte rate (receive and discard), and the parser alone on the stream in
// memory. Drops (no free queue buffer) are reported, not hidden.
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "netclient/live_unit_parser.h"
#include "netclient/network_client.h"
#include "platform/socket.h"
#include "platform/sync.h"
#include "tests/support/listening_socket.h"
#include "tests/support/protocol_peer.h"
#include "tools/recorder_standin/standin_pictures.h"

namespace {

using namespace marlow;
using Clock = std::chrono::steady_clock;

constexpr double kRunSeconds = 2.0;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

struct Stream {
  std::vector<uint8_t> bytes;
  size_t pictures = 0, audio = 0;
};

Stream Prepare() {
  StandinPictures source;
  Stream s;
  std::unique_ptr<uint8_t[]> unit(new uint8_t[kStandinUnitCapacity]);
  for (int i = 0; i < 60; ++i) {
    if (i == 30) source.SetCamera(1);
    const size_t n = source.NextPicture(unit.get());
    s.bytes.insert(s.bytes.end(), unit.get(), unit.get() + n);
    ++s.pictures;
    const size_t a = source.NextAudio(unit.get(), 320);
    s.bytes.insert(s.bytes.end(), unit.get(), unit.get() + a);
    ++s.audio;
  }
  return s;
}

// Accepts one client; with login, answers its LoginRequest first. Sends the
// stream over and over for kRunSeconds, then closes.
void Serve(testsupport::ListeningSocket* listener, const Stream* stream, bool login) {
  platform::Socket client;
  if (!listener->Accept(&client, 5000)) return;
  if (login) {
    uint8_t request[64];
    if (client.WaitReadable(5000) != 1 || client.Receive(request, sizeof request) <= 0) return;
    uint8_t reply[kReplyMaxSize];
    client.SendAll(reply, EncodeLoginReply(kCodeLoginAccepted, 0, reply));
    platform::SleepMs(150);
  }
  const auto start = Clock::now();
  while (Seconds(start) < kRunSeconds) {
    if (!client.SendAll(stream->bytes.data(), stream->bytes.size())) break;
  }
  client.ShutdownBoth();
}

struct Listener {
  Listener() {
    socket.Open();
    socket.Listen({{127, 0, 0, 1}}, 0, 2);
  }
  testsupport::ListeningSocket socket;
};

void RawLoopback(const Stream& stream) {
  Listener l;
  std::thread server(Serve, &l.socket, &stream, false);
  platform::Socket s;
  s.Open();
  if (s.Connect({{127, 0, 0, 1}}, l.socket.LocalPort(), 5000, nullptr) !=
      platform::ConnectResult::Connected) {
    std::printf("raw loopback: connect failed\n");
    server.join();
    return;
  }
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[kReceiveChunkSize]);
  uint64_t bytes = 0;
  const auto start = Clock::now();
  for (;;) {
    if (s.WaitReadable(1000) != 1) break;
    const int n = s.Receive(buffer.get(), kReceiveChunkSize);
    if (n <= 0) break;
    bytes += static_cast<uint64_t>(n);
  }
  const double t = Seconds(start);
  server.join();
  std::printf("baseline raw loopback receive: %8.1f MB/s\n", bytes / t / 1e6);
}

void ParserOnly(const Stream& stream) {
  UnitQueue video(kVideoEntryCapacity, kEntryCount), audio(kAudioEntryCapacity, kEntryCount);
  LiveUnitParser parser(&video, &audio, nullptr);
  std::unique_ptr<uint8_t[]> v(new uint8_t[kVideoEntryCapacity]);
  std::unique_ptr<uint8_t[]> a(new uint8_t[kAudioEntryCapacity]);
  QueueEntry ve, ae;
  ve.data = v.get();
  ve.capacity = kVideoEntryCapacity;
  ae.data = a.get();
  ae.capacity = kAudioEntryCapacity;
  uint64_t units = 0, bytes = 0;
  const auto start = Clock::now();
  while (Seconds(start) < kRunSeconds / 2) {
    for (size_t at = 0; at < stream.bytes.size(); at += kReceiveChunkSize) {
      const size_t n = std::min(kReceiveChunkSize, stream.bytes.size() - at);
      parser.Parse(stream.bytes.data() + at, n);
      bytes += n;
      while (video.Take(&ve) == 1) ++units;
      while (audio.Take(&ae) == 1) ++units;
    }
  }
  const double t = Seconds(start);
  std::printf("baseline parser alone:         %8.1f MB/s %10.0f units/s\n", bytes / t / 1e6,
              units / t);
}

void EndToEnd(const Stream& stream) {
  Listener l;
  std::thread server(Serve, &l.socket, &stream, true);
  NetworkClient client;
  client.SetDirect("127.0.0.1", l.socket.LocalPort(), "", "");
  client.Start();
  std::unique_ptr<uint8_t[]> v(new uint8_t[kVideoEntryCapacity]);
  std::unique_ptr<uint8_t[]> a(new uint8_t[kAudioEntryCapacity]);
  QueueEntry ve, ae;
  ve.data = v.get();
  ve.capacity = kVideoEntryCapacity;
  ae.data = a.get();
  ae.capacity = kAudioEntryCapacity;
  platform::Event* ready[2] = {&client.VideoQueue().ReadyEvent(),
                               &client.AudioQueue().ReadyEvent()};
  uint64_t pictures = 0, sounds = 0, bytes = 0;
  Clock::time_point first;
  bool started = false;
  uint32_t quiet_since = platform::TickMs();
  for (;;) {
    if (platform::WaitAny(ready, 2, 10) < 0) {
      if (platform::TickMs() - quiet_since > (started ? 500u : 5000u)) break;
      continue;
    }
    quiet_since = platform::TickMs();
    if (!started) {
      started = true;
      first = Clock::now();
    }
    while (client.VideoQueue().Take(&ve) == 1) {
      ++pictures;
      bytes += ve.length;
    }
    while (client.AudioQueue().Take(&ae) == 1) {
      ++sounds;
      bytes += ae.length;
    }
  }
  const double t = started ? Seconds(first) - 0.5 : 1.0;
  client.Stop();
  server.join();
  std::printf(
      "end to end (client + queues):  %8.1f MB/s %10.0f units/s "
      "(%.0f pictures/s, %.0f audio/s; dropped %llu video, %llu audio)\n",
      bytes / t / 1e6, (pictures + sounds) / t, pictures / t, sounds / t,
      static_cast<unsigned long long>(client.VideoQueue().DroppedFull()),
      static_cast<unsigned long long>(client.AudioQueue().DroppedFull()));
}

}  // namespace

int main() {
  platform::StartSockets();
  const Stream stream = Prepare();
  std::printf("stream: %zu bytes, %zu pictures (%.0f bytes each on average), %zu audio units\n",
              stream.bytes.size(), stream.pictures,
              static_cast<double>(stream.bytes.size()) / stream.pictures, stream.audio);
  RawLoopback(stream);
  ParserOnly(stream);
  EndToEnd(stream);
  return 0;
}
