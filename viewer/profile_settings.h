// The viewer's persistent settings: the keys of section "Setting" of
// DvrProfile.ini with their defaults, and the order in which the main window
// reads them at start and writes them at exit. The file itself is reached
// through a ProfileStore, so that these rules run the same on any platform;
// the Windows store goes through the system's profile-file calls.
#pragma once

#include <cstddef>
#include <string>

namespace marlow::viewer {

// Text buffer of a string key; at most kProfileStringSize - 1 characters are
// kept. MsgFile alone is read into a path-sized buffer.
constexpr size_t kProfileStringSize = 80;
constexpr size_t kProfilePathSize = 260;
constexpr char kProfileSection[] = "Setting";
constexpr char kProfileFileName[] = "DvrProfile.ini";

// Key names.
namespace profile_key {
constexpr char kMsgFile[] = "MsgFile";
constexpr char kNumberOfChannels[] = "NumberOfChannels";
constexpr char kLogoBmp[] = "LogoBmp";
constexpr char kAppName[] = "AppName";
constexpr char kCapturePath[] = "Capture Path";
constexpr char kAlwaysOnTop[] = "AlwaysOnTop";
constexpr char kShowTime[] = "Show Time";
constexpr char kVideoWidth[] = "Video Width";
constexpr char kVideoHeight[] = "Video Height";
constexpr char kRepeat[] = "Repeat";
constexpr char kTimeFormat[] = "Time Format";
constexpr char kVolume[] = "Volume";
constexpr char kMute[] = "Mute";
constexpr char kIpAddress[] = "IP Address";
constexpr char kPort[] = "Port";
constexpr char kDynamicIp[] = "DynamicIp";
constexpr char kUseDDraw[] = "Use DDraw";
constexpr char kAutoReconnection[] = "Auto Reconnection";
constexpr char kTimeout[] = "Timeout";
constexpr char kDdnsIp[] = "Ddns Ip";
constexpr char kDdnsPort[] = "Ddns Port";
constexpr char kLocalRecordingPath[] = "Local Recording Path";
constexpr char kDvrName[] = "DvrName";
}  // namespace profile_key

// Defaults.
constexpr int kDefaultChannelCount = 4;
constexpr char kDefaultAppName[] = "Marlow Viewer";
constexpr char kDefaultCapturePath[] = "C:\\DVRCapture";
constexpr char kDefaultTimeFormatText[] = "%Y/%m/%d %H:%M:%S";
constexpr int kDefaultVideoWidth = 640;
constexpr int kDefaultVideoHeight = 448;
constexpr int kDefaultVolume = 32768;
constexpr char kDefaultIpAddress[] = "192.168.10.100";
constexpr int kDefaultPort = 8841;
constexpr int kDefaultTimeoutSeconds = 7;
// The dynamic-address server has no address of its own until the user gives
// one: the loopback address keeps a login through the service on this
// machine, so a default profile never sends a packet onto any network.
constexpr char kDefaultDdnsIp[] = "127.0.0.1";
constexpr int kDefaultDdnsPort = 1800;
constexpr char kDefaultLocalRecordingPath[] = "C:\\DVRCapture";
constexpr char kDefaultDvrName[] = "DVR000";

// One profile file, section "Setting". Reads follow the system's profile
// rules: a missing key or a value that is not a number gives the default.
class ProfileStore {
 public:
  virtual ~ProfileStore() = default;
  virtual int ReadInt(const char* key, int defaultValue) = 0;
  // Copies the value (or the default) into out, at most size - 1 characters
  // and always terminated.
  virtual void ReadString(const char* key, const char* defaultValue, char* out, size_t size) = 0;
  // A write that fails is ignored.
  virtual void WriteString(const char* key, const char* value) = 0;
};

// Integers are written as decimal text.
void WriteProfileInt(ProfileStore& store, const char* key, int value);

// The read/write keys, as the main window holds them between start and exit.
struct ViewerSettings {
  std::string capturePath = kDefaultCapturePath;
  int alwaysOnTop = 0;
  int showTime = 1;
  int videoWidth = kDefaultVideoWidth;
  int videoHeight = kDefaultVideoHeight;
  int repeat = 0;
  std::string timeFormat = kDefaultTimeFormatText;
  int volume = kDefaultVolume;  // only the low 16 bits are applied and saved
  int mute = 0;
  std::string ipAddress = kDefaultIpAddress;
  int port = kDefaultPort;
  int dynamicIp = 0;
  int useDDraw = 1;
  int autoReconnection = 1;
  int timeoutMs = kDefaultTimeoutSeconds * 1000;  // held in milliseconds, stored in seconds
  std::string ddnsIp = kDefaultDdnsIp;
  int ddnsPort = kDefaultDdnsPort;
  std::string localRecordingPath = kDefaultLocalRecordingPath;
  std::string dvrName = kDefaultDvrName;
};

// Number of keys SaveSettings writes.
constexpr int kSavedKeyCount = 19;

// Reads the read/write keys in the main window's start order. Values are not
// range-checked; a string keeps its first 79 characters.
void LoadSettings(ProfileStore& store, ViewerSettings* settings);
// Writes the same keys in the exit order: volume as its low 16 bits, the
// time-out as whole seconds.
void SaveSettings(ProfileStore& store, const ViewerSettings& settings);

// Time-out conversions between the profile (seconds) and the network
// connection (milliseconds).
int TimeoutSecondsToMs(int seconds);
int TimeoutMsToSeconds(int milliseconds);

}  // namespace marlow::viewer
