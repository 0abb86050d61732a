// A stand-in for the networked recorder, for tests and for trying the viewer
// without one. It listens on 127.0.0.1, serves one client connection at a
// time and:
// - checks the MD5 digest of the LoginRequest against its password and
//   answers pending, accepted or refused as configured;
// - after a login streams live units: pictures from our own encoder in
//   header layout 3 (640 x 272, sequence numbers that sometimes skip one),
//   A-law sound units with their two head bytes, status and channel reports;
// - acts on KeyCommands: channel keys switch the camera it sends, Split
//   sends a 2 x 2 composite of cameras 1-4, Menu/Up/Down/Select draw and
//   move a simple menu over the picture; each key is answered with a channel
//   report so the client sees it;
// - answers a LogoutNotice by closing;
// - on request misbehaves during its first sessions: sends ServerClose, falls
//   silent, drops the connection in the middle of a picture, trickles its
//   bytes slowly or sends garbage.
// It records everything it receives; it ends by itself after its lifetime.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/socket.h"
#include "platform/worker_thread.h"
#include "tests/support/listening_socket.h"

namespace marlow {

struct RecorderStandinOptions {
  enum class Login { Accept, Refuse, PendingForever, Silent, Garbage };
  std::string password;
  Login login = Login::Accept;
  uint16_t refuseCode = 2;    // 2 or 4
  uint16_t refuseReason = 2;  // 1 too many clients, 2 password, 3 network, else unknown
  int pendingBeforeAccept = 0;
  uint32_t pendingIntervalMs = 200;
  // Time between the acceptance and the first stream bytes, so that they do
  // not share a receive with it (the client drops those).
  uint32_t streamDelayMs = 150;

  // The live stream as a recorder sends it: a picture every (frameSkip + 1)
  // picture intervals, sequence numbers moving on by as many, and the sound
  // of that time with each picture. The intervals are those the recorder
  // records by (12.5 ms at 272 lines, the table the player paces recordings
  // by), so that a recording made of the live stream, whose frame skip
  // comes from the numbers, plays at the pace the pictures came. Frame skip
  // 3: 20 pictures a second. pictureIntervalMs non-zero sends at that pace
  // instead, for tests that want a fast stream.
  int frameSkip = 3;
  // Now and then the numbers move on twice as far, as when a recorder drops
  // a picture.
  bool dropsPictures = true;
  uint32_t pictureIntervalMs = 0;
  bool audio = true;
  // 8-bit PCM sound, as recorders of stream variant 4 send, instead of A-law.
  bool pcm8Audio = false;
  uint32_t statusIntervalMs = 500;

  // Faults, during the first faultSessions sessions only (0: never).
  int faultSessions = 1;
  uint32_t serverCloseAfterMs = 0;
  uint32_t silentAfterMs = 0;
  uint32_t dropAfterPictures = 0;
  size_t trickleBytes = 0;  // bytes per send, with trickleDelayMs between
  uint32_t trickleDelayMs = 0;
  uint32_t garbageMs = 0;  // garbage instead of the stream for this long

  // Non-zero: every session draws one fault of its own (ServerClose, silence,
  // a drop mid-picture, trickling, garbage) with random timing from this
  // seed, instead of the fixed faults above; for soak runs.
  uint32_t randomFaultSeed = 0;
  // Which faults may be drawn: bit 0 ServerClose, 1 silence, 2 a drop
  // mid-picture, 3 trickling, 4 garbage.
  uint32_t randomFaultKinds = 0x1F;
  uint32_t lifetimeMs = 60000;
  bool verbose = false;  // print what it does
};

class RecorderStandin : public WorkerThread {
 public:
  explicit RecorderStandin(const RecorderStandinOptions& options);
  ~RecorderStandin() override;

  // Listens on 127.0.0.1:port (0: a free port). Call before Start.
  bool Listen(uint16_t port = 0);
  uint16_t Port() const { return port_; }

  // What happened so far (safe from any thread).
  struct Record {
    int sessions = 0;
    int loginRequests = 0;
    int goodDigests = 0;
    int logouts = 0;
    int keysActedOn = 0;
    uint32_t pictures = 0;
    uint32_t audioUnits = 0;
    std::vector<uint16_t> keys;
    int camera = 0;  // 0-based camera being sent
    bool split = false;
    bool menu = false;
    int64_t serverCloseAtUs = -1;  // when the last ServerClose went out (NowUs)
  };
  Record Snapshot();
  // Every received message, in order, one line each.
  std::vector<std::string> Log();
  // When picture `number` (the counter burnt into it) of the latest session
  // began to go out, in microseconds of the steady clock; -1 when it is not
  // among the last kSentKept pictures. For latency measurements.
  int64_t SentAtUs(uint32_t number);
  static int64_t NowUs();
  static constexpr uint32_t kSentKept = 1024;

 protected:
  uint32_t Run() override;

 private:
  class Session;
  void Note(const std::string& line);
  // The options of session index: the configured ones, with a fault drawn
  // for it when random faults are on.
  RecorderStandinOptions SessionOptions(int index) const;

  RecorderStandinOptions options_;
  testsupport::ListeningSocket listener_;
  uint16_t port_ = 0;
  std::mutex lock_;
  Record record_;
  std::vector<std::string> log_;
  struct Sent {
    uint32_t number = 0;
    int64_t atUs = -1;
  };
  std::vector<Sent> sent_ = std::vector<Sent>(kSentKept);

  friend class Session;
};

}  // namespace marlow
