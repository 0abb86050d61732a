// Helpers shared by the recording tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/notice.h"
#include "recording/block_format.h"
#include "recording/recording_source.h"
#include "tools/streamkit/stream_builder.h"

namespace marlow::testing_util {

using Bytes = std::vector<uint8_t>;

inline std::string TempPath(const std::string& name) {
  return std::string(::testing::TempDir()) + "marlow_rec_" + name;
}

// Writes b to a temp file and returns its path.
inline std::string WriteTemp(const streamkit::StreamBuilder& b, const std::string& name,
                             bool diskOrder = false) {
  const std::string path = TempPath(name);
  EXPECT_TRUE(b.WriteFile(path.c_str(), diskOrder));
  return path;
}

inline Bytes Audio(int channel, size_t samples, uint8_t first = 0x40) {
  Bytes u = {0, 0, 1, static_cast<uint8_t>(0xFA + channel), 0, 0};
  for (size_t i = 0; i < samples; ++i) u.push_back(static_cast<uint8_t>(first + i * 3));
  return u;
}

// What a source delivers for a unit written whole: video as it is, audio
// without its 6-byte head, both cut to the first 131072 unit bytes.
inline Bytes Delivered(const Bytes& unit) {
  Bytes d(unit.begin(), unit.begin() + std::min(unit.size(), kMaxUnitBytes));
  if (IsVideoCode(unit[3])) return d;
  if (d.size() <= kAudioHeadBytes) return {};
  return Bytes(d.begin() + kAudioHeadBytes, d.end());
}

struct Read {
  Bytes bytes;
  bool audio = false;
  int channel = 0;
  uint64_t position = 0;
};

// Reads one unit in the given direction; empty bytes when none.
inline Read ReadOne(RecordingSource& s, bool backward, Bytes& buf) {
  buf.resize(kMaxUnitBytes);
  const uint32_t n = backward ? s.ReadBackward(buf.data()) : s.ReadForward(buf.data());
  Read r;
  r.bytes.assign(buf.begin(), buf.begin() + n);
  r.audio = s.LastIsAudio();
  r.channel = s.LastChannel();
  r.position = s.Position();
  return r;
}

// Every unit one direction yields until a read finds none.
inline std::vector<Bytes> ReadAll(RecordingSource& s, bool backward) {
  std::vector<Bytes> out;
  Bytes buf(kMaxUnitBytes);
  for (;;) {
    const uint32_t n = backward ? s.ReadBackward(buf.data()) : s.ReadForward(buf.data());
    if (!s.LastReadFoundUnit()) return out;
    out.emplace_back(buf.begin(), buf.begin() + n);
  }
}

// Collects notices instead of showing them.
class NoticeCollector : public platform::NoticeSink {
 public:
  NoticeCollector() { previous_ = platform::SetNoticeSink(this); }
  ~NoticeCollector() override { platform::SetNoticeSink(previous_); }
  void Notice(const char* text, const char*) override { texts.push_back(text); }
  std::vector<std::string> texts;

 private:
  platform::NoticeSink* previous_ = nullptr;
};

}  // namespace marlow::testing_util
