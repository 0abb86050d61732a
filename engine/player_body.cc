// The Player body of the engine thread: wait at most 1 ms for a command, pace,
// read one unit, hand it on. Everything here runs on the engine thread.
#include <cmath>
#include <utility>

#include "codec/audio_coding.h"
#include "recording/picture_interval.h"
#include "engine/playback_engine.h"

namespace marlow {

namespace {

// A refused sound write is retried every 5 ms; after this long the unit is
// dropped so that a stuck device can never hold the thread (or Close).
constexpr uint32_t kSoundRetryLimitMs = 1000;

}  // namespace

uint32_t PlaybackEngine::RunPlayer() {
  // The buffers were allocated with the engine; without them nothing plays.
  if (!unit_ || !pictures_) return 0;
  framesSinceJump_ = 0;
  jumpEvery_ = streamVariant_ == 0 ? 4 : 9;
  failures_ = 0;
  Post(kCommandPlay);
  // The sound device loops over its ring from now on.
  sound_.StartLoop();
  // One pass per command or per millisecond until the stop event.
  platform::Event* events[2] = {&StopEvent(), &commandEvent_};
  for (;;) {
    const int woke = clock_.Wait(events, 2, 1);
    if (woke == 0) break;
    if (woke == 1) {
      TakeCommand();
      continue;
    }
    sound_.Pace();
    if (!source_.IsOpen()) continue;
    switch (State()) {
      case PlayState::Play:
      case PlayState::PlayReverse:
        PlayPass();
        break;
      case PlayState::StepForward:
        StepPass(true);
        break;
      case PlayState::StepBackward:
        StepPass(false);
        break;
      case PlayState::Search:
        SearchPass();
        break;
      default:
        break;
    }
  }
  // Leave the engine ready for the next start.
  state_ = static_cast<int>(PlayState::Ready);
  commandEvent_.Reset();
  clock_.SleepMs(100);
  return 1;
}

void PlaybackEngine::TakeCommand() {
  // Reset before reading: a command posted in between sets the event again.
  commandEvent_.Reset();
  pacingFresh_ = true;
  switch (command_.load()) {
    case kCommandPause:
      state_ = static_cast<int>(PlayState::Pause);
      break;
    case kCommandPlay:
      state_ = static_cast<int>(PlayState::Play);
      break;
    case kCommandPlayReverse:
      state_ = static_cast<int>(PlayState::PlayReverse);
      break;
    case kCommandStepForward:
      state_ = static_cast<int>(PlayState::StepForward);
      break;
    case kCommandStepBackward:
      state_ = static_cast<int>(PlayState::StepBackward);
      break;
    case kCommandSearch:
      state_ = static_cast<int>(PlayState::Search);
      break;
    default:
      break;
  }
}

bool PlaybackEngine::ReadForward(uint32_t* length) {
  *length = source_.ReadForwardTracked(unit_.get());
  return source_.LastReadFoundUnit();
}

bool PlaybackEngine::ReadBackward(uint32_t* length) {
  *length = source_.ReadBackward(unit_.get());
  return source_.LastReadFoundUnit();
}

// Pictures are due one interval after the slot of the previous picture, not
// after the moment it was taken: the millisecond tick and the passes that
// read sound between pictures would otherwise make every interval a little
// short or long, and the error would add up over the recording (a 12.5 ms
// interval cut to whole milliseconds plays 4 % fast, for ever).
bool PlaybackEngine::NotDue(uint32_t intervalUs, uint32_t now) {
  if (now < lastShown_) return false;  // the tick went round: due
  const int64_t elapsedUs = static_cast<int64_t>(now - lastShown_) * 1000 - lastShownUs_;
  return elapsedUs < static_cast<int64_t>(intervalUs);
}

void PlaybackEngine::Scheduled(uint32_t intervalUs, uint32_t now) {
  const int64_t elapsedUs = static_cast<int64_t>(now - lastShown_) * 1000 - lastShownUs_;
  const bool fresh = std::exchange(pacingFresh_, false);
  if (!fresh && intervalUs != 0 && now >= lastShown_ && elapsedUs >= intervalUs &&
      elapsedUs < 2 * static_cast<int64_t>(intervalUs)) {
    // On time (within one interval): the picture takes its slot.
    const uint32_t us = lastShownUs_ + intervalUs;
    lastShown_ += us / 1000;
    lastShownUs_ = us % 1000;
  } else {
    // The first picture after a command, unpaced play, or late by more than
    // an interval (a slow stretch): pacing starts again from now.
    lastShown_ = now;
    lastShownUs_ = 0;
  }
}

void PlaybackEngine::PlayPass() {
  const bool forward = State() == PlayState::Play;
  const double speed = speed_.load();
  // Sound sets the pace only where it is played: forwards at speed 1 in a
  // recording that has sound. Everywhere else below 16 the pictures are
  // spaced by the recorder's interval, so reverse and fast or slow play of a
  // recording with sound run at the speed asked for.
  const bool soundPaces = source_.AudioSeen() && forward && speed == 1.0;
  uint32_t intervalUs = 0;
  if (!soundPaces && speed < 16) {
    // At most 128 x 33333 us / 0.1: fits 32 bits.
    intervalUs = static_cast<uint32_t>(
        ((source_.FrameSkip() + 1) * static_cast<double>(frameInterval_)) / speed);
    if (NotDue(intervalUs, clock_.NowMs())) return;
  }
  // The time this picture is shown at, for the spacing of the next one.
  now_ = clock_.NowMs();
  // Jumping play skips ahead after every jumpEvery_ pictures.
  if (speed >= 16 && framesSinceJump_ >= jumpEvery_) {
    const uint64_t d = static_cast<uint64_t>(std::trunc(speed)) * 20480u;
    const uint64_t at = source_.Position();
    if (forward) {
      source_.SetPosition(at + d);
    } else if (at > d) {
      source_.SetPosition(at - d);
    }
    framesSinceJump_ = 0;
  }
  // One unit; the fifth empty read in a row pauses.
  uint32_t length = 0;
  if (!(forward ? ReadForward(&length) : ReadBackward(&length))) {
    if (++failures_ > 4) {
      failures_ = 0;
      // The end of a recording played forwards starts it again when asked
      // to repeat; anything else (reverse play, repeat off) holds there.
      // Only at the true end (the last block), and only when the recording
      // gave a unit since the last start, so that an unreadable stretch
      // pauses as always and a recording without units does not spin.
      const bool atEnd = source_.Position() + 4096 >= source_.Size();
      if (forward && repeat_.load() && atEnd && unitsSinceStart_ > 0) {
        unitsSinceStart_ = 0;
        source_.SetPosition(0);
        return;
      }
      state_ = static_cast<int>(PlayState::Pause);
    }
    return;
  }
  // A unit was read: reverse play shows pictures only, and only a picture
  // restarts the spacing.
  failures_ = 0;
  ++unitsSinceStart_;
  const bool audio = source_.LastIsAudio();
  if (audio && !forward) return;
  if (!audio) Scheduled(intervalUs, now_);
  HandOn(audio, length);
}

void PlaybackEngine::StepPass(bool forward) {
  uint32_t length = 0;
  if (!(forward ? ReadForward(&length) : ReadBackward(&length))) {
    state_ = static_cast<int>(PlayState::Pause);
    return;
  }
  if (source_.LastIsAudio()) return;  // read on in the next pass
  if (!forward) {
    lastShown_ = now_;
    lastShownUs_ = 0;
  }
  state_ = static_cast<int>(PlayState::Pause);
  HandOn(false, length);
}

void PlaybackEngine::SearchPass() {
  // A position outside the source is refused as a mark; seeking to the old
  // mark instead would jump somewhere the user never asked for.
  const uint32_t length =
      source_.SetMark(seekPosition_.load()) ? source_.SeekToMark(unit_.get()) : 0;
  state_ = static_cast<int>(PlayState::Pause);
  if (length != 0) HandOn(false, length);
}

void PlaybackEngine::HandOn(bool audio, uint32_t length) {
  // Sound plays only forwards at normal speed, where it sets the pace.
  if (audio && speed_.load() == 1.0 && State() == PlayState::Play) {
    PlaySound(length);
    return;
  }
  // Everything else counts towards the next jump; sound is then dropped.
  ++framesSinceJump_;
  if (audio) return;
  ShowVideo(length);
}

void PlaybackEngine::PlaySound(uint32_t length) {
  if (length == 0) return;  // a unit without samples has nothing to play
  // Variant 5 carries up to four audio channels; only one is played.
  if (streamVariant_ == 5) {
    const int single = display_.SingleChannel();
    const int wanted = (single >= 0 && single < 4) ? single : 0;
    if (source_.LastChannel() != wanted) return;
  }
  const bool raw = (AudioFormatOf(streamVariant_).coding == AudioCoding::kPcm8);
  platform::Event* stop = &StopEvent();
  for (uint32_t waited = 0;; waited += 5) {
    if (speed_.load() != 1.0 || State() != PlayState::Play) return;
    const int taken =
        raw ? sound_.WriteRaw(unit_.get(), length) : sound_.WriteALaw(unit_.get(), length);
    if (taken) return;
    if (waited >= kSoundRetryLimitMs) return;
    if (clock_.Wait(&stop, 1, 5) == 0) return;  // stopping: drop the unit
  }
}

void PlaybackEngine::ShowVideo(uint32_t length) {
  DecodeAndShow(unit_.get(), length, source_.BlockTime());
}

int PlaybackEngine::DecodeAndShow(const uint8_t* data, uint32_t length, const TimeRecord& time) {
  if (!decoder_.ParseHeader(data, length)) return 0;
  const int channel = decoder_.Channel();
  if (channel < 0 || channel >= kMaxChannels) return 0;
  // Each channel decodes onto its own previous picture: an update picture
  // codes only what changed since that channel's last one.
  DecodedPicture picture;
  picture.planes = pictures_.get() + kPictureBytes * static_cast<size_t>(channel);
  const int decoded = decoder_.Decode(data, length, &picture);
  // A picture that failed part way keeps what it decoded: those rows go out
  // with the channel's next picture.
  changedBands_[channel] |= decoder_.ChangedRows();
  if (!decoded) return 0;
  // The recorder's picture interval, from the picture's height.
  const int height = static_cast<int>(decoder_.Height());
  frameInterval_ = PictureIntervalUs(decoder_.Variant(), height);
  // The picture goes out with the time of its block (Player) or of its
  // live unit.
  display_.ShowPictureBands(channel, time, picture.planes, static_cast<int>(decoder_.Width()),
                            height, changedBands_[channel]);
  changedBands_[channel] = 0;
  return 1;
}

}  // namespace marlow
