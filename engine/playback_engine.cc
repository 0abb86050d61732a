// PlaybackEngine: operations of the user-interface thread and the thread's
// dispatch. The Player body lives in player_body.cc.
#include "engine/playback_engine.h"

#include <cmath>
#include <cstring>
#include <new>

#include "codec/audio_coding.h"

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
      pictures_(new (std::nothrow) uint8_t[kPictureBytes * kMaxChannels]) {
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
  // The thread uses the parts below; it must be gone before they are.
  Stop();
}

int PlaybackEngine::Initialize(int variant, int channelCount) {
  channelCount_ = channelCount;
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
  // The live body arrives with the network client; until then a live-mode
  // thread has nothing to drain and ends at once.
  return 0;
}

}  // namespace marlow
