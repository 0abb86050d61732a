// Export of a recording to AVI files, one per selected camera channel: the
// pictures doubled to full height, stamped with the recording's date and
// time when a preview window is set, and the recorded sound when wanted.
//
// Two passes over the recording: Prepare (the counting pass, on the calling
// thread) fixes formats and rates and creates the files; Start runs the
// writing pass on the export thread. When the writing pass ends, by itself
// or through Stop, every file is released: each is whole and readable with
// the pictures written so far.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "codec/video_decoder.h"
#include "export/avi_channel_writer.h"
#include "export/export_count.h"
#include "export/stamp_surface.h"
#include "platform/worker_thread.h"
#include "recording/recording_source.h"

namespace marlow {

class AviExporter : public WorkerThread {
 public:
  // The dialog's wait before each unit: it holds the writing pass to about
  // 100 units a second and leaves the user-interface thread free.
  static constexpr uint32_t kDialogUnitWaitMs = 10;

  AviExporter();
  ~AviExporter() override;

  // Settings, on the user-interface thread before Prepare.
  void SetChannels(uint16_t mask) { channelMask_ = mask; }
  void SetAudio(bool on) { wantAudio_ = on; }
  // Also clears done.
  void SetVariant(int variant);
  // The window every exported picture is shown in (a window handle), or null.
  void SetPreview(void* window) { preview_ = window; }
  // Milliseconds waited on the stop event before each unit (0: full speed).
  void SetUnitWait(uint32_t ms) { unitWaitMs_ = ms; }
  // Files are ended before this size and continued in further parts.
  void SetFileLimit(uint64_t bytes);

  // Opens the recording file (closing one that is open). 1/0.
  int OpenInput(const char* path);
  // The counting pass and the files. 0 when a file or a stream cannot be
  // made (then no file of this export is left open or on disk), or when no
  // selected channel has a picture (nothing to export).
  int Prepare(const std::string& outputPath);

  uint64_t Size() const { return source_.Size(); }
  uint64_t Position() const { return source_.Position(); }
  bool SourceOpen() const { return sourceOpen_.load(); }
  bool IsDone() const { return done_.load(); }
  bool HasAudio() const { return count_.hasAudio; }
  const ExportCount& Count() const { return count_; }
  // After the writing pass (or Prepare): channel c's writer and its files.
  const AviChannelWriter& Writer(int c) const { return writers_[c]; }
  // Pictures written to channel c in the last writing pass.
  uint32_t PicturesWritten(int c) const { return writers_[c].PicturesWritten(); }
  // The stamp drawn on the pictures of the last pass (valid with a preview).
  StampBox LastStampBox() const { return stampBox_; }

 protected:
  uint32_t Run() override;

 private:
  void CloseWriters();
  void WriteAudioUnit(const uint8_t* data, uint32_t length, int audioChannel);
  void WritePicture(const uint8_t* data, uint32_t length, uint8_t* pictures, uint8_t* colour,
                    uint8_t* doubled, StampSurface* surface, uint32_t* counters);

  // Settings and the counting pass: user-interface thread, before Start.
  uint16_t channelMask_ = 0xFFFF;
  bool wantAudio_ = false;
  int variant_ = 4;
  void* preview_ = nullptr;
  uint32_t unitWaitMs_ = kDialogUnitWaitMs;
  ExportCount count_;
  AviPictureFormat picture_;

  // Export thread while it runs; the user-interface thread reads Size,
  // Position and the flags without a lock.
  RecordingSource source_;
  VideoDecoder decoder_;
  AviChannelWriter writers_[kExportChannels];
  std::atomic<bool> done_{false};
  std::atomic<bool> sourceOpen_{false};
  StampBox stampBox_;
};

}  // namespace marlow
