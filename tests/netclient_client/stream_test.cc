// The live stream end to end: units from the stand-in recorder arrive in
// the queues in order and decode; reports and ServerClose reach the sink;
// keys reach the recorder; a silent connection is re-established; garbage,
// trickled bytes and a connection dropped inside a picture do no harm; a
// message too short for its code is ignored.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "codec/decoded_picture.h"
#include "codec/video_decoder.h"
#include "netclient/network_client.h"
#include "netclient/protocol.h"
#include "platform/sync.h"
#include "tests/netclient_client/client_harness.h"
#include "tests/support/protocol_peer.h"
#include "tools/recorder_standin/recorder_standin.h"

namespace marlow {
namespace {

using test::RecordingSink;
using test::ShortenWaits;
using test::WaitUntil;

constexpr int kLiveVariant = 2;  // picture header layout 3

RecorderStandinOptions Recorder() {
  RecorderStandinOptions o;
  o.password = "pw";
  o.lifetimeMs = 20000;
  o.pictureIntervalMs = 20;
  o.statusIntervalMs = 200;
  return o;
}

struct Rig {
  explicit Rig(const RecorderStandinOptions& options) : recorder(options) {
    EXPECT_TRUE(recorder.Listen());
    EXPECT_EQ(recorder.Start(), 1);
    ShortenWaits(client, &sink);
    client.SetDirect("127.0.0.1", recorder.Port(), "", "pw");
    video.data = video_bytes.get();
    video.capacity = kVideoEntryCapacity;
    audio.data = audio_bytes.get();
    audio.capacity = kAudioEntryCapacity;
    picture.planes = planes.get();
    decoder.Reset(kLiveVariant);
  }
  ~Rig() {
    client.Stop();
    recorder.Stop();
  }
  bool TakeVideo() {
    return WaitUntil([&] { return client.VideoQueue().Take(&video) == 1; });
  }
  // Decodes the unit in video; 1 when it decoded.
  int Decode() {
    if (decoder.ParseHeader(video.data, video.length) == 0) return 0;
    return decoder.Decode(video.data, video.length, &picture);
  }
  // Takes and decodes units until count pictures decoded or time runs out.
  int DecodePictures(int count) {
    int decoded = 0;
    WaitUntil([&] {
      while (decoded < count && client.VideoQueue().Take(&video) == 1) decoded += Decode();
      return decoded >= count;
    });
    return decoded;
  }

  RecorderStandin recorder;
  RecordingSink sink;
  NetworkClient client;
  std::unique_ptr<uint8_t[]> video_bytes{new uint8_t[kVideoEntryCapacity]};
  std::unique_ptr<uint8_t[]> audio_bytes{new uint8_t[kAudioEntryCapacity]};
  std::unique_ptr<uint8_t[]> planes{new uint8_t[kMaxPictureBytes]};
  QueueEntry video, audio;
  VideoDecoder decoder;
  DecodedPicture picture;
};

// At its own pace the stand-in sends as a recorder does: a picture as many
// 12.5 ms intervals after the last as its sequence number moves on (frame
// skip 3: four), with the sound of that time.
TEST(NetworkClientStream, TheStandInKeepsARecordersPace) {
  RecorderStandinOptions o = Recorder();
  o.pictureIntervalMs = 0;
  o.frameSkip = 3;
  Rig rig(o);
  ASSERT_EQ(rig.client.Start(), 1);
  ASSERT_TRUE(rig.TakeVideo());
  ASSERT_EQ(rig.Decode(), 1);
  const uint16_t first = rig.decoder.Sequence();
  const uint32_t t0 = platform::TickMs();
  uint16_t last = first;
  uint32_t t1 = t0;
  while (platform::TickMs() - t0 < 1500) {
    if (rig.client.VideoQueue().Take(&rig.video) == 1 && rig.Decode() == 1) {
      EXPECT_GE(static_cast<uint16_t>(rig.decoder.Sequence() - last), 4);
      last = rig.decoder.Sequence();
      t1 = platform::TickMs();
    }
    platform::SleepMs(2);
  }
  const double byNumbers = static_cast<uint16_t>(last - first) * 12.5;
  // Never faster than the numbers say; as fast where the machine keeps up
  // with coding the pictures (not under the sanitizers).
  EXPECT_LE(byNumbers, t1 - t0 + 100.0);
#if !defined(__SANITIZE_ADDRESS__)
  EXPECT_NEAR(t1 - t0, byNumbers, 100.0);
#endif
  ASSERT_TRUE(WaitUntil([&] { return rig.client.AudioQueue().Take(&rig.audio) == 1; }));
  // 50 ms (100 after a dropped picture) of samples; a report sent after the
  // unit leaves its start code in it.
  const size_t n = rig.audio.length % 400 == 4 ? rig.audio.length - 4 : rig.audio.length;
  EXPECT_TRUE(n == 400u || n == 800u) << rig.audio.length;
}

TEST(NetworkClientStream, UnitsArriveInOrderAndDecode) {
  Rig rig(Recorder());
  ASSERT_EQ(rig.client.Start(), 1);
  ASSERT_TRUE(rig.TakeVideo());
  EXPECT_EQ(rig.video.data[3], kStartVideoFull);  // a session starts with a full picture
  ASSERT_EQ(rig.Decode(), 1);
  EXPECT_EQ(rig.picture.width, 640u);
  EXPECT_EQ(rig.picture.height, 272u);
  EXPECT_EQ(rig.video.info.time.year, 2006);

  uint16_t last = rig.decoder.Sequence();
  int decoded = 0, skips = 0;
  ASSERT_TRUE(WaitUntil([&] {
    while (rig.client.VideoQueue().Take(&rig.video) == 1) {
      EXPECT_EQ(rig.Decode(), 1);
      const uint16_t s = rig.decoder.Sequence();
      EXPECT_GT(s, last);  // in order; a skipped number is a picture the recorder dropped
      skips += s - last > 1;
      last = s;
      ++decoded;
    }
    return decoded >= 12;
  }));
  EXPECT_GT(skips, 0);

  ASSERT_TRUE(WaitUntil([&] { return rig.client.AudioQueue().Take(&rig.audio) == 1; }));
  // The sound of one 20 ms picture interval, samples only: start code and
  // head bytes gone.
  EXPECT_EQ(rig.audio.length, 160u);
  EXPECT_NE(rig.audio.data[0], 0x12);
}

TEST(NetworkClientStream, ReportsAreStoredAndPosted) {
  Rig rig(Recorder());
  ASSERT_EQ(rig.client.Start(), 1);
  ASSERT_TRUE(WaitUntil([&] { return rig.sink.Count(kNotifyStatusChanged) >= 3; }));
  EXPECT_EQ(rig.client.ChannelWord(0), 1);  // camera 1
  EXPECT_FALSE(rig.sink.NonzeroParameters());
  EXPECT_EQ(rig.sink.Count(kNotifyServerClosed), 0);
}

TEST(NetworkClientStream, KeysReachTheRecorderAndChangeWhatItSends) {
  Rig rig(Recorder());
  ASSERT_EQ(rig.client.Start(), 1);
  ASSERT_TRUE(WaitUntil([&] { return rig.client.IsLoggedIn(); }));
  ASSERT_EQ(rig.client.SendKey(kKeyChannel3), 1);
  // The stand-in answers a key with a channel report: camera, split, menu
  // row and the keys it has had.
  ASSERT_TRUE(
      WaitUntil([&] { return rig.client.ChannelWord(0) == 3 && rig.client.ChannelWord(3) == 1; }));
  EXPECT_EQ(rig.recorder.Snapshot().camera, 2);

  ASSERT_EQ(rig.client.SendKey(300), 1);  // only the low byte travels: 44
  ASSERT_EQ(rig.client.SendKey(kKeySplit), 1);
  ASSERT_EQ(rig.client.SendKey(kKeyMenu), 1);
  ASSERT_EQ(rig.client.SendKey(kKeyDown), 1);
  ASSERT_TRUE(WaitUntil([&] { return rig.recorder.Snapshot().keys.size() == 5; }));
  const auto r = rig.recorder.Snapshot();
  EXPECT_EQ(r.keys[1], 44);
  EXPECT_TRUE(r.split);
  EXPECT_TRUE(r.menu);
  ASSERT_TRUE(WaitUntil([&] { return rig.client.ChannelWord(2) == 2; }));  // menu row 2
  // The composite with the menu still decodes.
  EXPECT_GT(rig.DecodePictures(3), 2);
}

TEST(NetworkClientStream, ServerClosePostsClosedByRecorder) {
  RecorderStandinOptions o = Recorder();
  o.serverCloseAfterMs = 300;
  Rig rig(o);
  ASSERT_EQ(rig.client.Start(), 1);
  ASSERT_TRUE(WaitUntil([&] { return rig.sink.Count(kNotifyServerClosed) == 1; }));
  EXPECT_EQ(rig.sink.Count(kNotifyLoginFailed), 0);
}

// Silence longer than the timeout: closed, a pause, connect and log in
// again; the window hears nothing of it.
TEST(NetworkClientStream, SilentConnectionIsReestablished) {
  RecorderStandinOptions o = Recorder();
  o.silentAfterMs = 300;
  Rig rig(o);
  ASSERT_EQ(rig.client.Start(), 1);
  ASSERT_TRUE(WaitUntil([&] { return rig.client.ConnectionState() == kStateReceiving; }));
  // From here to the second login the state goes 3, 1, 2, 3 and never idle.
  std::atomic<bool> done{false}, saw_idle{false};
  std::thread sampler([&] {
    while (!done) {
      if (rig.client.ConnectionState() == kStateIdle) saw_idle = true;
      std::this_thread::yield();
    }
  });
  const bool again = WaitUntil([&] { return rig.recorder.Snapshot().loginRequests == 2; });
  const bool receiving = WaitUntil([&] { return rig.client.ConnectionState() == kStateReceiving; });
  done = true;
  sampler.join();
  ASSERT_TRUE(again);
  ASSERT_TRUE(receiving);
  EXPECT_FALSE(saw_idle);
  EXPECT_EQ(rig.sink.Count(kNotifyLoginFailed), 0);
  EXPECT_EQ(rig.sink.Count(kNotifyServerClosed), 0);
  EXPECT_GT(rig.DecodePictures(3), 2);
}

// Faults inside the stream: none may crash or stall the client, and once
// the recorder behaves again pictures decode.
TEST(NetworkClientStream, GarbageTrickleAndDroppedPicturesDoNoHarm) {
  {
    RecorderStandinOptions o = Recorder();
    o.garbageMs = 400;
    Rig rig(o);
    ASSERT_EQ(rig.client.Start(), 1);
    WaitUntil([&] {
      while (rig.client.VideoQueue().Take(&rig.video) == 1) rig.Decode();
      while (rig.client.AudioQueue().Take(&rig.audio) == 1) {
      }
      return rig.recorder.Snapshot().pictures > 5;
    });
    EXPECT_GT(rig.DecodePictures(3), 2);
  }
  {
    RecorderStandinOptions o = Recorder();
    o.trickleBytes = 997;
    o.trickleDelayMs = 1;
    Rig rig(o);
    ASSERT_EQ(rig.client.Start(), 1);
    EXPECT_GT(rig.DecodePictures(2), 1);
  }
  {
    RecorderStandinOptions o = Recorder();
    o.dropAfterPictures = 3;
    Rig rig(o);
    ASSERT_EQ(rig.client.Start(), 1);
    ASSERT_TRUE(WaitUntil([&] { return rig.recorder.Snapshot().loginRequests == 2; }));
    EXPECT_GT(rig.DecodePictures(4), 3);
    EXPECT_EQ(rig.sink.Count(kNotifyLoginFailed), 0);
  }
}

// A recorder of our own making for exact bytes: accepts the login, then
// sends what the test gives it.
class RawRecorder {
 public:
  RawRecorder() {
    platform::StartSockets();
    EXPECT_TRUE(listener_.Open());
    EXPECT_TRUE(listener_.Listen({{127, 0, 0, 1}}, 0, 2));
  }
  uint16_t Port() const { return listener_.LocalPort(); }
  bool AcceptAndLogIn() {
    if (!listener_.Accept(&client_, 3000) || client_.WaitReadable(3000) != 1) return false;
    uint8_t request[64];
    if (client_.Receive(request, sizeof request) <= 0) return false;
    uint8_t reply[kReplyMaxSize];
    if (!client_.SendAll(reply, EncodeLoginReply(kCodeLoginAccepted, 0, reply))) return false;
    platform::SleepMs(150);  // the stream must not share a receive with the reply
    return true;
  }
  bool Send(const std::string& bytes) { return client_.SendAll(bytes.data(), bytes.size()); }

 private:
  testsupport::ListeningSocket listener_;
  platform::Socket client_;
};

std::string Message(const char* length, const char* code, const char* parameters) {
  return std::string("\0\0\1\xFE", 4) + length + code + parameters;
}

TEST(NetworkClientStream, MessageShorterThanItsCodeNeedsIsIgnored) {
  RawRecorder recorder;
  RecordingSink sink;
  NetworkClient client;
  ShortenWaits(client, &sink);
  client.SetTimeout(5000);
  client.SetDirect("127.0.0.1", recorder.Port(), "", "");
  ASSERT_EQ(client.Start(), 1);
  ASSERT_TRUE(recorder.AcceptAndLogIn());
  ASSERT_TRUE(WaitUntil([&] { return client.IsLoggedIn(); }));
  const std::string video = std::string("\0\0\1\xF9", 4) + "picture bytes";
  ASSERT_TRUE(recorder.Send(video + Message("000C", "0007", "0055") +      // status cut short
                            Message("0000", "0007", "0066") +              // length 0
                            Message("00G1", "0007", "0077") +              // unreadable length
                            Message("0014", "0008", "0001000200030004") +  // channels cut short
                            Message("0010", "0007", "0042")));             // a sound report
  ASSERT_TRUE(WaitUntil([&] { return sink.Count(kNotifyStatusChanged) >= 1; }));
  platform::SleepMs(100);
  EXPECT_EQ(sink.Count(kNotifyStatusChanged), 1);
  EXPECT_EQ(client.StatusWord(), 0x42);
  EXPECT_EQ(client.ChannelWord(0), 0);
  client.Stop();
}

}  // namespace
}  // namespace marlow
