#include "platform/notice.h"

#include <atomic>
#include <cstdio>

namespace marlow::platform {

namespace {
std::atomic<NoticeSink*> g_sink{nullptr};
}

NoticeSink* SetNoticeSink(NoticeSink* sink) {
  return g_sink.exchange(sink);
}

void ShowNotice(const char* text, const char* caption) {
  if (NoticeSink* sink = g_sink.load()) {
    sink->Notice(text, caption ? caption : "");
    return;
  }
  std::fprintf(stderr, "%s%s%s\n", caption && *caption ? caption : "",
               caption && *caption ? ": " : "", text);
}

int AskQuestion(const char* text, const char* caption) {
  if (NoticeSink* sink = g_sink.load()) return sink->Ask(text, caption ? caption : "");
  ShowNotice(text, caption);
  return 0;
}

}  // namespace marlow::platform
