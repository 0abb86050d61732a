#include "platform/library.h"
#include "tools/marlow/video_file_writer.h"

namespace marlow::cli {

NewWriterFunction LoadFfmpegWriter(std::string* error) {
  static platform::Library library;
  static NewWriterFunction entry = nullptr;
  if (entry) return entry;
  if (!library.Open(platform::ProgramFolder() + kFfmpegModule)) {
    *error = library.Error();
    return nullptr;
  }
  entry = reinterpret_cast<NewWriterFunction>(library.Symbol(kFfmpegEntry));
  if (!entry) *error = std::string(kFfmpegModule) + " has no " + kFfmpegEntry;
  return entry;
}

}  // namespace marlow::cli
