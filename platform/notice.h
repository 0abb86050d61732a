// Notices for the user ("Open Error" and the like). The core never draws a
// message box itself: it reports through the sink installed here, which the
// viewer turns into message boxes and tests replace to observe. Without a
// sink, notices go to standard error.
//
// Once per process: there is one sink for the whole process, whatever number
// of engines, displays or network clients it holds (a host page with two
// browser controls shares it). Notices come from the user-interface thread
// and from worker threads (the engine thread's sound output, a source opened
// by an export), so a sink must be callable from any thread at any time.
// Install it before the first worker thread starts and take it away only
// after the last one has stopped.
#pragma once

namespace marlow::platform {

class NoticeSink {
 public:
  virtual ~NoticeSink() = default;
  // text: the message; caption: the box title (may be empty).
  virtual void Notice(const char* text, const char* caption) = 0;
  // A question with the answers Yes and No: 1 for Yes, 0 for No. A sink that
  // cannot ask shows the text as a notice and answers No.
  virtual int Ask(const char* text, const char* caption) {
    Notice(text, caption);
    return 0;
  }
};

// Installs sink (nullptr: the default) and returns the previous one.
NoticeSink* SetNoticeSink(NoticeSink* sink);
void ShowNotice(const char* text, const char* caption = "");
// Asks through the installed sink; without one, prints the text and answers No.
int AskQuestion(const char* text, const char* caption = "");

}  // namespace marlow::platform
