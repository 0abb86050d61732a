// Names the main window makes: the still picture's file name from the local
// time and where it goes, and the recording named on the command line.
#pragma once

#include <string>

namespace marlow::viewer {

struct LocalTime {
  int year, month, day, hour, minute, second;
};

// "%02d%02d%02d-%02d%02d%02d.bmp": 20081231-235959.bmp.
std::string StillCaptureName(const LocalTime& t);
// The name alone for a capture path shorter than 2 characters; the path and
// the name, with a backslash between them unless the path ends in one.
std::string StillCapturePath(const std::string& capturePath, const std::string& name);

// The command line with every double quote dropped, at most 1023 characters.
constexpr size_t kCommandLineFileMax = 1023;
std::string CommandLineFile(const char* commandLine);

}  // namespace marlow::viewer
