// Shared pieces of the marlow subcommands: option parsing, time texts,
// opening an input with a clear error, and a small JSON writer.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "recording/recording_index.h"

namespace marlow::cli {

// Exit codes of every subcommand.
constexpr int kExitOk = 0;
constexpr int kExitProblems = 1;  // the input was read and problems were found
constexpr int kExitCannot = 2;    // bad usage, or the input could not be read

// Command-line options of one subcommand: `--name value` for the names in
// `valued`, `--name` alone for those in `flags`, everything else positional.
struct Args {
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;
  bool Has(const char* name) const { return values.count(name) != 0; }
  std::string Get(const char* name, const char* fallback = "") const;
};
// False with *error set on an unknown option or a missing value.
bool ParseArgs(int argc, char** argv, const std::vector<std::string>& valued,
               const std::vector<std::string>& flags, Args* out, std::string* error);

// "YYYY-MM-DD HH:MM:SS" (also with 'T' or '/' separators, seconds optional)
// to seconds since 1970, no zone. False when the text is not such a time.
bool ParseTimeText(const std::string& text, uint32_t* seconds);
// Seconds since 1970 as "YYYY-MM-DD HH:MM:SS".
std::string TimeText(uint32_t seconds);
// "1,3,5-7" or "all" to a mask of 0-based channels; channels count from 1.
bool ParseChannelList(const std::string& text, uint16_t* mask, std::string* error);
bool ParseUnsigned(const std::string& text, uint64_t max, uint64_t* out);

// Opens PATH for reading through index, choosing the byte order from
// --disk / --file or by detection. On failure prints "marlow CMD: PATH: why"
// and returns false (the caller exits with kExitCannot).
bool OpenInput(const char* command, const Args& args, const std::string& path,
               RecordingIndex* index);

// Prints "marlow CMD: text" to stderr and returns code.
int Fail(const char* command, int code, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Writes JSON to a FILE as it is built; the caller keeps the nesting right.
class JsonWriter {
 public:
  explicit JsonWriter(std::FILE* out) : out_(out) {}
  void BeginObject(const char* key = nullptr);
  void EndObject();
  void BeginArray(const char* key = nullptr);
  void EndArray();
  void Key(const char* key);
  void String(const char* key, const std::string& value);
  void Number(const char* key, double value);
  void Integer(const char* key, uint64_t value);
  void Bool(const char* key, bool value);
  void Null(const char* key);
  void Finish();  // newline after the top-level value

 private:
  void Separator();
  void Quoted(const std::string& s);
  std::FILE* out_;
  std::vector<bool> first_;  // per open level: nothing written yet
  bool afterKey_ = false;
};

}  // namespace marlow::cli
