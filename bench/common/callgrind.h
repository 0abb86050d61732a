// Helpers for benchmarks that count instructions with valgrind's callgrind
// tool, for our own programs and for ffmpeg beside them. Header-only: each
// benchmark is one program and links nothing else of the bench folder.
//
// ffmpeg cannot run under valgrind 3.19 by itself (a library it loads at
// start-up executes RDTSCP); bench/codec/callgrind_timer_stub.cc, built as
// the shared library callgrind_timer_stub, is preloaded into it to avoid
// that. A benchmark that links against the stub gets its path as
// MARLOW_TIMER_STUB; without it the string is empty and ffmpeg's counts are
// reported as unavailable.
#ifndef MARLOW_BENCH_COMMON_CALLGRIND_H_
#define MARLOW_BENCH_COMMON_CALLGRIND_H_

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#ifndef MARLOW_TIMER_STUB
#define MARLOW_TIMER_STUB ""
#endif

namespace marlow {
namespace bench {

// The whole file as text ("" if it cannot be read).
inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Instruction count of a callgrind run of `command` (its "summary:" or
// "totals:" line), or -1 if the run failed. `preload`: a library to preload
// into the program (the timer stub for ffmpeg). The command's own output is
// discarded; `outFile` is overwritten.
inline double CallgrindTotal(const std::string& command, const std::string& outFile,
                             const std::string& preload = std::string()) {
  const std::string env = preload.empty() ? std::string() : "LD_PRELOAD=" + preload + " ";
  const std::string cmd = env + "valgrind --tool=callgrind --callgrind-out-file=" + outFile + " " +
                          command + " >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) return -1;
  const std::string text = ReadText(outFile);
  for (const char* key : {"summary:", "totals:"}) {
    const size_t at = text.find(key);
    if (at != std::string::npos) return std::atof(text.c_str() + at + std::strlen(key));
  }
  return -1;
}

}  // namespace bench
}  // namespace marlow

#endif  // MARLOW_BENCH_COMMON_CALLGRIND_H_
