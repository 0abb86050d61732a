// An export file writer behind an interface, so that the program can load
// the FFmpeg-based one (and FFmpeg's many libraries) only when it exports:
// every other command starts in a millisecond instead of tens of them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tools/marlow/export_job.h"

namespace marlow::cli {

struct EncoderSettings {
  std::string container = "mp4";    // mp4 or avi
  std::string codec = "h264";       // h264, mjpeg or raw
  int crf = 15;                     // H.264 quality
  std::string preset = "veryfast";  // H.264 speed
  int threads = 1;                  // encoder threads for this file
};

class VideoFileWriter : public ExportSink {
 public:
  // Creates the file: width x height pictures, rate / scale a second, sound
  // at 8000 Hz when withAudio. 0 with error() set on failure.
  virtual int Open(const std::string& file, int width, int height, uint64_t rate, uint64_t scale,
                   bool withAudio, const EncoderSettings& settings) = 0;
  // Drains the encoders and writes the trailer. 0 on failure.
  virtual int Finish() = 0;
  virtual const std::string& error() const = 0;
};

// The loadable module's one export: a new writer, owned by the caller.
extern "C" VideoFileWriter* MarlowNewFfmpegWriter();
using NewWriterFunction = VideoFileWriter* (*)();
constexpr const char kFfmpegModule[] = "libmarlow_ffmpeg.so";
constexpr const char kFfmpegEntry[] = "MarlowNewFfmpegWriter";

// Loads the module from the program's folder (once; it stays loaded).
// Null with *error set when it cannot be loaded.
NewWriterFunction LoadFfmpegWriter(std::string* error);

}  // namespace marlow::cli
