#include "export/export_names.h"

namespace marlow {

namespace {

std::string InsertBeforeExtension(const std::string& path, const std::string& text) {
  const size_t slash = path.find_last_of("\\/");
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    return path + text;
  }
  return path.substr(0, dot) + text + path.substr(dot);
}

void ReplaceAll(std::string* s, const std::string& from, const std::string& to) {
  for (size_t at = s->find(from); at != std::string::npos; at = s->find(from, at + to.size())) {
    s->replace(at, from.size(), to);
  }
}

}  // namespace

std::string ChannelFileName(const std::string& outputPath, int channel) {
  return InsertBeforeExtension(outputPath, "-CH" + std::to_string(channel + 1));
}

std::string PartFileName(const std::string& channelFile, int part) {
  if (part <= 1) return channelFile;
  return InsertBeforeExtension(channelFile, "-" + std::to_string(part));
}

std::string OutputNameFromInput(const std::string& inputPath) {
  std::string out = inputPath;
  ReplaceAll(&out, "KVR", "AVI");
  ReplaceAll(&out, "kvr", "AVI");
  return out;
}

}  // namespace marlow
