#include "viewer/capture_names.h"

#include <cstdio>

namespace marlow::viewer {

std::string StillCaptureName(const LocalTime& t) {
  char name[64];
  std::snprintf(name, sizeof name, "%02d%02d%02d-%02d%02d%02d.bmp", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return name;
}

std::string StillCapturePath(const std::string& capturePath, const std::string& name) {
  if (capturePath.size() < 2) return name;
  if (capturePath.back() == '\\') return capturePath + name;
  return capturePath + "\\" + name;
}

std::string CommandLineFile(const char* commandLine) {
  std::string out;
  if (!commandLine) return out;
  for (const char* p = commandLine; *p && out.size() < kCommandLineFileMax; ++p) {
    if (*p != '"') out.push_back(*p);
  }
  return out;
}

}  // namespace marlow::viewer
