#include "tools/marlow/cli_common.h"

#include <cerrno>
#include <cinttypes>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "platform/file.h"
#include "recording/block_format.h"

namespace marlow::cli {

std::string Args::Get(const char* name, const char* fallback) const {
  auto it = values.find(name);
  return it == values.end() ? fallback : it->second;
}

bool ParseArgs(int argc, char** argv, const std::vector<std::string>& valued,
               const std::vector<std::string>& flags, Args* out, std::string* error) {
  auto in = [](const std::vector<std::string>& v, const std::string& s) {
    for (const auto& x : v)
      if (x == s) return true;
    return false;
  };
  for (int i = 0; i < argc; ++i) {
    std::string a = argv[i];
    if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      std::string name = a.substr(2), value;
      const size_t eq = name.find('=');
      const bool inlineValue = eq != std::string::npos;
      if (inlineValue) {
        value = name.substr(eq + 1);
        name.resize(eq);
      }
      if (in(flags, name) && !inlineValue) {
        out->values[name] = "1";
      } else if (in(valued, name)) {
        if (!inlineValue) {
          if (i + 1 >= argc) {
            *error = "option --" + name + " needs a value";
            return false;
          }
          value = argv[++i];
        }
        out->values[name] = value;
      } else {
        *error = "unknown option " + a;
        return false;
      }
    } else if (a == "-h") {
      out->values["help"] = "1";
    } else {
      out->positional.push_back(a);
    }
  }
  return true;
}

bool ParseUnsigned(const std::string& text, uint64_t max, uint64_t* out) {
  if (text.empty() || text[0] == '-' || text[0] == '+') return false;
  errno = 0;
  char* end = nullptr;
  const unsigned long long v = std::strtoull(text.c_str(), &end, 10);
  if (errno || *end != '\0' || v > max) return false;
  *out = v;
  return true;
}

bool ParseTimeText(const std::string& text, uint32_t* seconds) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, used = 0;
  char a = 0, b = 0, sep = 0;
  const char* t = text.c_str();
  int n =
      std::sscanf(t, "%4d%c%2d%c%2d%c%2d:%2d:%2d%n", &y, &a, &mo, &b, &d, &sep, &h, &mi, &s, &used);
  if (n < 9) {
    s = 0;
    n = std::sscanf(t, "%4d%c%2d%c%2d%c%2d:%2d%n", &y, &a, &mo, &b, &d, &sep, &h, &mi, &used);
    if (n < 8) return false;
  }
  if (static_cast<size_t>(used) != text.size()) return false;
  if (!((a == '-' && b == '-') || (a == '/' && b == '/'))) return false;
  if (sep != ' ' && sep != 'T') return false;
  if (y < 1970 || y > 2105 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59)
    return false;
  TimeRecord r;
  r.year = static_cast<uint16_t>(y);
  r.month = static_cast<uint16_t>(mo);
  r.day = static_cast<uint16_t>(d);
  r.hour = static_cast<uint16_t>(h);
  r.minute = static_cast<uint16_t>(mi);
  r.second = static_cast<uint16_t>(s);
  const uint32_t v = SecondsFromTime(r);
  // Reject days past the month's end (2024-02-30): they do not come back.
  const TimeRecord back = BreakDownTime(v);
  if (back.day != r.day || back.month != r.month) return false;
  *seconds = v;
  return true;
}

std::string TimeText(uint32_t seconds) {
  const TimeRecord t = BreakDownTime(seconds);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return buf;
}

bool ParseChannelList(const std::string& text, uint16_t* mask, std::string* error) {
  if (text == "all") {
    *mask = 0xFFFF;
    return true;
  }
  uint16_t m = 0;
  size_t i = 0;
  while (i <= text.size()) {
    size_t j = text.find(',', i);
    if (j == std::string::npos) j = text.size();
    const std::string part = text.substr(i, j - i);
    const size_t dash = part.find('-');
    uint64_t lo = 0, hi = 0;
    const bool ok = dash == std::string::npos ? ParseUnsigned(part, 99, &lo) && ((hi = lo), true)
                                              : ParseUnsigned(part.substr(0, dash), 99, &lo) &&
                                                    ParseUnsigned(part.substr(dash + 1), 99, &hi);
    if (!ok || lo < 1 || hi > 16 || lo > hi) {
      *error = "channel '" + part + "' is not a channel 1-16 (or a range of them, or all)";
      return false;
    }
    for (uint64_t c = lo; c <= hi; ++c) m |= static_cast<uint16_t>(1u << (c - 1));
    i = j + 1;
  }
  *mask = m;
  return true;
}

int Fail(const char* command, int code, const char* format, ...) {
  std::fprintf(stderr, "marlow %s: ", command);
  va_list ap;
  va_start(ap, format);
  std::vfprintf(stderr, format, ap);
  va_end(ap);
  std::fputc('\n', stderr);
  return code;
}

bool OpenInput(const char* command, const Args& args, const std::string& path,
               RecordingIndex* index) {
  using platform::PathKind;
  const PathKind kind = platform::ProbePath(path.c_str());
  if (kind == PathKind::kMissing) {
    Fail(command, kExitCannot, "%s: no such file or device", path.c_str());
    return false;
  }
  if (kind == PathKind::kDirectory) {
    Fail(command, kExitCannot, "%s: is a directory, not a recording", path.c_str());
    return false;
  }
  const bool forceDisk = args.Has("disk"), forceFile = args.Has("file");
  const bool autoOrder = !forceDisk && !forceFile;
  if (!index->Open(path.c_str(), autoOrder, forceDisk ? ByteOrder::kDisk : ByteOrder::kNatural)) {
    Fail(command, kExitCannot, "%s: cannot be read (%s)", path.c_str(),
         kind == PathKind::kDevice ? "cannot open the device or get its size"
                                   : "permission denied or not a readable file");
    return false;
  }
  if (index->Size() == 0) {
    Fail(command, kExitCannot, "%s: is empty", path.c_str());
    return false;
  }
  if (index->Blocks() == 0) {
    Fail(command, kExitCannot, "%s: not a recording (%" PRIu64 " bytes, less than one block)",
         path.c_str(), index->Size());
    return false;
  }
  return true;
}

void JsonWriter::Separator() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (!first_.empty()) {
    if (!first_.back()) std::fputc(',', out_);
    first_.back() = false;
  }
}

void JsonWriter::Quoted(const std::string& s) {
  std::fputc('"', out_);
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      std::fputc('\\', out_);
      std::fputc(c, out_);
    } else if (c < 0x20) {
      std::fprintf(out_, "\\u%04x", c);
    } else {
      std::fputc(c, out_);
    }
  }
  std::fputc('"', out_);
}

void JsonWriter::Key(const char* key) {
  if (!key) return;
  Separator();
  Quoted(key);
  std::fputc(':', out_);
  afterKey_ = true;
}

void JsonWriter::BeginObject(const char* key) {
  key ? Key(key) : Separator();
  afterKey_ = false;
  std::fputc('{', out_);
  first_.push_back(true);
}
void JsonWriter::EndObject() {
  first_.pop_back();
  std::fputc('}', out_);
}
void JsonWriter::BeginArray(const char* key) {
  key ? Key(key) : Separator();
  afterKey_ = false;
  std::fputc('[', out_);
  first_.push_back(true);
}
void JsonWriter::EndArray() {
  first_.pop_back();
  std::fputc(']', out_);
}
void JsonWriter::String(const char* key, const std::string& value) {
  key ? Key(key) : Separator();
  afterKey_ = false;
  Quoted(value);
}
void JsonWriter::Number(const char* key, double value) {
  key ? Key(key) : Separator();
  afterKey_ = false;
  std::fprintf(out_, "%.6g", value);
}
void JsonWriter::Integer(const char* key, uint64_t value) {
  key ? Key(key) : Separator();
  afterKey_ = false;
  std::fprintf(out_, "%" PRIu64, value);
}
void JsonWriter::Bool(const char* key, bool value) {
  key ? Key(key) : Separator();
  afterKey_ = false;
  std::fputs(value ? "true" : "false", out_);
}
void JsonWriter::Null(const char* key) {
  key ? Key(key) : Separator();
  afterKey_ = false;
  std::fputs("null", out_);
}
void JsonWriter::Finish() {
  std::fputc('\n', out_);
}

}  // namespace marlow::cli
