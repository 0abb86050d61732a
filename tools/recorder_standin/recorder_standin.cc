#include "tools/recorder_standin/recorder_standin.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

#include "netclient/md5.h"
#include "recording/picture_interval.h"
#include "tests/support/protocol_peer.h"
#include "tools/recorder_standin/standin_pictures.h"

namespace marlow {

using platform::Socket;
using platform::TickMs;

namespace {
// What a step of the sequence numbers stands for: the interval of the
// recorder's recordings (stream variant 4) at the pictures' height, which a
// recording writer's frame skip counts in.
constexpr uint32_t kSequenceStepUs = PictureIntervalUs(4, kStandinHeight);
}  // namespace

// One client connection, from the login to its close.
class RecorderStandin::Session {
 public:
  Session(RecorderStandin* owner, Socket* client, int index, const RecorderStandinOptions& o)
      : owner_(owner),
        o_(o),
        client_(client),
        faulty_(index < o.faultSessions),
        unit_(new uint8_t[kStandinUnitCapacity]) {
    pictures_.SetDrops(o.dropsPictures);
  }

  void Serve() {
    if (!AwaitLogin()) return;
    if (!Answer()) return;
    Stream();
  }

 private:
  bool Stopped() { return owner_->StopEvent().IsSet() || closed_; }

  // Reads what the client sent and acts on each whole message. false once
  // the client has closed.
  bool Pump(uint32_t waitMs) {
    if (closed_) return false;
    const int r = client_->WaitReadable(waitMs);
    if (r < 0) return !(closed_ = true);
    if (r == 0) return true;
    if (inCount_ == sizeof in_) inCount_ = 0;  // nonsense: start over
    const int n = client_->Receive(in_ + inCount_, sizeof in_ - inCount_);
    if (n <= 0) {
      owner_->Note("client closed the connection");
      return !(closed_ = true);
    }
    inCount_ += static_cast<size_t>(n);
    size_t used = 0;
    for (;;) {
      ClientMessage m;
      const size_t span = ReadClientMessage(in_ + used, inCount_ - used, &m);
      if (span == 0) break;
      used += span;
      Act(m);
    }
    std::memmove(in_, in_ + used, inCount_ - used);
    inCount_ -= used;
    return !closed_;
  }

  void Act(const ClientMessage& m) {
    char line[96];
    switch (m.kind) {
      case ClientMessageKind::LoginRequest: {
        uint8_t want[kMd5DigestSize];
        Md5Digest(o_.password.data(), o_.password.size(), want);
        gotLogin_ = true;
        goodDigest_ = std::memcmp(want, m.digest, kMd5DigestSize) == 0;
        std::lock_guard<std::mutex> hold(owner_->lock_);
        ++owner_->record_.loginRequests;
        if (goodDigest_) ++owner_->record_.goodDigests;
        std::snprintf(line, sizeof line, "LoginRequest, password %s",
                      goodDigest_ ? "right" : "wrong");
        break;
      }
      case ClientMessageKind::KeyCommand:
        OnKey(m.key);
        std::snprintf(line, sizeof line, "KeyCommand %u", m.key);
        break;
      case ClientMessageKind::LogoutNotice: {
        std::lock_guard<std::mutex> hold(owner_->lock_);
        ++owner_->record_.logouts;
        closed_ = true;  // the recorder answers a logout by closing
        std::snprintf(line, sizeof line, "LogoutNotice: closing");
        break;
      }
      case ClientMessageKind::Unknown:
        std::snprintf(line, sizeof line, "unknown message of %zu bytes", m.length);
        break;
    }
    owner_->Note(line);
  }

  void OnKey(uint16_t key) {
    std::lock_guard<std::mutex> hold(owner_->lock_);
    Record& r = owner_->record_;
    r.keys.push_back(key);
    bool acted = true;
    if (key >= 1 && key <= 4) {
      r.camera = key - 1;
      r.split = false;
      pictures_.SetCamera(r.camera);
    } else if (key >= 21 && key <= 25) {
      r.camera = key - 21 + 4;
      r.split = false;
      pictures_.SetCamera(r.camera);
    } else if (key == 5) {
      r.split = true;
      pictures_.SetSplit(true);
    } else if (key == 12) {
      r.menu = !r.menu;
      menuRow_ = 0;
      pictures_.SetMenu(r.menu, menuRow_);
    } else if (r.menu && (key == 13 || key == 14)) {
      menuRow_ = (menuRow_ + (key == 13 ? 3 : 1)) % 4;
      pictures_.SetMenu(true, menuRow_);
    } else if (r.menu && key == 15) {
      r.menu = false;
      pictures_.SetMenu(false, 0);
    } else {
      acted = false;
    }
    if (acted) ++r.keysActedOn;
    lastKey_ = key;
    reportDue_ = true;
  }

  // A failed send ends the session; whatever the client sent before it
  // went (a LogoutNotice, say) is still read and logged.
  bool Lost() {
    while (!closed_ && client_->WaitReadable(0) == 1) Pump(0);
    return !(closed_ = true);
  }

  // Sends bytes, slowly when trickling; false when the client is gone.
  bool Send(const uint8_t* data, size_t length) {
    if (closed_) return false;
    if (faulty_ && o_.trickleBytes != 0) {
      for (size_t at = 0; at < length; at += o_.trickleBytes) {
        const size_t n = length - at < o_.trickleBytes ? length - at : o_.trickleBytes;
        if (!client_->SendAll(data + at, n)) return Lost();
        if (owner_->StopEvent().Wait(o_.trickleDelayMs)) return false;
      }
      return true;
    }
    if (!client_->SendAll(data, length)) return Lost();
    return true;
  }

  bool AwaitLogin() {
    const uint32_t start = TickMs();
    while (!gotLogin_) {
      if (Stopped() || TickMs() - start > 5000) return false;
      Pump(50);
    }
    return true;
  }

  // The login reply. true when the stream should follow.
  bool Answer() {
    uint8_t reply[kReplyMaxSize];
    if (!goodDigest_ && o_.login == RecorderStandinOptions::Login::Accept) {
      Send(reply, EncodeLoginReply(kCodeLoginRefused, 2, reply));
      owner_->Note("refused: wrong password");
      return false;
    }
    switch (o_.login) {
      case RecorderStandinOptions::Login::Accept:
        for (int i = 0; i < o_.pendingBeforeAccept; ++i) {
          Send(reply, EncodeLoginReply(kCodeLoginPending, 0, reply));
          owner_->Note("pending");
          const uint32_t t0 = TickMs();
          while (!Stopped() && TickMs() - t0 < o_.pendingIntervalMs) Pump(10);
          if (Stopped()) return false;
        }
        Send(reply, EncodeLoginReply(kCodeLoginAccepted, 0, reply));
        owner_->Note("accepted");
        return true;
      case RecorderStandinOptions::Login::Refuse:
        Send(reply, EncodeLoginReply(o_.refuseCode, o_.refuseReason, reply));
        owner_->Note("refused as configured");
        break;
      case RecorderStandinOptions::Login::PendingForever:
        while (!Stopped()) {
          Send(reply, EncodeLoginReply(kCodeLoginPending, 0, reply));
          Pump(o_.pendingIntervalMs);
        }
        owner_->Note("pending until the client gave up");
        return false;
      case RecorderStandinOptions::Login::Silent:
        owner_->Note("not answering the login");
        break;
      case RecorderStandinOptions::Login::Garbage: {
        const char junk[] = "HELLO, NOT A MESSAGE";
        Send(reinterpret_cast<const uint8_t*>(junk), sizeof junk - 1);
        owner_->Note("answered the login with garbage");
        break;
      }
    }
    // Wait for the client to go.
    while (!Stopped()) Pump(50);
    return false;
  }

  void SendReports(uint16_t status) {
    uint8_t m[kReplyMaxSize];
    uint16_t channels[4];
    {
      std::lock_guard<std::mutex> hold(owner_->lock_);
      channels[0] = static_cast<uint16_t>(owner_->record_.camera + 1);
      channels[1] = owner_->record_.split ? 1 : 0;
      channels[2] = owner_->record_.menu ? static_cast<uint16_t>(1 + menuRow_) : 0;
      channels[3] = static_cast<uint16_t>(owner_->record_.keys.size());
    }
    Send(m, EncodeChannelReport(channels, status, m));
  }

  void SendGarbage(uint32_t* seed) {
    uint8_t junk[4096];
    for (size_t i = 0; i < sizeof junk; ++i) {
      *seed = *seed * 1103515245u + 12345u;
      const uint32_t v = *seed >> 16;
      if (v % 97 == 0 && i + 8 < sizeof junk) {
        // A start code of every kind, some with broken length fields.
        static const uint8_t kinds[] = {0xF8, 0xF9, 0xFA, 0xFE, 0xFE, 0xB3};
        junk[i++] = 0;
        junk[i++] = 0;
        junk[i++] = 1;
        junk[i] = kinds[(v >> 8) % sizeof kinds];
        continue;
      }
      junk[i] = static_cast<uint8_t>(v);
    }
    Send(junk, sizeof junk);
  }

  void Stream() {
    const uint32_t accepted = TickMs();
    while (TickMs() - accepted < o_.streamDelayMs) {
      if (Stopped()) return;
      Pump(10);
    }
    SendReports(0);
    uint8_t m[kReplyMaxSize];
    Send(m, EncodeStatusReport(1, m));
    const uint32_t start = TickMs();
    uint32_t next_picture = start, next_status = start + o_.statusIntervalMs;
    uint64_t pictureDueUs = 0;  // of the next picture, from start
    uint32_t seed = 12345;
    bool silent = false;
    uint32_t pictures = 0;
    while (!Stopped()) {
      const uint32_t now = TickMs();
      const uint32_t age = now - start;
      if (faulty_ && o_.serverCloseAfterMs != 0 && age >= o_.serverCloseAfterMs) {
        {
          std::lock_guard<std::mutex> hold(owner_->lock_);
          owner_->record_.serverCloseAtUs = NowUs();
        }
        Send(m, EncodeServerClose(m));
        owner_->Note("sent ServerClose, closing");
        return;
      }
      if (faulty_ && o_.silentAfterMs != 0 && age >= o_.silentAfterMs && !silent) {
        silent = true;
        owner_->Note("falling silent");
      }
      if (reportDue_) {
        reportDue_ = false;
        SendReports(lastKey_);
      }
      if (!silent && faulty_ && age < o_.garbageMs) {
        SendGarbage(&seed);
      } else if (!silent && static_cast<int32_t>(now - next_picture) >= 0) {
        const int step = o_.frameSkip + 1;
        size_t n;
        uint32_t spacingUs;
        {
          std::lock_guard<std::mutex> hold(owner_->lock_);
          n = pictures_.NextPicture(unit_.get(), step);
          Sent& s = owner_->sent_[pictures_.LastNumber() % kSentKept];
          s.number = pictures_.LastNumber();
          s.atUs = NowUs();
          // The next picture comes as many intervals on as its sequence
          // number will move.
          spacingUs = o_.pictureIntervalMs
                          ? o_.pictureIntervalMs * 1000
                          : static_cast<uint32_t>(pictures_.NextAdvance(step)) * kSequenceStepUs;
        }
        pictureDueUs += spacingUs;
        next_picture = start + static_cast<uint32_t>(pictureDueUs / 1000);
        if (faulty_ && o_.dropAfterPictures != 0 && pictures == o_.dropAfterPictures) {
          Send(unit_.get(), n / 2);
          owner_->Note("dropped the connection in the middle of a picture");
          return;
        }
        if (n != 0 && Send(unit_.get(), n)) {
          ++pictures;
          std::lock_guard<std::mutex> hold(owner_->lock_);
          ++owner_->record_.pictures;
        }
        if (o_.audio) {
          // The sound of the time until the next picture, 8000 samples a
          // second (at most 1 s of it).
          uint8_t audio[6 + 8000];
          const size_t samples = spacingUs / 125 < 8000 ? spacingUs / 125 : 8000;
          if (Send(audio, pictures_.NextAudio(audio, samples, o_.pcm8Audio))) {
            std::lock_guard<std::mutex> hold(owner_->lock_);
            ++owner_->record_.audioUnits;
          }
        }
      }
      if (!silent && static_cast<int32_t>(now - next_status) >= 0) {
        next_status += o_.statusIntervalMs;
        Send(m, EncodeStatusReport(static_cast<uint16_t>(pictures & 0xFFFF), m));
      }
      Pump(2);
    }
  }

  RecorderStandin* owner_;
  const RecorderStandinOptions o_;
  Socket* client_;
  const bool faulty_;
  std::unique_ptr<uint8_t[]> unit_;
  StandinPictures pictures_;
  uint8_t in_[1024];
  size_t inCount_ = 0;
  bool closed_ = false;
  bool gotLogin_ = false;
  bool goodDigest_ = false;
  bool reportDue_ = false;
  uint16_t lastKey_ = 0;
  int menuRow_ = 0;
};

RecorderStandin::RecorderStandin(const RecorderStandinOptions& options) : options_(options) {}

RecorderStandin::~RecorderStandin() {
  Stop();
}

bool RecorderStandin::Listen(uint16_t port) {
  platform::StartSockets();
  const platform::Ipv4Address loopback = {{127, 0, 0, 1}};
  if (!listener_.Open() || !listener_.Listen(loopback, port, 4)) return false;
  port_ = listener_.LocalPort();
  return port_ != 0;
}

RecorderStandin::Record RecorderStandin::Snapshot() {
  std::lock_guard<std::mutex> hold(lock_);
  return record_;
}

int64_t RecorderStandin::NowUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int64_t RecorderStandin::SentAtUs(uint32_t number) {
  std::lock_guard<std::mutex> hold(lock_);
  const Sent& s = sent_[number % kSentKept];
  return s.number == number ? s.atUs : -1;
}

std::vector<std::string> RecorderStandin::Log() {
  std::lock_guard<std::mutex> hold(lock_);
  return log_;
}

void RecorderStandin::Note(const std::string& line) {
  if (options_.verbose) std::printf("recorder: %s\n", line.c_str());
  std::lock_guard<std::mutex> hold(lock_);
  log_.push_back(line);
}

RecorderStandinOptions RecorderStandin::SessionOptions(int index) const {
  RecorderStandinOptions o = options_;
  if (o.randomFaultSeed == 0) return o;
  // xorshift32 over seed and session: the same seed gives the same run.
  uint32_t x = o.randomFaultSeed ^ (0x9E3779B9u * static_cast<uint32_t>(index + 1));
  auto next = [&x](uint32_t below) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return x % below;
  };
  o.faultSessions = index + 1;
  o.serverCloseAfterMs = o.silentAfterMs = o.dropAfterPictures = o.garbageMs = 0;
  o.trickleBytes = 0;
  uint32_t kind = next(5);
  for (int i = 0; i < 5 && !(o.randomFaultKinds >> kind & 1); ++i) kind = (kind + 1) % 5;
  if (!(o.randomFaultKinds >> kind & 1)) return o;  // no kind allowed: no fault
  switch (kind) {
    case 0:
      o.serverCloseAfterMs = 300 + next(1500);
      break;
    case 1:
      o.silentAfterMs = 300 + next(1500);
      break;
    case 2:
      o.dropAfterPictures = 2 + next(40);
      break;
    case 3:
      o.trickleBytes = 1 + next(200);
      o.trickleDelayMs = 1 + next(3);
      o.serverCloseAfterMs = 1500 + next(1500);
      break;
    default:
      o.garbageMs = 50 + next(400);
      o.serverCloseAfterMs = 1000 + next(1500);
      break;
  }
  return o;
}

uint32_t RecorderStandin::Run() {
  const uint32_t start = TickMs();
  int index = 0;
  while (!StopEvent().IsSet() && TickMs() - start < options_.lifetimeMs) {
    Socket client;
    if (!listener_.Accept(&client, 100)) continue;
    {
      std::lock_guard<std::mutex> hold(lock_);
      ++record_.sessions;
    }
    Note("client connected");
    Session session(this, &client, index, SessionOptions(index));
    ++index;
    session.Serve();
    client.ShutdownBoth();
    client.Close();
    Note("session ended");
  }
  return 0;
}

}  // namespace marlow
