#include "viewer/win32_profile.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace marlow::viewer {

namespace {

constexpr char kMessagesSection[] = "Messages";

std::string g_messageFilePath;

// Whether the text reads as a number to the platform's integer read: blanks,
// an optional sign, then a digit. Anything else is "not a number" and takes
// the default, where the platform itself would give 0.
bool StartsAsNumber(const char* text) {
  while (*text == ' ' || *text == '\t') ++text;
  if (*text == '+' || *text == '-') ++text;
  return *text >= '0' && *text <= '9';
}

}  // namespace

int Win32Profile::ReadInt(const char* key, int defaultValue) {
  char text[kProfileStringSize];
  GetPrivateProfileStringA(kProfileSection, key, "", text, sizeof text, path_.c_str());
  if (!StartsAsNumber(text)) return defaultValue;
  return static_cast<int>(GetPrivateProfileIntA(kProfileSection, key, defaultValue, path_.c_str()));
}

void Win32Profile::ReadString(const char* key, const char* defaultValue, char* out, size_t size) {
  if (out == nullptr || size == 0) return;
  out[0] = '\0';
  GetPrivateProfileStringA(kProfileSection, key, defaultValue ? defaultValue : "", out,
                           static_cast<DWORD>(size), path_.c_str());
  out[size - 1] = '\0';
}

void Win32Profile::WriteString(const char* key, const char* value) {
  WritePrivateProfileStringA(kProfileSection, key, value ? value : "", path_.c_str());
}

StartupPaths ComputeProcessStartupPaths() {
  char directory[MAX_PATH + 1] = "";
  const DWORD length = GetCurrentDirectoryA(sizeof directory, directory);
  if (length == 0 || length >= sizeof directory) directory[0] = '\0';
  Win32Profile profile("");
  return ComputeStartupPaths(
      directory, static_cast<unsigned>(GetSystemDefaultLCID()),
      [&profile](const std::string& path) {
        profile = Win32Profile(path);
        return &profile;
      },
      [](const std::string& path) {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
      });
}

void SetMessageFilePath(const std::string& path) {
  g_messageFilePath = path;
}

const std::string& MessageFilePath() {
  return g_messageFilePath;
}

bool LookupMessage(int number, std::string* text) {
  if (g_messageFilePath.empty()) return false;
  char key[16];
  std::snprintf(key, sizeof key, "%d", number);
  char value[kMessageBufferSize] = "";
  GetPrivateProfileStringA(kMessagesSection, key, "", value, sizeof value,
                           g_messageFilePath.c_str());
  value[sizeof value - 1] = '\0';
  if (value[0] == '\0') return false;
  if (text != nullptr) *text = value;
  return true;
}

}  // namespace marlow::viewer
