#include "viewer/startup_paths.h"

#include <cstdio>

namespace marlow::viewer {

std::string BaseDirectory(const std::string& currentDirectory) {
  std::string base = currentDirectory;
  if (base.empty() || base.back() != '\\') base += '\\';
  return base;
}

std::string LanguageMessageFile(const std::string& baseDirectory, unsigned localeId) {
  char name[16];
  std::snprintf(name, sizeof name, "%04x.txt", localeId & 0xFFFFu);
  return baseDirectory + name;
}

StartupPaths ComputeStartupPaths(const std::string& currentDirectory, unsigned localeId,
                                 const std::function<ProfileStore*(const std::string&)>& profile,
                                 const std::function<bool(const std::string&)>& fileExists) {
  StartupPaths paths;
  paths.baseDirectory = BaseDirectory(currentDirectory);
  paths.profilePath = paths.baseDirectory + kProfileFileName;
  ProfileStore* store = profile(paths.profilePath);

  char msgFile[kProfilePathSize] = "";
  if (store != nullptr) store->ReadString(profile_key::kMsgFile, "", msgFile, sizeof msgFile);
  msgFile[sizeof msgFile - 1] = '\0';
  paths.messageFilePath = msgFile[0] != '\0' ? paths.baseDirectory + msgFile
                                             : LanguageMessageFile(paths.baseDirectory, localeId);
  if (!fileExists(paths.messageFilePath)) paths.messageFilePath.clear();

  paths.channelCount = store != nullptr
                           ? store->ReadInt(profile_key::kNumberOfChannels, kDefaultChannelCount)
                           : kDefaultChannelCount;
  return paths;
}

}  // namespace marlow::viewer
