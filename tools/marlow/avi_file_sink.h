// One export file written through the system's AVI file interface (the
// Windows build): uncompressed bottom-up BGR pictures, or through an
// installed video compressor, with the recording's sound as 8-bit PCM. A
// channel whose file would pass the interface's size limit goes on in
// further parts named as the viewer's export names them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "export/avi_channel_writer.h"
#include "tools/marlow/export_job.h"

namespace marlow::cli {

// The stream rate of rate / scale pictures a second in the 32-bit fields of
// an AVI stream header: reduced, then both halved until they fit.
StreamRate AviRate(uint64_t rate, uint64_t scale);

// Chooses the video compressor of every file made after it: "raw" for
// uncompressed pictures, or the four-letter handler of an installed
// compressor. 1 with *name its description, 0 when none has that handler.
// Called before the writers run (the choice is shared by them all).
int UseAviCompressor(const std::string& fourcc, std::string* name);

class AviFileSink final : public ExportSink {
 public:
  // Creates the file: width x height pictures at rate / scale a second,
  // sound at 8000 Hz when withAudio. 0 with error() set on failure.
  int Open(const std::string& file, int width, int height, uint64_t rate, uint64_t scale,
           bool withAudio);
  int Picture(const uint8_t* bottomUpBgr, int width, int height) override;
  int Audio(const uint8_t* samples, size_t n) override;
  // Ends the file (whole and readable). 0 when a write had failed.
  int Finish();
  const std::string& error() const { return error_; }
  const std::vector<std::string>& Files() const { return writer_.Files(); }

 private:
  AviChannelWriter writer_;
  std::string error_;
  uint32_t pictures_ = 0;
  int width_ = 0, height_ = 0;
};

}  // namespace marlow::cli
