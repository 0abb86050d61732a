// Where the viewer finds its profile and its message file, worked out once at
// start-up before any window exists and kept for the whole run.
#pragma once

#include <functional>
#include <string>

#include "viewer/profile_settings.h"

namespace marlow::viewer {

struct StartupPaths {
  std::string baseDirectory;    // current directory, ending in a backslash
  std::string profilePath;      // base + DvrProfile.ini
  std::string messageFilePath;  // empty: no message file, built-in texts only
  int channelCount = kDefaultChannelCount;
};

// The current directory with a backslash appended unless it ends in one.
std::string BaseDirectory(const std::string& currentDirectory);

// "%s%04x.txt": the base directory and the language identifier (the low 16
// bits of the locale identifier) as four lower-case hex digits.
std::string LanguageMessageFile(const std::string& baseDirectory, unsigned localeId);

// The start-up steps: profile path; MsgFile (empty selects the language
// file); a message file that does not exist is dropped; the channel count.
// `profile` must read the profile at the returned profilePath; `fileExists`
// tells whether a file exists at a path.
StartupPaths ComputeStartupPaths(const std::string& currentDirectory, unsigned localeId,
                                 const std::function<ProfileStore*(const std::string&)>& profile,
                                 const std::function<bool(const std::string&)>& fileExists);

}  // namespace marlow::viewer
