// PlaybackEngine: operations of the user-interface thread and the thread's
// dispatch. The Player body lives in player_body.cc.
#include "engine/playback_engine.h"

#include <cmath>
#include <cstring>
#include <new>

#include "codec/audio_coding.h"
#include "platform/notice.h"

namespace marlow {

const char* PlayStateName(PlayState state) {
  switch (state) {
    case PlayState::Ready:
      return "Ready";
    case PlayState::Stop:
      return "Stop";
    case PlayState::Play:
      return "Play";
    case PlayState::PlayReverse:
      return "PlayReverse";
    case PlayState::StepForward:
      return "StepForward";
    case PlayState::StepBackward:
      return "StepBackward";
    case PlayState::Pause:
      return "Pause";
    case PlayState::Search:
      return "Search";
  }
  return "";
}

PlaybackEngine::PlaybackEngine(PictureSink& display, SoundSink& sound, Clock& clock)
    : display_(display),
      sound_(sound),
      clock_(clock),
      unit_(new (std::nothrow) uint8_t[kMaxUnitBytes]),
      pictures_(new (std::nothrow) uint8_t[kPictureBytes * kMaxChannels]),
      audioUnit_(new (std::nothrow) uint8_t[kAudioEntryCapacity]) {
  for (uint32_t& bands : changedBands_) bands = ~0u;
  if (pictures_) {
    // Black in every channel until its first full picture.
    for (int c = 0; c < kMaxChannels; ++c) {
      uint8_t* p = pictures_.get() + kPictureBytes * c;
      std::memset(p, 0, kPictureBytes);
      std::memset(p + 640 * 224, 128, kPictureBytes - 640 * 224);
    }
  }
}

PlaybackEngine::~PlaybackEngine() {
  // The threads use the parts below; they must be gone before the parts are.
  // The client first: it fills the queues the engine thread drains.
  client_.Stop();
  Stop();
}

int PlaybackEngine::Initialize(int variant, int channelCount, NotificationSink* notify) {
  channelCount_ = channelCount;
  client_.SetNotifyWindow(notify);
  // Live pictures arrive in the live header layout (variant 2) and are
  // recorded in the caller's variant.
  writer_.Setup(2, variant, channelCount);
  display_.SetDirectDraw(0);
  streamVariant_ = variant;
  source_.SetStreamVariant(variant);
  decoder_.Reset(variant);
  const AudioFormat format = AudioFormatOf(variant);
  sound_.Open(format.sample_rate, format.bits_per_sample);
  display_.SetChannelCount(1);
  display_.SetCaptionEnabled(0);
  return 1;
}

int PlaybackEngine::SwitchMode(int mode, int variant, int channelCount) {
  if (mode == kModePlayer) {
    // A live view under way ends as Disconnect ends it: whether it is logged
    // in or still trying, its thread runs the live body, which would keep
    // the Player body from starting.
    if (mode_ != kModePlayer) Disconnect();
    if (variant < 10) streamVariant_ = variant;
    if (channelCount <= 16) channelCount_ = channelCount;
    source_.SetStreamVariant(streamVariant_);
    const AudioFormat format = AudioFormatOf(streamVariant_);
    sound_.ResetRing(format.sample_rate, format.bits_per_sample);
    decoder_.Reset(streamVariant_);
    display_.SetChannelCount(channelCount_);
    display_.SetCaptionEnabled(1);
  } else if (mode == kModeLive) {
    if (source_.IsOpen()) {
      WorkerThread::Stop();
      state_ = static_cast<int>(PlayState::Ready);
    }
    if (variant < 10) streamVariant_ = variant;
    const AudioFormat format = AudioFormatOf(streamVariant_);
    sound_.ResetRing(format.sample_rate, format.bits_per_sample);
    decoder_.Reset(2);
    display_.SetChannelCount(1);
    display_.SetCaptionEnabled(0);
  } else {
    return 0;
  }
  display_.ClearPictures();
  mode_ = mode;
  return 1;
}

int PlaybackEngine::OpenAndPlay(const char* path, int isDisk) {
  if (!source_.OpenSource(path, isDisk != 0)) return 0;
  // A thread that is already running goes on with the new source.
  Start(platform::ThreadPriority::Normal);
  return 1;
}

int PlaybackEngine::Close() {
  if (source_.IsOpen()) {
    WorkerThread::Stop();
    state_ = static_cast<int>(PlayState::Ready);
  }
  return 1;
}

double PlaybackEngine::ClampPlaySpeed(double x) {
  if (std::isnan(x)) return 1.0;  // no speed given: as Play (0)
  double s = std::fabs(x);
  if (s > 16) s = 16;
  if (s == 0) s = 1;
  return s;
}

int PlaybackEngine::Play(double x) {
  speed_ = ClampPlaySpeed(x);
  return Post(kCommandPlay);
}

int PlaybackEngine::PlayReverse(double x) {
  speed_ = ClampPlaySpeed(x);
  return Post(kCommandPlayReverse);
}

int PlaybackEngine::FastForward() {
  const double s = speed_.load();
  const double next = (State() == PlayState::Play && s >= 16) ? s * 2 : 16.0;
  speed_ = next < kMaxJumpSpeed ? next : kMaxJumpSpeed;
  return Post(kCommandPlay);
}

int PlaybackEngine::FastRewind() {
  const double s = speed_.load();
  const double next = (State() == PlayState::PlayReverse && s >= 16) ? s * 2 : 16.0;
  speed_ = next < kMaxJumpSpeed ? next : kMaxJumpSpeed;
  return Post(kCommandPlayReverse);
}

int PlaybackEngine::Seek(uint64_t position) {
  return Post(kCommandSearch, position);
}

void PlaybackEngine::SetSpeed(double x) {
  // Not a number is no speed at all: normal speed. Infinities are out of
  // range like any other value and are cut to the nearer end.
  if (std::isnan(x)) x = 1.0;
  if (x < 0.1) x = 0.1;
  if (x > 16) x = 16;
  speed_ = x;
}

int PlaybackEngine::CurrentFrameTime(TimeRecord* out) const {
  if (State() == PlayState::Ready) return 0;
  return source_.CurrentTime(out);
}

int PlaybackEngine::SaveStretch(uint64_t start, uint64_t end, const char* path) {
  return source_.SaveStretch(start, end, path);
}

int PlaybackEngine::Post(int command, uint64_t seek) {
  if (command == kCommandSearch) seekPosition_ = seek;
  command_ = command;
  commandEvent_.Set();
  return 1;
}

uint32_t PlaybackEngine::Run() {
  if (mode_ == kModePlayer) return RunPlayer();
  return RunLive();
}

int PlaybackEngine::Connect(const char* address, uint16_t port, const char* text,
                            const char* password) {
  Disconnect();
  decoder_.Reset(2);
  client_.SetDirect(address, port, text, password);
  return StartLive();
}

int PlaybackEngine::ConnectViaDDns(const char* server, uint16_t port, const char* dvrName,
                                   const char* password) {
  Disconnect();
  decoder_.Reset(2);
  client_.SetDdns(server, port, dvrName, password);
  return StartLive();
}

int PlaybackEngine::StartLive() {
  // Both threads are stopped here (Disconnect), so both starts take effect.
  Start(platform::ThreadPriority::Normal);
  const int32_t started = client_.Start(platform::ThreadPriority::Normal);
  if (started != 1) {
    errorText_ = client_.ErrorText();
    if (errorText_.empty()) errorText_ = "Cannot start the connection thread";
    WorkerThread::Stop();
    return 0;
  }
  return 1;
}

int PlaybackEngine::Disconnect() {
  // The client first, so nothing is queued behind the engine thread's back;
  // the engine thread's exit closes a local recording.
  client_.Stop();
  WorkerThread::Stop();
  state_ = static_cast<int>(PlayState::Ready);
  return 1;
}

int PlaybackEngine::StartRecording(const char* path) {
  if (writer_.IsRecording()) writer_.StopRecording();
  recordingNoticed_ = false;
  if (writer_.StartRecording(path)) return 1;
  // The live view goes on; the user learns that nothing is being recorded.
  NoticeRecordingFailure();
  return 0;
}

int PlaybackEngine::StopRecording() {
  if (!writer_.IsRecording()) return 0;
  writer_.StopRecording();
  return 1;
}

void PlaybackEngine::NoticeRecordingFailure() {
  // Once per recording, from whichever thread meets the failure first.
  if (recordingNoticed_.exchange(true)) return;
  platform::ShowNotice("Cannot write the local recording file.", "Local Recording");
}

}  // namespace marlow
