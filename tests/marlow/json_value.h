// A small JSON reader for the tests of marlow's --json output.
#pragma once

#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace marlow::testing {

struct Json {
  enum Type { kNull, kBool, kNumber, kString, kArray, kObject } type = kNull;
  bool b = false;
  double n = 0;
  std::string s;
  std::vector<Json> a;
  std::map<std::string, Json> o;

  const Json& operator[](const std::string& k) const {
    static const Json none;
    auto it = o.find(k);
    return it == o.end() ? none : it->second;
  }
  const Json& operator[](size_t i) const { return a.at(i); }
  size_t size() const { return type == kArray ? a.size() : o.size(); }
  bool Has(const std::string& k) const { return o.count(k) != 0; }
  uint64_t U() const { return static_cast<uint64_t>(n); }
};

// Parses text; false when it is not exactly one JSON value.
inline bool ParseJson(const std::string& text, Json* out) {
  size_t i = 0;
  auto ws = [&] {
    while (i < text.size() &&
           (text[i] == ' ' || text[i] == '\n' || text[i] == '\t' || text[i] == '\r'))
      ++i;
  };
  std::function<bool(Json*)> value = [&](Json* v) -> bool {
    ws();
    if (i >= text.size()) return false;
    const char c = text[i];
    if (c == '{') {
      v->type = Json::kObject;
      ++i;
      ws();
      if (i < text.size() && text[i] == '}') return ++i, true;
      for (;;) {
        Json key;
        if (!value(&key) || key.type != Json::kString) return false;
        ws();
        if (i >= text.size() || text[i++] != ':') return false;
        if (!value(&v->o[key.s])) return false;
        ws();
        if (i < text.size() && text[i] == ',') {
          ++i;
          continue;
        }
        return i < text.size() && text[i++] == '}';
      }
    }
    if (c == '[') {
      v->type = Json::kArray;
      ++i;
      ws();
      if (i < text.size() && text[i] == ']') return ++i, true;
      for (;;) {
        v->a.emplace_back();
        if (!value(&v->a.back())) return false;
        ws();
        if (i < text.size() && text[i] == ',') {
          ++i;
          continue;
        }
        return i < text.size() && text[i++] == ']';
      }
    }
    if (c == '"') {
      v->type = Json::kString;
      for (++i; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
          ++i;
          if (text[i] == 'u') {
            v->s += static_cast<char>(std::strtol(text.substr(i + 1, 4).c_str(), nullptr, 16));
            i += 4;
            continue;
          }
        }
        v->s += text[i];
      }
      return i++ < text.size();
    }
    if (text.compare(i, 4, "true") == 0) return v->type = Json::kBool, v->b = true, i += 4, true;
    if (text.compare(i, 5, "false") == 0) return v->type = Json::kBool, i += 5, true;
    if (text.compare(i, 4, "null") == 0) return i += 4, true;
    char* end = nullptr;
    v->n = std::strtod(text.c_str() + i, &end);
    if (end == text.c_str() + i) return false;
    v->type = Json::kNumber;
    i = static_cast<size_t>(end - text.c_str());
    return true;
  };
  *out = Json{};
  if (!value(out)) return false;
  ws();
  return i == text.size();
}

}  // namespace marlow::testing
