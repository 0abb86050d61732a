// The one place that puts a playback engine together for a window: the
// video display as a child window, the sound output on the wave output
// device, the system clock, and the engine that drives them. The viewer's
// main window and the browser control both hold one EngineHost and reach
// every part through it, so the parts are built, wired and torn down in the
// same order everywhere.
//
// Order matters: the engine holds references to the display and the sound
// output and its thread uses them until it stops, so the engine is made
// after them and destroyed (thread stopped) before them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "display/audio_output.h"
#include "display/win32_video_display.h"
#include "engine/playback_engine.h"
#include "netclient/notification_sink.h"

namespace marlow {

// Hands the network client's notifications to a window with PostMessage
// (never SendMessage: the posting thread must not wait for the window).
class WindowNotifier final : public NotificationSink {
 public:
  void SetWindow(HWND window) { window_ = window; }
  HWND Window() const { return window_; }
  void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override;

 private:
  HWND window_ = nullptr;
};

class EngineHost {
 public:
  EngineHost();
  ~EngineHost();
  EngineHost(const EngineHost&) = delete;
  EngineHost& operator=(const EngineHost&) = delete;

  // Creates the display as a visible child of parent in (x, y, width,
  // height) with the given control id, then initialises the engine with the
  // stream variant and channel count (which opens the sound device).
  // logoModule holds the display's logo resource (nullptr: this module).
  // Notifications of the engine's network side go to parent. 1 or 0; on 0
  // nothing is left created.
  int Initialize(HWND parent, int x, int y, int width, int height, int controlId, int variant,
                 int channelCount, HINSTANCE logoModule = nullptr);
  bool IsInitialized() const { return initialized_; }

  PlaybackEngine& Engine() { return *engine_; }
  VideoDisplay& Display() { return display_; }
  AudioOutput& Sound() { return sound_; }
  WindowNotifier& Notifier() { return notifier_; }

  // Stops the engine's thread (closing a recording, ending a live view) and
  // destroys the display window. Safe to call more than once; the
  // destructor calls it.
  void Shutdown();

 private:
  // User-interface thread. Declaration order is construction order.
  VideoDisplay display_;
  AudioOutput sound_;
  WindowNotifier notifier_;
  std::unique_ptr<PlaybackEngine> engine_;
  bool initialized_ = false;
};

}  // namespace marlow
