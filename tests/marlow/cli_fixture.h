// Runs the marlow and makekvr programs of the build for the tool's tests and
// keeps the files they make in a folder of the test's own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/marlow/json_value.h"

namespace marlow::testing {

struct Result {
  int code = -1;  // exit status
  std::string out, err;
  double seconds = 0;
  Json json;  // stdout parsed when it is JSON
  bool parsed = false;
};

// A fresh folder under the build's temp area for one test.
std::string TestFolder(const std::string& name);
// Runs a shell command line; stdout and stderr are captured.
Result RunCommand(const std::string& line);
// marlow with the arguments (each quoted for the shell).
Result Marlow(const std::vector<std::string>& args);
// makekvr --out path with the options; fails the test when it fails.
void MakeKvr(const std::string& path, const std::vector<std::string>& options);
std::vector<uint8_t> ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes);
std::string Quote(const std::string& s);

}  // namespace marlow::testing
