#include "netclient/live_unit_parser.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "netclient/protocol.h"

namespace marlow {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Code(uint8_t xx) {
  return {0, 0, 1, xx};
}
Bytes Ascii(const std::string& s) {
  return Bytes(s.begin(), s.end());
}
void Append(Bytes& to, const Bytes& more) {
  to.insert(to.end(), more.begin(), more.end());
}

// The parser with both queues and a sink that keeps every message and applies
// the stream-message reading to it, as the network client does.
struct Harness : LiveMessageSink {
  explicit Harness(bool referenceOnly = false, uint32_t entries = 64)
      : video(kVideoEntryCapacity, entries),
        audio(kAudioEntryCapacity, entries),
        parser(&video, &audio, this) {
    parser.SetReferenceOnly(referenceOnly);
  }

  void OnLiveMessage(const uint8_t* bytes, size_t length) override {
    messages.emplace_back(bytes, bytes + length);
    const StreamMessage m = ReadStreamMessage(bytes, length);
    if (m.kind == StreamMessageKind::Status || m.kind == StreamMessageKind::Channels) {
      ++reports;
      statusWord = m.statusWord;
      if (m.kind == StreamMessageKind::Channels)
        for (int i = 0; i < 4; ++i) channelWords[i] = m.channelWords[i];
    }
    if (m.kind == StreamMessageKind::ServerClose) ++closes;
  }

  void Feed(const Bytes& b) { parser.Parse(b.data(), b.size()); }
  void Drain() {
    QueueEntry e;
    e.data = buffer.data();
    e.capacity = kVideoEntryCapacity;
    while (video.Take(&e)) {
      videoUnits.emplace_back(buffer.begin(), buffer.begin() + e.length);
      videoInfos.push_back(e.info);
    }
    while (audio.Take(&e)) audioUnits.emplace_back(buffer.begin(), buffer.begin() + e.length);
  }

  UnitQueue video, audio;
  LiveUnitParser parser;
  std::vector<Bytes> videoUnits, audioUnits, messages;
  std::vector<UnitInfo> videoInfos;
  Bytes buffer = Bytes(kVideoEntryCapacity);  // Drain's entry, made once
  int reports = 0, closes = 0;
  uint16_t statusWord = 0, channelWords[4] = {};
};

TEST(LiveUnitParser, VideoUnitIsPushedWhenTheByteAfterTheNextStartCodeArrives) {
  Harness h;
  Bytes stream = {0x11, 0x00, 0x00};  // before any start code: ignored
  Append(stream, Code(0xF9));
  Append(stream, {0xA1, 0x00, 0x00, 0x01, 0xB5, 0xA2, 0xA3});  // a slice code is payload
  Append(stream, Code(0xF8));
  h.Feed(stream);
  h.Drain();
  EXPECT_TRUE(h.videoUnits.empty());
  h.Feed({0x42});
  h.Drain();
  ASSERT_EQ(h.videoUnits.size(), 1u);
  Bytes expected = Code(0xF9);
  Append(expected, {0xA1, 0x00, 0x00, 0x01, 0xB5, 0xA2, 0xA3});
  EXPECT_EQ(h.videoUnits[0], expected);
  const UnitInfo& info = h.videoInfos[0];
  EXPECT_EQ(info.time.year, 2006);
  EXPECT_EQ(info.time.month, 1);
  EXPECT_EQ(info.time.day, 1);
  EXPECT_EQ(info.time.hour, 10);
  EXPECT_EQ(info.time.dayOfWeek + info.time.minute + info.time.second + info.time.milliseconds, 0);
  EXPECT_EQ(info.extra[0], 0);
  EXPECT_EQ(info.extra[4], 1);
  // The second unit carries its own start-code byte, F8.
  h.Feed(Code(0xF9));
  h.Feed({0x00});
  h.Drain();
  ASSERT_EQ(h.videoUnits.size(), 2u);
  EXPECT_EQ(h.videoUnits[1], (Bytes{0, 0, 1, 0xF8, 0x42}));
}

TEST(LiveUnitParser, AudioUnitLosesStartCodeAndHeadBytes) {
  Harness h;
  Bytes stream = Code(0xFA);
  Append(stream, {0xE1, 0xE2, 0x51, 0x52, 0x53});
  Append(stream, Code(0xF8));
  Append(stream, {0x99});
  h.Feed(stream);
  h.Drain();
  ASSERT_EQ(h.audioUnits.size(), 1u);
  EXPECT_EQ(h.audioUnits[0], (Bytes{0x51, 0x52, 0x53}));
  EXPECT_TRUE(h.videoUnits.empty());  // the F8 unit is still open
  // Audio after video ends the video unit; the next video unit starts fresh.
  h.Feed(Code(0xFA));
  h.Feed({0xE1, 0xE2, 0x61});
  h.Feed(Code(0xF9));
  h.Feed({0x01});
  h.Drain();
  ASSERT_EQ(h.videoUnits.size(), 1u);
  EXPECT_EQ(h.videoUnits[0], (Bytes{0, 0, 1, 0xF8, 0x99}));
  ASSERT_EQ(h.audioUnits.size(), 2u);
  EXPECT_EQ(h.audioUnits[1], (Bytes{0x61}));
}

TEST(LiveUnitParser, StartCodeSplitAcrossReceives) {
  Harness h;
  h.Feed({0x00, 0x00});
  h.Feed({0x01, 0xF9, 0x77, 0x00, 0x00});
  h.Feed({0x01});
  h.Feed({0xF8});
  h.Feed({0x10});
  h.Drain();
  ASSERT_EQ(h.videoUnits.size(), 1u);
  EXPECT_EQ(h.videoUnits[0], (Bytes{0, 0, 1, 0xF9, 0x77}));
}

TEST(LiveUnitParser, StatusReportBetweenUnitsStaysFourBytesInTheUnit) {
  Harness h;
  Bytes stream = Code(0xF9);
  Append(stream, {0x31, 0x32});
  Append(stream, Code(0xFE));
  Append(stream, Ascii("00100007"
                       "0001"));
  Append(stream, Code(0xF8));
  Append(stream, {0x33});
  h.Feed(stream);
  h.Drain();
  EXPECT_EQ(h.reports, 1);
  EXPECT_EQ(h.statusWord, 1);
  ASSERT_EQ(h.videoUnits.size(), 1u);
  EXPECT_EQ(h.videoUnits[0], (Bytes{0, 0, 1, 0xF9, 0x31, 0x32, 0, 0, 1, 0xFE}));
  // A channel report and a close inside the following unit.
  stream = Code(0xFE);
  Append(stream, Ascii("00200008"
                       "0001000200030004"
                       "00A5"));
  Append(stream, {0x34});
  Append(stream, Code(0xFE));
  Append(stream, Ascii("000C000B"));
  Append(stream, Code(0xF9));
  Append(stream, {0x35});
  h.Feed(stream);
  h.Drain();
  EXPECT_EQ(h.reports, 2);
  EXPECT_EQ(h.statusWord, 0xA5);
  EXPECT_EQ(h.channelWords[3], 4);
  EXPECT_EQ(h.closes, 1);
  ASSERT_EQ(h.videoUnits.size(), 2u);
  EXPECT_EQ(h.videoUnits[1], (Bytes{0, 0, 1, 0xF8, 0x33, 0, 0, 1, 0xFE, 0x34, 0, 0, 1, 0xFE}));
}

// A report whose length field is shorter than its fields must not be read
// from the bytes a longer earlier message left in the message buffer.
TEST(LiveUnitParser, ShortOrUnreadableLengthDoesNotReadStaleBytes) {
  Harness h;
  Bytes stream = Code(0xF9);
  Append(stream, Code(0xFE));
  Append(stream, Ascii("00200008"
                       "1111222233334444"
                       "5555"));
  Append(stream, Code(0xFE));
  Append(stream, Ascii("000C0008"));  // channel report of only 12 bytes
  Append(stream, Code(0xFE));
  Append(stream, Ascii("000F0007"
                       "000"));  // status report one byte short
  Append(stream, Code(0xFE));
  Append(stream, Ascii("0G0C0007"));  // unreadable length: ends after 8 bytes
  h.Feed(stream);
  EXPECT_EQ(h.reports, 1);
  EXPECT_EQ(h.statusWord, 0x5555);
  ASSERT_EQ(h.messages.size(), 4u);
  EXPECT_EQ(h.messages[1].size(), 12u);
  EXPECT_EQ(h.messages[2].size(), 15u);
  EXPECT_EQ(h.messages[3].size(), 0u);
  // The rest of the unreadable message ("0007") is ordinary unit data again.
  h.Feed(Ascii("0001"));
  h.Feed(Code(0xF8));
  h.Feed({0});
  h.Drain();
  ASSERT_EQ(h.videoUnits.size(), 1u);
  const Bytes& unit = h.videoUnits[0];
  ASSERT_EQ(unit.size(), 4u + 4 * 4 + 8);
  EXPECT_EQ(Bytes(unit.end() - 8, unit.end()), Ascii("00070001"));
}

TEST(LiveUnitParser, OverlongMessageIsSkippedToItsEnd) {
  Harness h;
  Bytes stream = Code(0xF9);
  Append(stream, {0x21});
  Append(stream, Code(0xFE));
  Bytes message = Ascii("FFFF0007");  // 65535 bytes declared
  message.resize(65535 - 4, '7');
  Append(stream, message);
  Append(stream, {0x22});  // back in the video unit
  Append(stream, Code(0xFE));
  Append(stream, Ascii("00100007"
                       "0003"));
  Append(stream, Code(0xF8));
  Append(stream, {0x23});
  h.Feed(stream);
  h.Drain();
  EXPECT_EQ(h.parser.SkippedMessages(), 1u);
  EXPECT_EQ(h.reports, 1);
  EXPECT_EQ(h.statusWord, 3);
  ASSERT_EQ(h.videoUnits.size(), 1u);
  EXPECT_EQ(h.videoUnits[0], (Bytes{0, 0, 1, 0xF9, 0x21, 0, 0, 1, 0xFE, 0x22, 0, 0, 1, 0xFE}));
}

TEST(LiveUnitParser, UnitsOverTheEntryCapacityAreDropped) {
  Harness h;
  for (size_t payload : {size_t{131068}, size_t{131069}, size_t{300000}}) {
    h.Feed(Code(0xF9));
    h.Feed(Bytes(payload, 0x5A));
  }
  for (size_t samples : {size_t{4096}, size_t{4097}, size_t{9000}}) {
    h.Feed(Code(0xFA));
    h.Feed(Bytes(2 + samples, 0x6B));
  }
  h.Feed(Code(0xF8));
  h.Feed({0x01});
  h.Drain();
  ASSERT_EQ(h.videoUnits.size(), 1u);
  EXPECT_EQ(h.videoUnits[0].size(), 131072u);
  EXPECT_EQ(h.videoUnits[0].back(), 0x5A);
  EXPECT_EQ(h.video.DroppedTooLong(), 2u);
  ASSERT_EQ(h.audioUnits.size(), 1u);
  EXPECT_EQ(h.audioUnits[0], Bytes(4096, 0x6B));
  EXPECT_EQ(h.audio.DroppedTooLong(), 2u);
}

// A generated stream of every kind of unit and message: parsed whole, in
// chunks of every size from 1 byte up, and in random chunks, it must give the
// units the generator expects.
struct Generated {
  Bytes stream;
  std::vector<Bytes> video, audio, messages;
};

Generated Generate(uint32_t seed) {
  std::mt19937 rng(seed);
  Generated g;
  auto payload = [&](size_t n) {
    Bytes p;
    for (size_t i = 0; i < n; ++i) {
      if (rng() % 500 == 0) {
        Append(p, {0, 0, 1, static_cast<uint8_t>(0xB0 + rng() % 8)});  // slice codes
      } else {
        p.push_back(static_cast<uint8_t>(1 + rng() % 255));
      }
    }
    return p;
  };
  // Messages: the text after the start code, the bytes the parser takes as
  // the message, and whether it is handed on.
  const std::vector<std::string> texts = {
      "00100007"
      "0002",
      "00200008"
      "0001000200030004"
      "0009",
      "000C000B",
      "000C0005",
      "000F0007"
      "000",
      "0G0C",
      "0005"};
  Bytes* open = nullptr;  // expected bytes of the unit being collected
  for (int unit = 0; unit < 40; ++unit) {
    const uint32_t kind = rng() % 3;
    if (kind == 2) {  // audio
      Append(g.stream, Code(0xFA));
      Append(g.stream, {0xEE, 0xEF});
      g.audio.push_back(payload(rng() % 700));
      Append(g.stream, g.audio.back());
      open = &g.audio.back();
    } else {
      const uint8_t code = kind == 0 ? 0xF8 : 0xF9;
      g.video.push_back(Code(code));
      Bytes p = payload(rng() % 3000);
      Append(g.stream, g.video.back());
      Append(g.stream, p);
      Append(g.video.back(), p);
      open = &g.video.back();
    }
    while (rng() % 3 == 0) {
      const std::string& t = texts[rng() % texts.size()];
      Append(g.stream, Code(0xFE));
      Append(*open, Code(0xFE));
      const size_t declared = ReadHexField(reinterpret_cast<const uint8_t*>(t.data()), t.size(), 0);
      const size_t taken = (declared > 8 ? declared : 8) - 4;
      Bytes whole = Code(0xFE);
      Append(whole, Ascii(t));
      g.messages.emplace_back(whole.begin(), whole.begin() + declared);
      Append(g.stream, Ascii(t));
      Bytes rest(t.begin() + taken, t.end());
      Bytes more = payload(rng() % 50);
      Append(rest, more);
      Append(g.stream, more);
      Append(*open, rest);
    }
  }
  Append(g.stream, Code(0xF8));
  g.stream.push_back(0x01);
  return g;
}

void ExpectSameAs(const Generated& g, Harness& h, const std::string& how) {
  EXPECT_EQ(h.videoUnits, g.video) << how;
  EXPECT_EQ(h.audioUnits, g.audio) << how;
  EXPECT_EQ(h.messages, g.messages) << how;
}

TEST(LiveUnitParser, EveryChunkingGivesTheSameUnits) {
  for (uint32_t seed : {1u, 2u}) {
    const Generated g = Generate(seed);
    ASSERT_FALSE(g.video.empty());
    ASSERT_FALSE(g.audio.empty());
    ASSERT_FALSE(g.messages.empty());
    std::vector<size_t> sizes;
    for (size_t s = 1; s <= 64; ++s) sizes.push_back(s);
    for (size_t s = 97; s < g.stream.size(); s = s * 3 / 2) sizes.push_back(s);
    sizes.push_back(g.stream.size());
    for (size_t size : sizes) {
      Harness h(size % 2 == 0);  // the per-byte steps alone and with the fast path
      for (size_t at = 0; at < g.stream.size(); at += size) {
        h.parser.Parse(g.stream.data() + at, std::min(size, g.stream.size() - at));
        h.Drain();
      }
      ExpectSameAs(g, h, "seed " + std::to_string(seed) + " chunk " + std::to_string(size));
    }
    std::mt19937 rng(seed);
    for (int round = 0; round < 20; ++round) {
      Harness h(round % 2 == 0);
      for (size_t at = 0; at < g.stream.size();) {
        const size_t n = std::min<size_t>(1 + rng() % 5000, g.stream.size() - at);
        h.parser.Parse(g.stream.data() + at, n);
        at += n;
        if (rng() % 2) h.Drain();
      }
      h.Drain();
      ExpectSameAs(g, h, "random round " + std::to_string(round));
    }
  }
}

// Bytes dense in 00 and 01 and in start codes of every kind, long units and
// messages among them: the fast path must leave exactly what the per-byte
// steps leave, whatever the chunking.
TEST(LiveUnitParser, FastPathEqualsThePerByteSteps) {
  std::mt19937 rng(11);
  const uint8_t codes[] = {0xF8, 0xF9, 0xFA, 0xFE, 0x01, 0xB3};
  for (int round = 0; round < 6; ++round) {
    Bytes stream;
    while (stream.size() < 400000) {
      const uint32_t r = rng() % 100;
      if (r < 3) {
        Append(stream, Code(codes[rng() % 6]));
      } else if (r < 4) {
        Append(stream, Ascii(rng() % 2 ? "00100007"
                                         "00A1"
                                       : "0G10"));
      } else if (r < 5) {
        stream.insert(stream.end(), 1 + rng() % 140000, static_cast<uint8_t>(2 + rng() % 200));
      } else {
        const uint8_t b = static_cast<uint8_t>(rng() % (round < 3 ? 4 : 256));
        stream.push_back(b);
      }
    }
    // Whole: the queues fill and drop, the same units in both.
    Harness reference(true, 16), fast(false, 16);
    reference.Feed(stream);
    fast.Feed(stream);
    reference.Drain();
    fast.Drain();
    EXPECT_EQ(fast.videoUnits, reference.videoUnits) << round;
    EXPECT_EQ(fast.audioUnits, reference.audioUnits) << round;
    EXPECT_EQ(fast.messages, reference.messages) << round;
    EXPECT_EQ(fast.video.DroppedTooLong(), reference.video.DroppedTooLong());
    EXPECT_EQ(fast.parser.SkippedMessages(), reference.parser.SkippedMessages());
    // In random receives, drained after each so that nothing drops: the same
    // as one byte at a time.
    Harness single(true), fastSmall(false, 64);
    for (uint8_t b : stream) {
      single.parser.Parse(&b, 1);
      if (single.video.ReadyCount() + single.audio.ReadyCount() > 0) single.Drain();
    }
    for (size_t at = 0; at < stream.size();) {
      const size_t n = std::min<size_t>(1 + rng() % 300, stream.size() - at);
      fastSmall.parser.Parse(stream.data() + at, n);
      fastSmall.Drain();
      at += n;
    }
    EXPECT_EQ(fastSmall.videoUnits, single.videoUnits) << round;
    EXPECT_EQ(fastSmall.audioUnits, single.audioUnits) << round;
    EXPECT_EQ(fastSmall.messages, single.messages) << round;
  }
}

// A unit cut off by a lost connection is dropped when the next connection
// begins, not completed with the new connection's bytes; in the middle of a
// message or of sound alike, and with either path.
TEST(LiveUnitParser, NewConnectionDropsTheUnitBeingCollected) {
  for (bool reference : {true, false}) {
    SCOPED_TRACE(reference);
    Harness h(reference);
    Bytes first = Code(0xF9);
    Append(first, Ascii("whole picture"));
    Append(first, Code(0xF8));
    Append(first, Ascii("cut off"));
    h.Feed(first);
    h.parser.DropPartialUnits();
    Bytes second = Code(0xF9);
    Append(second, Ascii("next"));
    Append(second, Code(0xFA));
    Append(second, Ascii("xxsound"));
    Append(second, Code(0xF9));
    Append(second, Ascii("0"));
    h.Feed(second);
    h.Drain();
    ASSERT_EQ(h.videoUnits.size(), 2u);
    Bytes want = Code(0xF9);
    Append(want, Ascii("whole picture"));
    EXPECT_EQ(h.videoUnits[0], want);
    want = Code(0xF9);
    Append(want, Ascii("next"));
    EXPECT_EQ(h.videoUnits[1], want);
    ASSERT_EQ(h.audioUnits.size(), 1u);
    EXPECT_EQ(h.audioUnits[0], Ascii("sound"));

    // Cut inside a message: the next connection starts clean.
    Harness m(reference);
    Bytes partial = Code(0xF9);
    Append(partial, Ascii("a"));
    Append(partial, Code(0xFE));
    Append(partial, Ascii("00"));
    m.Feed(partial);
    m.parser.DropPartialUnits();
    m.Feed(second);
    m.Drain();
    ASSERT_EQ(m.videoUnits.size(), 1u);
    EXPECT_EQ(m.videoUnits[0], h.videoUnits[1]);
    EXPECT_TRUE(m.messages.empty());
  }
}

}  // namespace
}  // namespace marlow
