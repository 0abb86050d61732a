// One export file written through FFmpeg's libraries (native build): H.264
// (libx264), MJPEG or raw BGR video, in MP4 or AVI, with the recording's
// sound (AAC in MP4, 8-bit PCM in AVI).
#pragma once

#include <cstdint>
#include <string>

#include "tools/marlow/video_file_writer.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVStream;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace marlow::cli {

class FfmpegWriter final : public VideoFileWriter {
 public:
  FfmpegWriter() = default;
  ~FfmpegWriter() override;
  FfmpegWriter(const FfmpegWriter&) = delete;
  FfmpegWriter& operator=(const FfmpegWriter&) = delete;

  // Creates the file: width x height pictures, rate / scale a second, sound
  // at 8000 Hz when withAudio. 0 with error() set on failure.
  int Open(const std::string& file, int width, int height, uint64_t rate, uint64_t scale,
           bool withAudio, const EncoderSettings& settings) override;
  int Picture(const uint8_t* bottomUpBgr, int width, int height) override;
  int Audio(const uint8_t* samples, size_t n) override;
  // Drains the encoders and writes the trailer. 0 on failure.
  int Finish() override;
  const std::string& error() const override { return error_; }

 private:
  int Fail(const char* what, int code);
  int Send(AVCodecContext* ctx, AVStream* st, AVFrame* frame);
  int EncodeAudioFrame(int samples);
  void Release();

  std::string error_;
  AVFormatContext* fmt_ = nullptr;
  AVCodecContext* video_ = nullptr;
  AVCodecContext* audio_ = nullptr;
  AVStream* videoStream_ = nullptr;
  AVStream* audioStream_ = nullptr;
  AVFrame* picture_ = nullptr;
  AVFrame* sound_ = nullptr;
  AVPacket* packet_ = nullptr;
  SwsContext* sws_ = nullptr;
  bool raw_ = false, headerWritten_ = false, finished_ = false;
  int64_t nextPicture_ = 0, nextSample_ = 0;
  int soundFill_ = 0;  // samples waiting in sound_ (AAC takes whole frames)
};

}  // namespace marlow::cli
