// The profile and the message file through the system's profile-file calls
// (GetPrivateProfileStringA / GetPrivateProfileIntA / WritePrivateProfileStringA).
#pragma once

#include <string>

#include "viewer/profile_settings.h"
#include "viewer/startup_paths.h"

namespace marlow::viewer {

// Section "Setting" of one profile file. Reads never fail: a missing file,
// section or key, an unreadable file or a value that is not a number gives
// the default.
class Win32Profile : public ProfileStore {
 public:
  explicit Win32Profile(std::string path) : path_(std::move(path)) {}
  int ReadInt(const char* key, int defaultValue) override;
  void ReadString(const char* key, const char* defaultValue, char* out, size_t size) override;
  void WriteString(const char* key, const char* value) override;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// The start-up steps with the process's current directory, the system's
// default locale and the file system.
StartupPaths ComputeProcessStartupPaths();

// The message file of the process, set once at start-up (empty: none, every
// text stays built in).
void SetMessageFilePath(const std::string& path);
const std::string& MessageFilePath();

// Longest message text (read with a 255-character buffer).
constexpr size_t kMessageBufferSize = 255;

// Looks up message `number` in section "Messages": true with its text when
// the message file is in use and the value is not empty.
bool LookupMessage(int number, std::string* text);

}  // namespace marlow::viewer
