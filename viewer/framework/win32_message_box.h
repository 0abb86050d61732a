// Message boxes go through the notice sink of platform/notice.h: the program
// installs a MessageBoxSink at start, tests install a recorder instead and
// see every notice and question without a box on the screen.
#pragma once

#include <windows.h>

#include "platform/notice.h"

namespace marlow::viewer {

// Shows notices as modal message boxes over the active window of the calling
// thread: OK with an exclamation icon; questions with Yes / No and a question
// icon.
class MessageBoxSink : public platform::NoticeSink {
 public:
  void Notice(const char* text, const char* caption) override;
  int Ask(const char* text, const char* caption) override;
};

// Installs a MessageBoxSink for the life of the object and puts the previous
// sink back afterwards.
class ScopedMessageBoxes {
 public:
  ScopedMessageBoxes() : previous_(platform::SetNoticeSink(&sink_)) {}
  ~ScopedMessageBoxes() { platform::SetNoticeSink(previous_); }
  ScopedMessageBoxes(const ScopedMessageBoxes&) = delete;
  ScopedMessageBoxes& operator=(const ScopedMessageBoxes&) = delete;

 private:
  MessageBoxSink sink_;
  platform::NoticeSink* previous_;
};

// The notice and question of the viewer's windows: through the sink.
inline void ShowMessage(const char* text, const char* caption = "") {
  platform::ShowNotice(text, caption);
}
inline bool AskYesNo(const char* text, const char* caption = "") {
  return platform::AskQuestion(text, caption) != 0;
}

}  // namespace marlow::viewer
