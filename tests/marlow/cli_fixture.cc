#include "tests/marlow/cli_fixture.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace marlow::testing {

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string TestFolder(const std::string& name) {
  const std::string dir = std::string(MARLOW_TEST_TMP) + "/" + name;
  std::system(("rm -rf " + Quote(dir) + " && mkdir -p " + Quote(dir)).c_str());
  return dir;
}

static std::string Slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

Result RunCommand(const std::string& line) {
  static int counter = 0;
  const std::string base = std::string(MARLOW_TEST_TMP) + "/run" + std::to_string(getpid()) + "_" +
                           std::to_string(counter++);
  const auto t0 = std::chrono::steady_clock::now();
  const int st = std::system((line + " >" + base + ".out 2>" + base + ".err").c_str());
  Result r;
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  r.code = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  r.out = Slurp(base + ".out");
  r.err = Slurp(base + ".err");
  std::remove((base + ".out").c_str());
  std::remove((base + ".err").c_str());
  if (!r.out.empty() && (r.out[0] == '{' || r.out[0] == '[')) r.parsed = ParseJson(r.out, &r.json);
  return r;
}

Result Marlow(const std::vector<std::string>& args) {
  std::string line = MARLOW_PROGRAM;
  for (const auto& a : args) line += " " + Quote(a);
  return RunCommand(line);
}

void MakeKvr(const std::string& path, const std::vector<std::string>& options) {
  std::string line = std::string(MAKEKVR_PROGRAM) + " --out " + Quote(path);
  for (const auto& o : options) line += " " + Quote(o);
  const Result r = RunCommand(line);
  ASSERT_EQ(r.code, 0) << line << "\n" << r.err;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  const std::string s = Slurp(path);
  return std::vector<uint8_t>(s.begin(), s.end());
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace marlow::testing
