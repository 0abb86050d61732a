// One exported channel: an AVI file written through the system's AVI file
// interface, with one video stream (through the shared compression options)
// and, when wanted, one sound stream created before it.
//
// The AVI file interface holds files only up to a size limit; past it the
// file it writes is unreadable as a whole (under Wine: a file of 2 GiB or
// more, index included). A writer therefore ends its file cleanly before a
// write would take it past the limit and goes on in a next file, the part
// named by PartFileName ("-2", "-3", ...), with the same formats and rates.
//
// Threads: Open and CreateStreams run on the user-interface thread (the
// counting pass), the writes and Close on the export thread while the
// user-interface thread leaves the writer alone.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "export/export_formats.h"

namespace marlow {

// The fields of the video stream's BITMAPINFOHEADER that vary.
struct AviPictureFormat {
  int32_t width = 640;
  int32_t height = 224;
  uint16_t bitCount = 24;
  uint32_t imageSize = 430080;
};

// Keeps the AVI file interface initialised on the thread that makes it, for
// the thread's life (the export thread writes and releases the files).
class AviThreadScope {
 public:
  AviThreadScope();
  ~AviThreadScope();
  AviThreadScope(const AviThreadScope&) = delete;
  AviThreadScope& operator=(const AviThreadScope&) = delete;
};

class AviChannelWriter {
 public:
  // The size below which the written files are whole and readable: 2 GiB.
  static constexpr uint64_t kFileLimit = 1ull << 31;

  AviChannelWriter();
  ~AviChannelWriter();
  AviChannelWriter(const AviChannelWriter&) = delete;
  AviChannelWriter& operator=(const AviChannelWriter&) = delete;

  // Sets the picture format defaults; releases a file that is open (and
  // clears failed); creates fileName. 0 (and failed) when it cannot be made.
  int Open(const std::string& fileName);
  // The sound stream (when audio is given) and then the video stream at
  // rate / scale with the shared compression options. 0 (and failed) when a
  // stream or a format is refused.
  int CreateStreams(StreamRate rate, const AviPictureFormat* picture, const AviAudioFormat* audio);
  bool IsOpen() const;
  bool Failed() const { return failed_; }
  bool WithAudio() const { return withAudio_; }

  // One picture of image-size bytes, a key frame, at the channel's picture
  // index (counted over all parts). 0 once failed; a write that does not
  // reach the disk (a full disk) fails the writer even when the interface
  // reports success.
  int WriteVideo(uint32_t index, const uint8_t* picture);
  // length / block alignment samples after those written so far; 1 without
  // doing anything when the file has no sound stream; 0 once failed.
  int WriteAudio(const uint8_t* bytes, uint32_t length);

  // Releases the streams and the file: what was written is a whole file.
  void Close();
  // Close, then delete every file this writer made since Open.
  void Discard();

  // Files are ended before they would reach limit bytes (tests use small
  // limits; the default is kFileLimit).
  void SetFileLimit(uint64_t limit) { limit_ = limit; }
  // The files made since Open, first part first.
  const std::vector<std::string>& Files() const { return files_; }
  uint32_t PicturesWritten() const { return pictures_; }
  // Bytes the current file is expected to have when closed now.
  uint64_t ProjectedBytes() const;

 private:
  struct Streams;
  void Release();
  int OpenFile(const std::string& name);
  int MakeStreams();
  // Ends the current file and opens the next part when `bytes` more in one
  // chunk would reach the limit. 0 when the next part cannot be made.
  int MakeRoom(uint64_t bytes);
  void Account(uint64_t chunkBytes);

  // Set on the user-interface thread, then owned by the export thread.
  std::unique_ptr<Streams> streams_;
  std::string baseName_;
  std::vector<std::string> files_;
  AviPictureFormat picture_;
  AviAudioFormat audio_;
  StreamRate rate_;
  bool withAudio_ = false;
  bool failed_ = false;
  uint64_t limit_ = kFileLimit;
  // The current file.
  uint64_t chunkBytes_ = 0;  // chunk headers and data written
  uint64_t chunks_ = 0;
  uint32_t partFirstPicture_ = 0;
  uint32_t audioSamples_ = 0;
  uint32_t pictures_ = 0;
};

}  // namespace marlow
