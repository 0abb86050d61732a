#include "viewer/framework/win32_message_box.h"

namespace marlow::viewer {

namespace {
// The caption of a box that was given none: the program's own window title
// would be the natural one, but the notice carries no window; an empty title
// reads as "Error" on some systems, so the product name stands in.
const char* CaptionOrDefault(const char* caption) {
  return caption && *caption ? caption : "Marlow Viewer";
}
}  // namespace

void MessageBoxSink::Notice(const char* text, const char* caption) {
  MessageBoxA(GetActiveWindow(), text ? text : "", CaptionOrDefault(caption),
              MB_OK | MB_ICONEXCLAMATION);
}

int MessageBoxSink::Ask(const char* text, const char* caption) {
  return MessageBoxA(GetActiveWindow(), text ? text : "", CaptionOrDefault(caption),
                     MB_YESNO | MB_ICONQUESTION) == IDYES
             ? 1
             : 0;
}

}  // namespace marlow::viewer
