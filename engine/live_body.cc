// The live body of the engine thread: wait for the stop event or a queued
// live unit, show or play it, hand it to the recording writer when a local
// recording is on. Live units are shown as they arrive; nothing is paced.
// Everything here runs on the engine thread.
#include "codec/audio_coding.h"
#include "engine/playback_engine.h"

namespace marlow {

namespace {

// The longest wait between two looks at the sound output's pacing when no
// unit arrives.
constexpr uint32_t kLiveIdleWaitMs = 20;
// A refused sound write is retried every 5 ms for at most this long, looking
// at the stop event in every wait. A unit of live sound lasts about 40 ms;
// a device that takes nothing for this long is not going to take it in time.
constexpr uint32_t kLiveSoundRetryLimitMs = 250;

}  // namespace

uint32_t PlaybackEngine::RunLive() {
  // 1. The client's queues; the stop event first in the wait set, so that
  // stopping wins over a waiting unit. Buffers were allocated with the
  // engine (a unit, a sound unit, one picture per channel).
  if (!unit_ || !pictures_ || !audioUnit_) return 0;
  UnitQueue& video = client_.VideoQueue();
  UnitQueue& audio = client_.AudioQueue();
  platform::Event* events[3] = {&StopEvent(), &video.ReadyEvent(), &audio.ReadyEvent()};
  soundRefusing_ = false;
  sound_.StartLoop();
  // 2. One unit per wake-up until the stop event.
  for (;;) {
    const int woke = clock_.Wait(events, 3, kLiveIdleWaitMs);
    if (woke == 0) break;
    if (woke == 1) {
      LiveVideo();
    } else if (woke == 2) {
      LiveAudio();
    } else {
      sound_.Pace();
    }
  }
  // 3. A local recording ends with the live view.
  if (writer_.IsRecording()) writer_.StopRecording();
  state_ = static_cast<int>(PlayState::Ready);
  return 1;
}

void PlaybackEngine::LiveVideo() {
  QueueEntry entry;
  entry.data = unit_.get();
  entry.capacity = kVideoEntryCapacity;
  if (!client_.VideoQueue().Take(&entry)) return;
  if (!DecodeAndShow(entry.data, entry.length, entry.info.time)) return;
  // After showing: the writer rewrites the unit's header in place.
  if (writer_.IsRecording() && !writer_.WriteVideo(entry.data, entry.length) &&
      writer_.LastWriteFailed()) {
    NoticeRecordingFailure();
  }
}

void PlaybackEngine::LiveAudio() {
  QueueEntry entry;
  entry.data = audioUnit_.get();
  entry.capacity = kAudioEntryCapacity;
  if (!client_.AudioQueue().Take(&entry)) return;
  WriteLiveSound(entry.data, entry.length);
  // Recorded whether or not the device took it: the file keeps the sound.
  if (writer_.IsRecording() && !writer_.WriteAudio(entry.data, entry.length) &&
      writer_.LastWriteFailed()) {
    NoticeRecordingFailure();
  }
}

int PlaybackEngine::WriteLiveSound(const uint8_t* bytes, uint32_t length) {
  const bool raw = AudioFormatOf(streamVariant_).coding == AudioCoding::kPcm8;
  platform::Event* stop = &StopEvent();
  for (uint32_t waited = 0;; waited += 5) {
    const int taken = raw ? sound_.WriteRaw(bytes, length) : sound_.WriteALaw(bytes, length);
    if (taken) {
      soundRefusing_ = false;
      return 1;
    }
    // A device that gave up the last unit gets one try per unit until it
    // takes one again, so that it cannot hold the pictures back.
    if (soundRefusing_ || waited >= kLiveSoundRetryLimitMs) {
      soundRefusing_ = true;
      return 0;
    }
    if (clock_.Wait(&stop, 1, 5) == 0) return 0;  // stopping: drop the unit
  }
}

}  // namespace marlow
