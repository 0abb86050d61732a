// PlaybackEngine: the one object through which the viewer drives pictures and
// sound. The user-interface thread calls its operations; they post a command
// (code plus a manual-reset event, no queue: a newer command replaces an
// unread one) to the engine thread, which reads units from the source, paces
// them, decodes them and hands them to the display and the sound output.
//
// In live mode the same thread drains the network client's queues instead:
// it shows and plays live units as they arrive and, while a local recording
// is on, hands them to the recording writer. The engine owns the client and
// the writer for its whole life.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "codec/video_decoder.h"
#include "engine/clock.h"
#include "engine/media_sinks.h"
#include "netclient/network_client.h"
#include "netclient/notification_sink.h"
#include "platform/worker_thread.h"
#include "recording/recording_source.h"
#include "recording/recording_writer.h"

namespace marlow {

enum class PlayState : int {
  Ready = 0,
  Stop = 1,
  Play = 2,
  PlayReverse = 3,
  StepForward = 4,
  StepBackward = 5,
  Pause = 6,
  Search = 7,
};

// Name of a state as the status line shows it.
const char* PlayStateName(PlayState state);

enum PlaybackCommand : int {
  kCommandPause = 2,
  kCommandPlay = 3,
  kCommandPlayReverse = 4,
  kCommandStepForward = 5,
  kCommandStepBackward = 6,
  kCommandSearch = 7,
};

enum EngineMode : int { kModePlayer = 1, kModeLive = 2 };

class PlaybackEngine : public WorkerThread {
 public:
  // Largest picture buffer the thread hands out, in bytes.
  static constexpr size_t kPictureBytes = 414720;
  static constexpr int kMaxChannels = 16;
  // Fast forward and rewind double the speed up to this: a jump of
  // 1024 x 20480 bytes (20 MiB) after every few pictures is more than any
  // recording needs, and the jump distance stays far from overflowing.
  static constexpr double kMaxJumpSpeed = 1024;

  // The display and the sound output are owned by the caller and must outlive
  // the engine. clock: SystemClock() except in tests.
  PlaybackEngine(PictureSink& display, SoundSink& sound, Clock& clock = SystemClock());
  ~PlaybackEngine() override;

  // --- user-interface thread ---
  // notify receives the network client's notifications (status change,
  // server closed, login failed); it must outlive the engine. nullptr: none.
  int Initialize(int variant, int channelCount, NotificationSink* notify = nullptr);
  int SwitchMode(int mode, int variant, int channelCount);
  int OpenAndPlay(const char* path, int isDisk);
  int Close();
  int Pause() { return Post(kCommandPause); }
  int Play(double x);
  int PlayReverse(double x);
  int FastForward();
  int FastRewind();
  int StepForward() { return Post(kCommandStepForward); }
  int StepBackward() { return Post(kCommandStepBackward); }
  int Seek(uint64_t position);
  void SetSpeed(double x);
  double Speed() const { return speed_.load(); }
  PlayState State() const { return static_cast<PlayState>(state_.load()); }
  int Mode() const { return mode_; }
  const char* ErrorText() const { return errorText_.c_str(); }
  uint64_t Size() const { return source_.Size(); }
  uint64_t Position() const { return source_.Position(); }
  bool IsOpen() const { return source_.IsOpen(); }
  int CurrentFrameTime(TimeRecord* out) const;
  int SaveStretch(uint64_t start, uint64_t end, const char* path);
  const char* SaveErrorText() const { return source_.SaveErrorText(); }
  int StreamVariant() const { return streamVariant_; }
  int ChannelCount() const { return channelCount_; }
  // Repeat: at the end of a recording played forwards, play starts again
  // from its beginning; off, play pauses at the end. A plain flag the
  // window sets.
  void SetRepeat(int on) { repeat_ = on ? 1 : 0; }
  int Repeat() const { return repeat_.load(); }

  // --- live view (user-interface thread) ---
  // Start a live view of the recorder at address:port (the text is
  // ignored), or of the one the dynamic-address server at server:port knows
  // as dvrName. A live view that is still under way (trying to reach the
  // recorder, logged in, or ended by a failed login) is ended first, so
  // every call takes effect. 1 when the threads started; 0 with ErrorText
  // set otherwise. The login happens afterwards; its failure arrives as
  // kNotifyLoginFailed.
  int Connect(const char* address, uint16_t port, const char* text, const char* password);
  int ConnectViaDDns(const char* server, uint16_t port, const char* dvrName, const char* password);
  // Stops the client (logging out), then the engine thread, which closes a
  // local recording. Returns 1, promptly whatever the sound device does.
  int Disconnect();
  // Records the live stream into path (replacing a recording under way). A
  // file that cannot be created is reported once as a notice; 0 then, and
  // the live view goes on.
  int StartRecording(const char* path);
  // 0 when not recording.
  int StopRecording();
  bool IsRecording() const { return writer_.IsRecording(); }
  // Automatic reconnection after silence or a lost connection (on by
  // default); off, a lost connection ends the live view with
  // kNotifyServerClosed.
  // Takes effect at the next Connect.
  void SetAutoReconnect(int on) { client_.SetAutoReconnect(on != 0); }
  int AutoReconnect() const { return client_.AutoReconnect() ? 1 : 0; }
  // For key commands, the time-out, the connection state and its reports.
  NetworkClient& Client() { return client_; }
  const NetworkClient& Client() const { return client_; }
  RecordingWriter& Writer() { return writer_; }

 protected:
  uint32_t Run() override;

 private:
  int Post(int command, uint64_t seek = 0);
  static double ClampPlaySpeed(double x);
  // Ends a live view under way so a new one can start; then starts both
  // threads. The client is configured by the caller in between.
  int StartLive();
  bool LiveViewHeld() const;
  void NoticeRecordingFailure();

  // Player body and its steps (engine thread).
  uint32_t RunPlayer();
  void TakeCommand();
  void PlayPass();
  void StepPass(bool forward);
  void SearchPass();
  void HandOn(bool audio, uint32_t length);
  void PlaySound(uint32_t length);
  void ShowVideo(uint32_t length);
  // Each reads one unit; false when none came. An audio unit without
  // samples is a unit read all the same (length 0).
  bool ReadForward(uint32_t* length);
  bool ReadBackward(uint32_t* length);
  // Pacing: true when the next picture is not due yet.
  bool NotDue(uint32_t intervalUs, uint32_t now);
  // The picture just taken was due at the pacing slot or is late.
  void Scheduled(uint32_t intervalUs, uint32_t now);
  // Decodes the unit into its channel's picture buffer and shows it with
  // time; 1 when shown. Shared by both bodies.
  int DecodeAndShow(const uint8_t* data, uint32_t length, const TimeRecord& time);

  // Live body and its steps (engine thread).
  uint32_t RunLive();
  void LiveVideo();
  void LiveAudio();
  int WriteLiveSound(const uint8_t* bytes, uint32_t length);

  // Parts, owned for the engine's life. The source and decoder are used only
  // by the engine thread while it runs; the user-interface thread opens and
  // closes the source while the thread is stopped.
  PictureSink& display_;
  SoundSink& sound_;
  Clock& clock_;
  RecordingSource source_;
  VideoDecoder decoder_;
  // The live side: the client's thread fills its queues; the writer is fed
  // by the engine thread and started and stopped by the user-interface
  // thread (it locks itself).
  NetworkClient client_;
  RecordingWriter writer_;

  // Written by the user-interface thread, read by the engine thread.
  platform::Event commandEvent_{false};
  std::atomic<int> command_{0};
  std::atomic<uint64_t> seekPosition_{0};
  std::atomic<double> speed_{1.0};
  int mode_ = kModeLive;
  int streamVariant_ = 0;
  int channelCount_ = 4;
  std::string errorText_;  // reason of the last failed connection
  std::atomic<int> repeat_{0};

  // Written by the engine thread, read by the user-interface thread.
  std::atomic<int> state_{static_cast<int>(PlayState::Ready)};

  // Engine thread only. Buffers are allocated once with the engine: the unit
  // buffer and one picture per channel, so that an update picture of a
  // channel always lands on that channel's previous picture.
  std::unique_ptr<uint8_t[]> unit_;
  std::unique_ptr<uint8_t[]> pictures_;
  // Per channel, the bands of 16 rows its picture changed in since it was
  // last shown (all at first: the display has not seen the black picture).
  uint32_t changedBands_[kMaxChannels];
  std::unique_ptr<uint8_t[]> audioUnit_;       // live sound, kAudioEntryCapacity bytes
  bool soundRefusing_ = false;                 // the last live sound unit was given up
  std::atomic<bool> recordingNoticed_{false};  // a write failure was told
  int frameInterval_ = 33333;                  // microseconds between two recorder pictures
  // The pacing slot of the last picture: lastShown_ ms plus lastShownUs_
  // (0..999) microseconds.
  uint32_t lastShown_ = 0;
  uint32_t lastShownUs_ = 0;
  bool pacingFresh_ = true;  // a command came: the next picture starts the pacing
  uint32_t now_ = 0;
  int framesSinceJump_ = 0;
  int jumpEvery_ = 9;
  int failures_ = 0;
  uint32_t unitsSinceStart_ = 0;  // units read since play last began at the start
};

}  // namespace marlow
