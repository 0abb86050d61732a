#include "viewer/profile_settings.h"

#include <climits>
#include <cstdint>
#include <cstdio>

namespace marlow::viewer {

namespace {

std::string ReadText(ProfileStore& store, const char* key, const char* defaultValue) {
  char buffer[kProfileStringSize];
  store.ReadString(key, defaultValue, buffer, sizeof buffer);
  buffer[sizeof buffer - 1] = '\0';
  return buffer;
}

}  // namespace

void WriteProfileInt(ProfileStore& store, const char* key, int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  store.WriteString(key, text);
}

int TimeoutSecondsToMs(int seconds) {
  // The profile is typed by hand: a huge value saturates instead of wrapping.
  const int64_t ms = static_cast<int64_t>(seconds) * 1000;
  if (ms > INT_MAX) return INT_MAX;
  if (ms < INT_MIN) return INT_MIN;
  return static_cast<int>(ms);
}

int TimeoutMsToSeconds(int milliseconds) {
  return milliseconds / 1000;
}

void LoadSettings(ProfileStore& store, ViewerSettings* s) {
  namespace k = profile_key;
  s->capturePath = ReadText(store, k::kCapturePath, kDefaultCapturePath);
  s->alwaysOnTop = store.ReadInt(k::kAlwaysOnTop, 0);
  s->showTime = store.ReadInt(k::kShowTime, 1);
  s->videoWidth = store.ReadInt(k::kVideoWidth, kDefaultVideoWidth);
  s->videoHeight = store.ReadInt(k::kVideoHeight, kDefaultVideoHeight);
  s->repeat = store.ReadInt(k::kRepeat, 0);
  s->timeFormat = ReadText(store, k::kTimeFormat, kDefaultTimeFormatText);
  s->volume = store.ReadInt(k::kVolume, kDefaultVolume);
  s->mute = store.ReadInt(k::kMute, 0);
  s->ipAddress = ReadText(store, k::kIpAddress, kDefaultIpAddress);
  s->port = store.ReadInt(k::kPort, kDefaultPort);
  s->dynamicIp = store.ReadInt(k::kDynamicIp, 0);
  s->useDDraw = store.ReadInt(k::kUseDDraw, 1);
  s->autoReconnection = store.ReadInt(k::kAutoReconnection, 1);
  s->timeoutMs = TimeoutSecondsToMs(store.ReadInt(k::kTimeout, kDefaultTimeoutSeconds));
  s->ddnsIp = ReadText(store, k::kDdnsIp, kDefaultDdnsIp);
  s->ddnsPort = store.ReadInt(k::kDdnsPort, kDefaultDdnsPort);
  s->localRecordingPath = ReadText(store, k::kLocalRecordingPath, kDefaultLocalRecordingPath);
  s->dvrName = ReadText(store, k::kDvrName, kDefaultDvrName);
}

void SaveSettings(ProfileStore& store, const ViewerSettings& s) {
  namespace k = profile_key;
  store.WriteString(k::kCapturePath, s.capturePath.c_str());
  WriteProfileInt(store, k::kAlwaysOnTop, s.alwaysOnTop);
  WriteProfileInt(store, k::kShowTime, s.showTime);
  WriteProfileInt(store, k::kVideoWidth, s.videoWidth);
  WriteProfileInt(store, k::kVideoHeight, s.videoHeight);
  WriteProfileInt(store, k::kRepeat, s.repeat);
  store.WriteString(k::kTimeFormat, s.timeFormat.c_str());
  WriteProfileInt(store, k::kVolume, s.volume & 0xFFFF);
  WriteProfileInt(store, k::kMute, s.mute);
  store.WriteString(k::kIpAddress, s.ipAddress.c_str());
  WriteProfileInt(store, k::kPort, s.port);
  WriteProfileInt(store, k::kDynamicIp, s.dynamicIp);
  WriteProfileInt(store, k::kUseDDraw, s.useDDraw);
  WriteProfileInt(store, k::kAutoReconnection, s.autoReconnection);
  WriteProfileInt(store, k::kTimeout, TimeoutMsToSeconds(s.timeoutMs));
  store.WriteString(k::kDdnsIp, s.ddnsIp.c_str());
  WriteProfileInt(store, k::kDdnsPort, s.ddnsPort);
  store.WriteString(k::kLocalRecordingPath, s.localRecordingPath.c_str());
  store.WriteString(k::kDvrName, s.dvrName.c_str());
}

}  // namespace marlow::viewer
