#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "viewer/profile_settings.h"
#include "viewer/startup_paths.h"

namespace marlow::viewer {
namespace {

// A profile in memory that keeps the order of writes. Integer reads take a
// whole decimal number only, as the rules require of any store.
class MemoryProfile : public ProfileStore {
 public:
  int ReadInt(const char* key, int defaultValue) override {
    reads.push_back(key);
    auto it = values.find(key);
    if (it == values.end()) return defaultValue;
    char* end = nullptr;
    const long v = std::strtol(it->second.c_str(), &end, 10);
    return end != it->second.c_str() ? static_cast<int>(v) : defaultValue;
  }
  void ReadString(const char* key, const char* defaultValue, char* out, size_t size) override {
    reads.push_back(key);
    auto it = values.find(key);
    const std::string& text = it != values.end() ? it->second : std::string(defaultValue);
    std::snprintf(out, size, "%s", text.c_str());
  }
  void WriteString(const char* key, const char* value) override {
    writes.emplace_back(key, value);
    values[key] = value;
  }
  std::map<std::string, std::string> values;
  std::vector<std::string> reads;
  std::vector<std::pair<std::string, std::string>> writes;
};

TEST(ProfileRules, DefaultsAndTheWrittenKeysInOrder) {
  MemoryProfile empty;
  ViewerSettings s;
  s.videoWidth = -1;  // every field must be overwritten by the load
  LoadSettings(empty, &s);
  EXPECT_EQ(s.videoWidth, 640);
  EXPECT_EQ(s.videoHeight, 448);
  EXPECT_EQ(s.volume, 32768);
  EXPECT_EQ(s.port, 8841);
  EXPECT_EQ(s.timeoutMs, 7000);
  EXPECT_EQ(s.ddnsIp, "127.0.0.1");
  EXPECT_EQ(s.ddnsPort, 1800);
  EXPECT_EQ(s.dvrName, "DVR000");
  EXPECT_EQ(s.capturePath, "C:\\DVRCapture");
  EXPECT_EQ(s.timeFormat, "%Y/%m/%d %H:%M:%S");
  EXPECT_EQ(s.showTime, 1);
  EXPECT_EQ(s.useDDraw, 1);
  EXPECT_EQ(s.autoReconnection, 1);

  const std::vector<std::string> order = {"Capture Path", "AlwaysOnTop",
                                          "Show Time",    "Video Width",
                                          "Video Height", "Repeat",
                                          "Time Format",  "Volume",
                                          "Mute",         "IP Address",
                                          "Port",         "DynamicIp",
                                          "Use DDraw",    "Auto Reconnection",
                                          "Timeout",      "Ddns Ip",
                                          "Ddns Port",    "Local Recording Path",
                                          "DvrName"};
  EXPECT_EQ(empty.reads, order);
  SaveSettings(empty, s);
  ASSERT_EQ(empty.writes.size(), static_cast<size_t>(kSavedKeyCount));
  for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(empty.writes[i].first, order[i]);
  EXPECT_EQ(empty.values["Timeout"], "7");
  EXPECT_EQ(empty.values["Volume"], "32768");
}

TEST(ProfileRules, ValueTransformations) {
  MemoryProfile p;
  p.values = {{"Timeout", "3"}, {"Volume", "131071"}, {"Video Width", "-5"}, {"Port", "port"}};
  ViewerSettings s;
  LoadSettings(p, &s);
  EXPECT_EQ(s.timeoutMs, 3000);
  EXPECT_EQ(s.videoWidth, -5);  // not range-checked
  EXPECT_EQ(s.port, 8841);      // not a number: the default
  SaveSettings(p, s);
  EXPECT_EQ(p.values["Timeout"], "3");
  EXPECT_EQ(p.values["Volume"], "65535");  // the low 16 bits
  // Milliseconds that are not whole seconds round down; a hand-typed huge
  // time-out saturates instead of wrapping.
  EXPECT_EQ(TimeoutMsToSeconds(7999), 7);
  EXPECT_EQ(TimeoutSecondsToMs(INT_MAX), INT_MAX);
  EXPECT_EQ(TimeoutSecondsToMs(-3), -3000);
}

TEST(StartupPaths, ProfileAndMessageFile) {
  EXPECT_EQ(BaseDirectory("C:\\work"), "C:\\work\\");
  EXPECT_EQ(BaseDirectory("C:\\"), "C:\\");
  EXPECT_EQ(LanguageMessageFile("C:\\v\\", 0x0409), "C:\\v\\0409.txt");
  EXPECT_EQ(LanguageMessageFile("C:\\v\\", 0x0804040C), "C:\\v\\040c.txt");

  MemoryProfile p;
  std::vector<std::string> asked;
  auto exists = [&asked](const std::string& path) {
    asked.push_back(path);
    return path == "D:\\run\\0407.txt" || path == "D:\\run\\lang\\fr.txt";
  };
  auto store = [&p](const std::string& path) {
    EXPECT_EQ(path, "D:\\run\\DvrProfile.ini");
    return &p;
  };
  // Empty MsgFile: the system language's file, dropped when it is missing.
  StartupPaths s = ComputeStartupPaths("D:\\run", 0x0409, store, exists);
  EXPECT_EQ(s.profilePath, "D:\\run\\DvrProfile.ini");
  EXPECT_EQ(asked.back(), "D:\\run\\0409.txt");
  EXPECT_EQ(s.messageFilePath, "");
  EXPECT_EQ(s.channelCount, 4);
  EXPECT_EQ(ComputeStartupPaths("D:\\run\\", 0x0407, store, exists).messageFilePath,
            "D:\\run\\0407.txt");
  // MsgFile relative to the base directory; NumberOfChannels unchecked.
  p.values = {{"MsgFile", "lang\\fr.txt"}, {"NumberOfChannels", "7"}};
  s = ComputeStartupPaths("D:\\run", 0x0407, store, exists);
  EXPECT_EQ(s.messageFilePath, "D:\\run\\lang\\fr.txt");
  EXPECT_EQ(s.channelCount, 7);
}

}  // namespace
}  // namespace marlow::viewer
